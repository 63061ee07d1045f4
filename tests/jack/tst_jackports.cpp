#include "DataColumns.h"
#include "FixtureServer.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "MidiErrorText.h"
#include "RaisedText.h"
#include "RegRoot.h"
#include "RtMidiPlatform.h"
#include "SimPanel.h"
#include "SimulatedVl70m.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "VentaroError.h"
#include "VoiceDump.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

using namespace JackTestSupport;
using Buttons = QList<int>;

namespace {

constexpr const char *ClientName = "ventaro-ports";

// Seals every block of a voice dump again for device number 1.
void resealBlocks(QByteArray &dump)
{
    qsizetype start = 0;
    while ((start = dump.indexOf(char(VoiceDump::SysExStart), start)) >= 0) {
        const qsizetype end = dump.indexOf(char(VoiceDump::SysExEnd), start);
        if (end < start)
            return;
        VoiceDump::SealBlock(dump, int(start + VoiceDump::CountHighOffset), int(end - 2), 0);
        start = end + 1;
    }
}

// What an input port delivered, and on which thread.
struct Received
{
    QList<QByteArray> blocks;
    bool offWindowThread = false;

    void attach(TMidiCorvoIn &in)
    {
        in.OnSysexReceived = [this](QObject *, const quint8 *data, qint32 len) {
            if (QThread::currentThread() != qApp->thread())
                offWindowThread = true;
            blocks << QByteArray(reinterpret_cast<const char *>(data), len);
        };
    }
    QByteArray take(int count)
    {
        QElapsedTimer timer;
        timer.start();
        while (blocks.size() < count && timer.elapsed() < WaitMs)
            QTest::qWait(5);
        QByteArray all;
        for (const QByteArray &block : std::as_const(blocks))
            all += block;
        const int arrived = int(blocks.size());
        blocks.clear();
        return arrived == count ? all : QByteArray();
    }
};

} // namespace

class TestJackPorts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void portsExchangeVoices_data();
    void portsExchangeVoices();
    void portsSendShortMessagesInOrder();
    void managerSendsLandInSimulator_data();
    void managerSendsLandInSimulator();
    void managerTakesPanelDumpOut();
    void deadServerRaisesOnNextSend();
    void cleanupTestCase();

private:
    void press(TMidiCorvoOut &out, const Buttons &buttons);
    RegRoot settings() const
    {
        return RegRoot::iniFile(m_home.filePath(QStringLiteral("settings.ini")));
    }

    QTemporaryDir m_home;
    FixtureServer m_server{ClientName};
};

void TestJackPorts::initTestCase()
{
    if (JackRig::jackdPath().isEmpty())
        QSKIP("jackd is not installed");
    QVERIFY(m_home.isValid());
    QVERIFY2(m_server.load(), "the jack fixture did not start a server");
    m_server.openPlatform();
}

void TestJackPorts::cleanupTestCase()
{
    m_server.platform.reset();
}

void TestJackPorts::press(TMidiCorvoOut &out, const Buttons &buttons)
{
    for (int button : buttons) {
        QCOMPARE(out.SendLongMessage(remoteSwitch(button, true)), int(MidiPlatform::NoError));
        QCOMPARE(out.SendLongMessage(remoteSwitch(button, false)), int(MidiPlatform::NoError));
    }
}

void TestJackPorts::portsExchangeVoices_data()
{
    addColumns<Buttons, int, int, int, QString>("dumpOut", "blocks", "length", "changeAt",
                                                "written");

    QTest::newRow("full voice dump, 1808 bytes")
        << Buttons{SimPanel::Util, SimPanel::Enter, SimPanel::Enter} << VoiceDump::FullBlockCount
        << VoiceDump::FullLength << VoiceDump::VoiceNameOffset
        << QStringLiteral("edit buffer: block 15 of 15 written");
    QTest::newRow("custom voice dump, 1572 bytes")
        << Buttons{SimPanel::Util, SimPanel::SelectPlus, SimPanel::Enter, SimPanel::Enter} << 2
        << VoiceDump::CustomLength << VoiceDump::CustomDataBStart
        << QStringLiteral("Custom slot 1: block at 31");
    QTest::newRow("internal voice dump, 174 bytes")
        << Buttons{SimPanel::Util, SimPanel::SelectPlus, SimPanel::SelectPlus, SimPanel::Enter,
                   SimPanel::Enter}
        << 1 << VoiceDump::InternalLength << VoiceDump::InternalDataStart
        << QStringLiteral("Internal slot 1: block at");
}

