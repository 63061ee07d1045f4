#include "DataColumns.h"
#include "FixtureServer.h"
#include "JackClient.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "LateOutputCycles.h"
#include "LateShutdownNews.h"
#include "RtMidiPlatform.h"
#include "SimPanel.h"
#include "VoiceDump.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

#include <RtMidi.h>

#include <csignal>
#include <memory>

using namespace JackTestSupport;

namespace {

constexpr const char *ClientName = "ventaro-test";

} // namespace

class TestRtMidiPlatform : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void listsDevicesWithoutOwnPorts();
    void refusesDevicesThatAreNoChoice_data();
    void refusesDevicesThatAreNoChoice();
    void shortMessagesArriveInOrder();
    void fragmentsArriveAsWholeBlocks();
    void deadServerIsNoticed();
    void busyServerKeepsNewPorts();
    void closingWhileACycleRuns();
    void listingWhileDeadClientsCloseOpensNone();
    void serverEndHeardLateOpensNone_data();
    void serverEndHeardLateOpensNone();
    void cleanupTestCase();

private:
    FixtureServer m_server{ClientName};
};

void TestRtMidiPlatform::initTestCase()
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY2(m_server.load(), "the jack fixture did not start a server");
    m_server.openPlatform();
    QCOMPARE(m_server.platform->backendName(), QStringLiteral("jack"));
}

void TestRtMidiPlatform::cleanupTestCase()
{
    m_server.platform.reset();
}

void TestRtMidiPlatform::listsDevicesWithoutOwnPorts()
{
    JackClient client(*m_server.platform);
    QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
    QCOMPARE(client.openIn(outputName()), int(MidiPlatform::NoError));

    // Our own open ports are sources and sinks too, but never listed.
    const QRegularExpression own(QStringLiteral("^%1(-\\d+)?:").arg(QLatin1String(ClientName)));
    QStringList listed;
    for (int i = 0, n = m_server.platform->inDeviceCount(); i < n; ++i)
        listed << m_server.platform->inDeviceName(i);
    for (int i = 0, n = m_server.platform->outDeviceCount(); i < n; ++i)
        listed << m_server.platform->outDeviceName(i);
    QVERIFY(listed.contains(inputName()));
    QVERIFY(listed.contains(outputName()));
    for (const QString &name : listed)
        QVERIFY2(!own.match(name).hasMatch(), qPrintable(name));
}

void TestRtMidiPlatform::refusesDevicesThatAreNoChoice_data()
{
    addColumns<bool, int, int>("input", "device", "result");

    QTest::newRow("output -1") << false << -1 << int(MidiPlatform::NoDeviceChosen);
    QTest::newRow("input -1") << true << -1 << int(MidiPlatform::NoDeviceChosen);
    QTest::newRow("output past the list") << false << 999 << int(MidiPlatform::BadDeviceId);
    QTest::newRow("input below -1") << true << -2 << int(MidiPlatform::BadDeviceId);
}

void TestRtMidiPlatform::refusesDevicesThatAreNoChoice()
{
    QFETCH(bool, input);
    QFETCH(int, device);
    QFETCH(int, result);
    MidiHandle handle = 42;
    m_server.platform->inDeviceCount();
    m_server.platform->outDeviceCount();
    const int code = input ? m_server.platform->inOpen(&handle, device, {})
                           : m_server.platform->outOpen(&handle, device, {});
    QCOMPARE(code, result);
    QCOMPARE(handle, NoMidiHandle);
    QVERIFY(m_server.platform->errorText(code, input).has_value());
}

void TestRtMidiPlatform::shortMessagesArriveInOrder()
{
    JackClient client(*m_server.platform);
    QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
    const int logged = int(m_server.rig->simulatorLines().size());
    // Bank select Preset 2 (MSB 34, LSB 1), program 10, a note, in this order.
    for (quint32 message : {0x2200B0u, 0x0120B0u, 0x0009C0u, 0x643C90u, 0x003C80u})
        QCOMPARE(client.sendShort(message), int(MidiPlatform::NoError));
    const QStringList log = waitForLog(*m_server.rig, logged, QStringLiteral("note off"));
    const QStringList expected = presetAndNoteLines();
    QCOMPARE(log.size(), expected.size());
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(log.at(i).contains(expected.at(i)), qPrintable(log.at(i)));
    QVERIFY(log.at(2).contains(QLatin1String("Preset 2 10")));
}