// The remote switches (9 bytes each) make the simulator dump a voice out;
// the voice goes back changed as one long message and is dumped out again:
// byte for byte both ways, delivered on the window thread.
void TestJackPorts::portsExchangeVoices()
{
    QFETCH(Buttons, dumpOut);
    QFETCH(int, blocks);
    QFETCH(int, length);
    QFETCH(int, changeAt);
    QFETCH(QString, written);

    TMidiCorvoOut out(nullptr, m_server.platform.get(), settings());
    TMidiCorvoIn in(nullptr, m_server.platform.get(), settings());
    out.setDeviceName(inputName());
    in.setDeviceName(outputName());
    QVERIFY(out.DeviceID() >= 0);
    QVERIFY(in.DeviceID() >= 0);
    Received received;
    received.attach(in);
    in.Open(true);
    out.Open();

    press(out, dumpOut);
    QByteArray voice = received.take(blocks);
    QCOMPARE(voice.size(), length);

    voice[changeAt] = char(voice.at(changeAt) ^ 0x01);
    resealBlocks(voice);
    const int logged = int(m_server.rig->simulatorLines().size());
    QCOMPARE(out.SendLongMessage(voice), int(MidiPlatform::NoError));
    const QString log = waitForLog(*m_server.rig, logged, written).join(u'\n');
    QVERIFY2(log.contains(written), qPrintable(log));
    QVERIFY2(!log.contains(QLatin1String("ignored:")), qPrintable(log));

    press(out, dumpOut);
    QCOMPARE(received.take(blocks), voice);
    QVERIFY(!received.offWindowThread);
    press(out, {SimPanel::Exit, SimPanel::Exit});

    // Every block was handed back once the platform sent it.
    QTRY_COMPARE(out.pendingCount(), 0);
    in.Close();
    out.Close();
}

void TestJackPorts::portsSendShortMessagesInOrder()
{
    TMidiCorvoOut out(nullptr, m_server.platform.get(), settings());
    out.setDeviceName(inputName());
    out.Open();
    const int logged = int(m_server.rig->simulatorLines().size());
    out.SendShortMessage(0xB0, 0, 34); // bank select Preset 2
    out.SendShortMessage(0xB0, 32, 1);
    out.SendShortMessage(0xC0, 9, 0);
    out.SendShortMessage(0x90, 60, 100);
    // Closing releases the held note and resets the controllers, after the
    // messages above.
    out.Close();
    const QStringList log =
        waitForLog(*m_server.rig, logged, QStringLiteral("controller 91, value 40"));
    const QStringList expected = presetAndNoteLines();
    QVERIFY2(log.size() > expected.size(), qPrintable(log.join(u'\n')));
    for (int i = 0; i < expected.size(); ++i)
        QVERIFY2(log.at(i).contains(expected.at(i)), qPrintable(log.at(i)));
    QVERIFY(log.at(2).contains(QLatin1String("Preset 2 10")));
}

void TestJackPorts::managerSendsLandInSimulator_data()
{
    // destination: 0 current, else slot (custom 1..6, internal 7+)
    addColumns<int, QString>("destination", "written");

    QTest::newRow("SendToCurrent") << 0 << QStringLiteral("edit buffer: block 15 of 15 written");
    QTest::newRow("SendToCustom 3") << 3 << QStringLiteral("Custom slot 3: block at 31");
    QTest::newRow("SendToInternal 17") << 17 << QStringLiteral("Internal slot 17: block at");
}

void TestJackPorts::managerSendsLandInSimulator()
{
    QFETCH(int, destination);
    QFETCH(QString, written);

    TVLManager manager(nullptr, m_server.platform.get(), settings());
    manager.MidiOut()->setDeviceName(inputName());
    const QByteArray voice = SimulatedVl70m::makeVoice("JackTest", 7, 0);
    QVERIFY(manager.LoadVoice(voice));

    const int logged = int(m_server.rig->simulatorLines().size());
    if (destination == 0)
        manager.SendToCurrent();
    else if (destination <= VoiceDump::CustomSlotCount)
        manager.SendToCustom(destination);
    else
        manager.SendToInternal(destination);
    const QString log = waitForLog(*m_server.rig, logged, written).join(u'\n');
    QVERIFY2(log.contains(written), qPrintable(log));
    QVERIFY2(log.contains(QLatin1String("(voice \"JackTest\")")), qPrintable(log));
    QVERIFY2(!log.contains(QLatin1String("ignored:")), qPrintable(log));
    manager.CloseOutput();
}