// A SysEx sent as separate JACK events, with real-time bytes between them
// and a tail without a header after it, reaches the port as one block.
void TestRtMidiPlatform::fragmentsArriveAsWholeBlocks()
{
    RtMidiOut source(RtMidi::UNIX_JACK, "fragment source");
    source.openVirtualPort("MIDI");
    JackClient client(*m_server.platform);
    QCOMPARE(client.openIn(QStringLiteral("fragment source:MIDI")), int(MidiPlatform::NoError));

    const QList<QByteArray> events = {
        QByteArray::fromHex("f043105700"), QByteArray::fromHex("f8"),
        QByteArray::fromHex("0e0c"),       QByteArray::fromHex("fe"),
        QByteArray::fromHex("0d0f7f"),     QByteArray::fromHex("f7"),
        QByteArray::fromHex("010203f7"),   QByteArray::fromHex("f0431057f7")};
    for (const QByteArray &event : events) {
        source.sendMessage(reinterpret_cast<const unsigned char *>(event.constData()),
                           std::size_t(event.size()));
        QThread::msleep(15); // one event per JACK period
    }
    const QList<QByteArray> blocks = client.takeBlocks(2, WaitMs);
    QCOMPARE(blocks, (QList<QByteArray>{QByteArray::fromHex("f0431057000e0c0d0f7ff7"),
                                        QByteArray::fromHex("f0431057f7")}));
    QCOMPARE(client.shortMessages(), (QList<quint32>{0xF8, 0xFE}));
}

// A server running its cycles slower than a new connection is waited for
// (here a second a period) is busy, not gone: the simulator's ports and ours
// open, and a message crosses.
void TestRtMidiPlatform::busyServerKeepsNewPorts()
{
    const std::unique_ptr<JackRig> busy =
        m_server.startOwn(QStringLiteral("busy"), JackRig::SlowPeriod);
    QVERIFY2(busy, qPrintable(m_server.error));
    {
        const std::unique_ptr<RtMidiPlatform> platform = m_server.makePlatform();
        JackClient client(*platform);
        QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
        QCOMPARE(client.openIn(outputName()), int(MidiPlatform::NoError));
        const int logged = int(busy->simulatorLines().size());
        QCOMPARE(client.sendShort(0x0005C0), int(MidiPlatform::NoError));
        QVERIFY(waitForLog(*busy, logged, QStringLiteral("program change")).size() == 1);
        // A SysEx block counts as sent once the server took it, two of these
        // slow cycles later: taken, and the port stays.
        QCOMPARE(client.sendLong(remoteSwitch(SimPanel::Util, true)), int(MidiPlatform::NoError));
        QVERIFY(client.waitDone(3 * RtMidiPlatform::BusyServerMs));
        QCOMPARE(client.sendShort(0x0006C0), int(MidiPlatform::NoError));
        const QStringList later = waitForLog(*busy, logged + 1, QStringLiteral("program change"),
                                             RtMidiPlatform::BusyServerMs);
        QVERIFY2(later.join(u'\n').contains(QLatin1String("program change")),
                 qPrintable(later.join(u'\n')));
    }
    busy->stop();
    m_server.openPlatform();
}

// RtMidi frees its JACK output's ring buffer before it closes the client,
// whose cycle may be under way, reading it: closing an output must wait
// for that cycle to end. Here each cycle of an output runs late, past the
// period, so that a cycle is under way whenever the port closes.
void TestRtMidiPlatform::closingWhileACycleRuns()
{
#ifdef VENTARO_LATE_NEWS
    const int periodMs = 1000 * JackRig::Period{}.frames / JackRig::Period{}.rate;
    const LateOutputCycles late(periodMs + 3);
    for (int i = 0; i < 5; ++i) {
        JackClient client(*m_server.platform);
        QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
        QCOMPARE(client.sendShort(0x0005C0), int(MidiPlatform::NoError));
        client.close();
    }
#else
    QSKIP("built without JACK's headers");
#endif
}

// The server dies under open ports: the next send fails within a second,
// closing does not hang, and a device on a new server works.
void TestRtMidiPlatform::deadServerIsNoticed()
{
    const std::unique_ptr<JackRig> doomed = m_server.startOwn(QStringLiteral("doomed"));
    QVERIFY2(doomed, qPrintable(m_server.error));
    {
        const std::unique_ptr<RtMidiPlatform> platform = m_server.makePlatform();
        JackClient client(*platform);
        QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
        QCOMPARE(client.sendShort(0x643C90), int(MidiPlatform::NoError));

        doomed->signalServer(SIGKILL);
        QElapsedTimer timer;
        timer.start();
        int code = MidiPlatform::NoError;
        while (code == MidiPlatform::NoError && timer.elapsed() < 3000) {
            QThread::msleep(5);
            code = client.sendShort(0x643C90);
        }
        QCOMPARE(code, int(MidiPlatform::DeviceGone));
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(client.sendLong(remoteSwitch(SimPanel::Util, true)),
                 int(MidiPlatform::DeviceGone));
        // The handle stays the port's until it closes it, every call failing
        // at once meanwhile; the dead client is closed on a thread of its own.
        QTest::qWait(100);
        QVERIFY(!client.outClosed());
        QCOMPARE(client.sendShort(0x643C90), int(MidiPlatform::DeviceGone));

        timer.restart();
        client.close();
        QVERIFY2(timer.elapsed() < 500, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(client.outClosed());
        // Nothing to list or open any more.
        QCOMPARE(platform->outDeviceCount(), 0);
    }
    doomed->stop();

    const std::unique_ptr<JackRig> fresh = m_server.startOwn(QStringLiteral("fresh"));
    QVERIFY2(fresh, qPrintable(m_server.error));
    {
        const std::unique_ptr<RtMidiPlatform> platform = m_server.makePlatform();
        JackClient client(*platform);
        QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
        const int logged = int(fresh->simulatorLines().size());
        QCOMPARE(client.sendShort(0x0005C0), int(MidiPlatform::NoError));
        QVERIFY(waitForLog(*fresh, logged, QStringLiteral("program change")).size() == 1);
    }
    fresh->stop();
    m_server.openPlatform();
}

// The clients of a server that ended are closed on the reaper's thread,
// about a second each. A listing meanwhile must not open a client of its
// own, even when its wait for them runs out: libjack would free the dead
// clients under the reaper, which then crashes closing them.
void TestRtMidiPlatform::listingWhileDeadClientsCloseOpensNone()
{
    const std::unique_ptr<JackRig> doomed = m_server.startOwn(QStringLiteral("doomed-many"));
    QVERIFY2(doomed, qPrintable(m_server.error));
    {
        const std::unique_ptr<RtMidiPlatform> platform = m_server.makePlatform();
        // Enough clients (a port and its watch each) to outlast the wait.
        std::vector<std::unique_ptr<JackClient>> clients;
        for (int i = 0; i < 4; ++i) {
            clients.push_back(std::make_unique<JackClient>(*platform));
            QCOMPARE(clients.back()->openOut(inputName()), int(MidiPlatform::NoError));
            QCOMPARE(clients.back()->openIn(outputName()), int(MidiPlatform::NoError));
        }
        doomed->signalServer(SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(clients.front()->sendShort(0x643C90),
                                  int(MidiPlatform::DeviceGone), 3000);
        QCOMPARE(platform->outDeviceCount(), 0);
        QCOMPARE(platform->inDeviceCount(), 0);
        for (const std::unique_ptr<JackClient> &client : clients)
            client->close();
    }
    doomed->stop();
    m_server.openPlatform();
}

// JACK tells this process's clients of their server's end some time after
// libjack itself knows (on a loaded machine, long after): a client opened
// in between has libjack free the dead ones under whoever closes them. A
// listing or an open right after the end must find out by itself.
void TestRtMidiPlatform::serverEndHeardLateOpensNone_data()
{
    addColumns<bool>("listing");

    QTest::newRow("listing") << true;
    QTest::newRow("open") << false;
}

void TestRtMidiPlatform::serverEndHeardLateOpensNone()
{
#ifdef VENTARO_LATE_NEWS
    QFETCH(bool, listing);
    const std::unique_ptr<JackRig> doomed = m_server.startOwn(QStringLiteral("told-late"));
    QVERIFY2(doomed, qPrintable(m_server.error));
    {
        const std::unique_ptr<RtMidiPlatform> platform = m_server.makePlatform();
        JackClient client(*platform);
        QCOMPARE(client.openOut(inputName()), int(MidiPlatform::NoError));
        QCOMPARE(client.openIn(outputName()), int(MidiPlatform::NoError));
        const LateShutdownNews late(2000);
        doomed->signalServer(SIGKILL);
        if (listing) {
            QCOMPARE(platform->outDeviceCount(), 0);
            QCOMPARE(platform->inDeviceCount(), 0);
        } else {
            MidiHandle handle = NoMidiHandle;
            QCOMPARE(platform->outOpen(&handle, 0, {}), int(MidiPlatform::DeviceGone));
        }
        QCOMPARE(client.sendShort(0x643C90), int(MidiPlatform::DeviceGone));
        client.close();
    }
    doomed->stop();
    m_server.openPlatform();
#else
    QSKIP("built without JACK's headers");
#endif
}

QTEST_GUILESS_MAIN(TestRtMidiPlatform)
#include "tst_rtmidiplatform.moc"