// The panel's dump-out pressed through the manager comes back as a voice
// that LoadVoice accepts.
void TestJackPorts::managerTakesPanelDumpOut()
{
    TVLManager manager(nullptr, m_server.platform.get(), settings());
    manager.MidiOut()->setDeviceName(inputName());
    manager.MidiIn()->setDeviceName(outputName());
    QVERIFY(manager.LoadVoice(SimulatedVl70m::makeVoice("PanelOut", 11, 0)));
    manager.SendToCurrent();

    Received received;
    received.attach(*manager.MidiIn());
    manager.MidiIn()->Open(true);
    for (int button :
         {SimPanel::Util, SimPanel::Enter, SimPanel::Enter, SimPanel::Exit, SimPanel::Exit}) {
        manager.SendRemoteSwitch(quint8(button), false);
        manager.SendRemoteSwitch(quint8(button), true);
    }
    const QByteArray voice = received.take(VoiceDump::FullBlockCount);
    QCOMPARE(voice.size(), VoiceDump::FullLength);
    QVERIFY(!received.offWindowThread);

    TVLManager other(nullptr, m_server.platform.get(), settings());
    QVERIFY(other.LoadVoice(voice));
    QCOMPARE(other.VoiceName(), QStringLiteral("PanelOut"));
    manager.MidiIn()->Close();
    manager.CloseOutput();
}

// The server is killed under open ports: the next send raises the
// platform's text within a second and the port lets the device go; closing
// does not hang; ports made afterwards work on a new server.
void TestJackPorts::deadServerRaisesOnNextSend()
{
    const std::unique_ptr<JackRig> doomed = m_server.startOwn(QStringLiteral("doomed-ports"));
    QVERIFY2(doomed, qPrintable(m_server.error));
    m_server.platform = m_server.makePlatform();
    {
        TVLManager manager(nullptr, m_server.platform.get(), settings());
        manager.MidiOut()->setDeviceName(inputName());
        manager.MidiIn()->setDeviceName(outputName());
        QVERIFY(manager.LoadVoice(SimulatedVl70m::makeVoice("Doomed  ", 3, 0)));
        manager.MidiIn()->Open(true);
        manager.SendToCurrent();
        manager.SendShortMessage(0x90, 64, 90);

        doomed->signalServer(SIGKILL);
        QElapsedTimer timer;
        timer.start();
        const QString raised = raisedText([&] { manager.SendToCurrent(); });
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(raised, midiPortErrorMessage(MidiPlatform::DeviceGone, false, inputName(),
                                              m_server.platform.get()));
        // The port let the dead device go.
        QVERIFY(!manager.MidiOut()->IsOpen());
        QCOMPARE(manager.MidiOut()->pendingCount(), 0);

        timer.restart();
        manager.MidiIn()->Close();
        manager.CloseOutput();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    }
    doomed->stop();

    // The same platform, on a new server.
    JackRig fresh(qEnvironmentVariable(RigVariable) + QStringLiteral("/fresh-ports"));
    QString error;
    QVERIFY2(fresh.start(QStringLiteral(VENTARO_SIMULATOR), {}, &error), qPrintable(error));
    {
        TVLManager manager(nullptr, m_server.platform.get(), settings());
        manager.MidiOut()->setDeviceName(inputName());
        QVERIFY(manager.MidiOut()->DeviceID() >= 0);
        QVERIFY(manager.LoadVoice(SimulatedVl70m::makeVoice("Fresh   ", 5, 0)));
        const int logged = int(fresh.simulatorLines().size());
        manager.SendToCurrent();
        const QString wanted =
            QStringLiteral("edit buffer: block 15 of 15 written (voice \"Fresh   \")");
        QVERIFY(waitForLog(fresh, logged, wanted).join(u'\n').contains(wanted));
        manager.CloseOutput();
    }
    fresh.stop();
    m_server.openPlatform();
}

QTEST_MAIN(TestJackPorts)
#include "tst_jackports.moc"
