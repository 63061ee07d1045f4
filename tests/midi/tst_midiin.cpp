#include "DataColumns.h"
#include "PortFixture.h"
#include "RaisedText.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TMidiFilter.h"

#include <QThread>
#include <QtTest>

#include <thread>

namespace {
const QString Key = QStringLiteral("VL70-m");

QByteArray sysex(int length, quint8 tag)
{
    QByteArray bytes(length, char(tag & 0x7F));
    bytes[0] = char(0xF0);
    bytes[length - 1] = char(0xF7);
    return bytes;
}

// Collects what OnSysexReceived delivers, one entry per call.
struct SysexLog
{
    QList<QByteArray> calls;
    TSysexReceived handler()
    {
        return [this](QObject *, const quint8 *data, qint32 len) {
            calls << QByteArray(reinterpret_cast<const char *>(data), len);
        };
    }
};

// A port on device 0, open for input, its SysEx logged.
struct ListeningPort
{
    ListeningPort()
    {
        port.OnSysexReceived = log.handler();
        port.setDeviceID(0);
        port.Open(true);
    }

    PortFixture f;
    TMidiCorvoIn port{nullptr, Key, &f.midi, f.settings};
    SysexLog log;
};

void deliverPending()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}
} // namespace

class TestMidiIn : public QObject
{
    Q_OBJECT

private slots:
    void restoresSavedChoice_data();
    void restoresSavedChoice();
    void openStates_data();
    void openStates();
    void changingDeviceKeepsState_data();
    void changingDeviceKeepsState();
    void mainWindowOpenAfterChoiceStarts();
    void deviceGoneAtOpen();
    void minusOneRefusedEndsWithEmptyName();
    void sysexArrivesInOrderAndBuffersReturn();
    void longSysexArrivesAsTwoBuffers();
    void emptyBufferIsRequeuedNotDelivered();
    void burstWhileWindowThreadBlocked();
    void nothingDeliveredAfterStop();
    void handlerMayStopThePort();
    void failedStartLeavesOpened();
    void failedBufferDuringStartUndoesStart();
    void stateChangedNotOnDestroy();
    void shortMessagesReachHandlerOnInputThread();
    void routes_data();
    void routes();
    void filterSendsOncePerRoute();
};

void TestMidiIn::restoresSavedChoice_data()
{
    addColumns<QString, int>("saved", "deviceId");
    QTest::newRow("listed") << QStringLiteral("Synth B") << 1;
    QTest::newRow("other case") << QStringLiteral("SYNTH a") << 0;
    QTest::newRow("gone") << QStringLiteral("Synth C") << -1;
    QTest::newRow("none") << QString() << -1;
}

void TestMidiIn::restoresSavedChoice()
{
    QFETCH(QString, saved);
    QFETCH(int, deviceId);
    PortFixture f;
    if (!saved.isEmpty())
        f.save(QStringLiteral("In"), saved);
    // The output port's value is not the input port's.
    f.save(QStringLiteral("Out"), QStringLiteral("Synth A"));
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    QCOMPARE(port.DeviceID(), deviceId);
    // A name not listed now stays chosen: it opens once the device is back.
    QCOMPARE(port.DeviceName(), saved);
    QCOMPARE(port.State(), TMidiCorvoIn::Closed);
    QVERIFY(f.midi.calls().isEmpty());
}

void TestMidiIn::openStates_data()
{
    // steps: 0 Open(false), 1 Open(true), 2 Start, 3 Stop, 4 Close
    addColumns<QList<int>, int, int>("steps", "state", "buffers");
    QTest::newRow("open") << QList<int>{0} << int(TMidiCorvoIn::Opened) << 0;
    QTest::newRow("open and start") << QList<int>{1} << int(TMidiCorvoIn::Started) << 2;
    QTest::newRow("open(false) on opened starts")
        << QList<int>{0, 0} << int(TMidiCorvoIn::Started) << 2;
    QTest::newRow("open on started does nothing")
        << QList<int>{1, 0, 1} << int(TMidiCorvoIn::Started) << 2;
    QTest::newRow("start twice") << QList<int>{0, 2, 2} << int(TMidiCorvoIn::Started) << 2;
    QTest::newRow("stop") << QList<int>{1, 3} << int(TMidiCorvoIn::Opened) << 0;
    QTest::newRow("close started") << QList<int>{1, 4} << int(TMidiCorvoIn::Closed) << 0;
    QTest::newRow("stop on closed") << QList<int>{3, 4} << int(TMidiCorvoIn::Closed) << 0;
}

void TestMidiIn::openStates()
{
    QFETCH(QList<int>, steps);
    QFETCH(int, state);
    QFETCH(int, buffers);
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(0);
    for (int step : steps) {
        switch (step) {
        case 0:
            port.Open(false);
            break;
        case 1:
            port.Open(true);
            break;
        case 2:
            port.Start();
            break;
        case 3:
            port.Stop();
            break;
        case 4:
            port.Close();
            break;
        }
    }
    QCOMPARE(int(port.State()), state);
    QCOMPARE(port.bufferCount(), buffers);
    QCOMPARE(f.midi.queuedBuffers(0), buffers);
    QCOMPARE(f.midi.openCount(true, 0), state == TMidiCorvoIn::Closed ? 0 : 1);
    QCOMPARE(f.logOf(MidiPlatform::Call::InOpen).size(),
             steps.contains(0) || steps.contains(1) ? 1 : 0);
}

void TestMidiIn::changingDeviceKeepsState_data()
{
    addColumns<bool>("start");
    QTest::newRow("opened") << false;
    QTest::newRow("started") << true;
}

void TestMidiIn::changingDeviceKeepsState()
{
    QFETCH(bool, start);
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(0);
    port.Open(start);
    f.midi.clearCalls();
    port.setDeviceID(1);
    QCOMPARE(port.State(), start ? TMidiCorvoIn::Started : TMidiCorvoIn::Opened);
    QCOMPARE(f.midi.openCount(true, 0), 0);
    QCOMPARE(f.midi.openCount(true, 1), 1);
    QCOMPARE(f.saved(QStringLiteral("In")), QStringLiteral("Synth B"));
    QStringList expected;
    if (start)
        expected << QStringLiteral("inStop 0") << QStringLiteral("inReset 0");
    expected << QStringLiteral("inClose 0") << QStringLiteral("inOpen 1");
    if (start)
        expected << QStringLiteral("inStart 1") << QStringLiteral("inAddBuffer 1")
                 << QStringLiteral("inAddBuffer 1");
    QCOMPARE(f.log(), expected);
}

void TestMidiIn::mainWindowOpenAfterChoiceStarts()
{
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(0);
    port.Open(false);
    port.setDeviceID(1);
    port.Open(false);
    QCOMPARE(port.State(), TMidiCorvoIn::Started);
    QCOMPARE(f.midi.queuedBuffers(1), 2);
}

void TestMidiIn::deviceGoneAtOpen()
{
    PortFixture f;
    f.save(QStringLiteral("In"), QStringLiteral("Synth B"));
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    f.midi.unplugInput(1);
    QCOMPARE(raisedText([&] { port.Open(true); }),
             QStringLiteral("The MIDI input device is no longer available.\nSynth B"));
    QCOMPARE(port.State(), TMidiCorvoIn::Closed);
    QCOMPARE(port.bufferCount(), 0);
}

void TestMidiIn::minusOneRefusedEndsWithEmptyName()
{
    PortFixture f(QStringList{});
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    QCOMPARE(port.DeviceID(), -1);
    QCOMPARE(raisedText([&] { port.Open(false); }),
             QStringLiteral("No MIDI input device is chosen: choose one under \"Midi In:\".\n"));
    QCOMPARE(f.log(), QStringList{QStringLiteral("inOpen -1 -> 3")});
}

void TestMidiIn::sysexArrivesInOrderAndBuffersReturn()
{
    ListeningPort listening;
    auto &[f, port, log] = listening;
    const QByteArray one = sysex(174, 1), two = sysex(1572, 2), three = sysex(9, 3);
    f.midi.inject(0, one + two + three);
    QCOMPARE(f.midi.queuedBuffers(0), 0);
    QCOMPARE(f.midi.waitingMessages(0), 1); // both buffers out: the third waits
    QVERIFY(log.calls.isEmpty());           // nothing on the input thread
    QTRY_COMPARE(log.calls.size(), 3);
    QCOMPARE(log.calls, (QList<QByteArray>{one, two, three}));
    QCOMPARE(f.midi.queuedBuffers(0), 2);
    QCOMPARE(port.bufferCount(), 2);
}

void TestMidiIn::longSysexArrivesAsTwoBuffers()
{
    ListeningPort listening;
    auto &[f, port, log] = listening;
    QByteArray big = sysex(70000, 0);
    for (int i = 1; i < big.size() - 1; ++i)
        big[i] = char(i % 127);
    f.midi.inject(0, big);
    deliverPending();
    QCOMPARE(log.calls.size(), 2);
    QCOMPARE(log.calls[0].size(), 65536);
    QCOMPARE(log.calls[0] + log.calls[1], big);
}

void TestMidiIn::emptyBufferIsRequeuedNotDelivered()
{
    ListeningPort listening;
    auto &[f, port, log] = listening;
    QVERIFY(f.midi.returnEmptyBuffer(0));
    QCOMPARE(f.midi.queuedBuffers(0), 1);
    deliverPending();
    QVERIFY(log.calls.isEmpty());
    QCOMPARE(f.midi.queuedBuffers(0), 2);
}

void TestMidiIn::burstWhileWindowThreadBlocked()
{
    ListeningPort listening;
    auto &[f, port, log] = listening;
    // A full voice dump: 15 blocks with no gaps, 1808 bytes in all.
    QList<QByteArray> blocks;
    int total = 0;
    for (int i = 0; i < 15; ++i) {
        blocks << sysex(i == 0 ? 128 : 120, quint8(i));
        total += blocks.last().size();
    }
    QCOMPARE(total, 1808);
    std::thread instrument([&f = f, &blocks] {
        for (const QByteArray &block : blocks)
            f.midi.inject(0, block);
    });
    QThread::msleep(300); // the window thread is busy
    instrument.join();
    QTRY_COMPARE(log.calls.size(), blocks.size());
    QCOMPARE(log.calls, blocks);
    QCOMPARE(f.midi.waitingMessages(0), 0);
}

void TestMidiIn::nothingDeliveredAfterStop()
{
    ListeningPort listening;
    auto &[f, port, log] = listening;
    f.midi.inject(0, sysex(20, 1));
    port.Stop();
    deliverPending();
    QVERIFY(log.calls.isEmpty());
    QCOMPARE(port.bufferCount(), 0);
    QVERIFY(port.OnSysexReceived);
    // Input while stopped is not heard; after Start it is.
    f.midi.inject(0, sysex(20, 2));
    port.Start();
    f.midi.inject(0, sysex(20, 3));
    deliverPending();
    QCOMPARE(log.calls, QList<QByteArray>{sysex(20, 3)});
}

void TestMidiIn::handlerMayStopThePort()
{
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    int calls = 0;
    port.OnSysexReceived = [&](QObject *, const quint8 *, qint32) {
        ++calls;
        port.Stop();
    };
    port.setDeviceID(0);
    port.Open(true);
    f.midi.inject(0, sysex(10, 1) + sysex(10, 2));
    deliverPending();
    QCOMPARE(calls, 1);
    QCOMPARE(port.State(), TMidiCorvoIn::Opened);
    QCOMPARE(port.bufferCount(), 0);
    port.Close();
    QCOMPARE(f.midi.openCount(true, 0), 0);
}

void TestMidiIn::failedStartLeavesOpened()
{
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(1);
    f.midi.failNext(MidiPlatform::Call::InStart, MidiPlatform::DriverError);
    QCOMPARE(raisedText([&] { port.Open(true); }),
             QStringLiteral("The MIDI system reported an error.\nSynth B"));
    QCOMPARE(port.State(), TMidiCorvoIn::Opened);
    QCOMPARE(port.bufferCount(), 0);
    port.Start();
    QCOMPARE(port.State(), TMidiCorvoIn::Started);
}

void TestMidiIn::failedBufferDuringStartUndoesStart()
{
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    port.setDeviceID(0);
    port.Open(false);
    // The second buffer cannot be queued: the first is handed back and freed.
    f.midi.failNext(MidiPlatform::Call::InAddBuffer, MidiPlatform::NoMemory, 1);
    f.midi.clearCalls();
    QCOMPARE(raisedText([&] { port.Start(); }),
             QStringLiteral("There is not enough memory for the MIDI buffer.\nSynth A"));
    QCOMPARE(f.log(), (QStringList{QStringLiteral("inStart 0"), QStringLiteral("inAddBuffer 0"),
                                   QStringLiteral("inAddBuffer 0 -> 7"), QStringLiteral("inStop 0"),
                                   QStringLiteral("inReset 0")}));
    QCOMPARE(port.State(), TMidiCorvoIn::Opened);
    QCOMPARE(port.bufferCount(), 0);
    QCOMPARE(f.midi.queuedBuffers(0), 0);
    f.midi.inject(0, sysex(10, 1)); // input is not running
    QCOMPARE(f.midi.waitingMessages(0), 0);
    port.Close();
    QCOMPARE(f.midi.openCount(true, 0), 0);
}

void TestMidiIn::stateChangedNotOnDestroy()
{
    PortFixture f;
    QList<int> states;
    {
        TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
        port.OnStateChanged = [&](QObject *sender) {
            states << int(static_cast<TMidiCorvoIn *>(sender)->State());
        };
        port.setDeviceID(0);
        port.Open(true);
        port.Close();
        port.Open(false);
    }
    QCOMPARE(states,
             (QList<int>{TMidiCorvoIn::Opened, TMidiCorvoIn::Closed, TMidiCorvoIn::Opened}));
    QCOMPARE(f.midi.openCount(true, 0), 0);
}

void TestMidiIn::shortMessagesReachHandlerOnInputThread()
{
    PortFixture f;
    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    QList<quint32> words;
    QList<QThread *> threads;
    port.OnEventReceived = [&](QObject *, TEventData &event) {
        words << event.toWord();
        threads << QThread::currentThread();
    };
    port.setDeviceID(0);
    port.Open(true);
    std::thread device([&] { f.midi.inject(0, QByteArray::fromHex("903c64b00740")); });
    device.join();
    QCOMPARE(words, (QList<quint32>{0x643C90, 0x4007B0}));
    QVERIFY(threads[0] != QThread::currentThread());
}

void TestMidiIn::routes_data()
{
    // in: channel bits already cleared
    // out: empty: nothing sent
    addColumns<QByteArray, int, int, int, QByteArray>("in", "channel", "floor", "transpose", "out");

    QTest::newRow("note on re-channelled")
        << QByteArray::fromHex("903c64") << 5 << 0 << 0 << QByteArray::fromHex("953c64");
    QTest::newRow("soft velocity raised")
        << QByteArray::fromHex("903c10") << 0 << 40 << 0 << QByteArray::fromHex("903c28");
    QTest::newRow("velocity 0 not raised")
        << QByteArray::fromHex("903c00") << 0 << 40 << 0 << QByteArray::fromHex("903c00");
    QTest::newRow("loud velocity kept")
        << QByteArray::fromHex("903c50") << 0 << 40 << 0 << QByteArray::fromHex("903c50");
    QTest::newRow("note off transposed down")
        << QByteArray::fromHex("803c00") << 0 << 0 << -12 << QByteArray::fromHex("803000");
    QTest::newRow("note off keeps its velocity under a floor")
        << QByteArray::fromHex("803c05") << 0 << 40 << 0 << QByteArray::fromHex("803c05");
    QTest::newRow("transposed above 127")
        << QByteArray::fromHex("907a40") << 0 << 0 << 12 << QByteArray();
    QTest::newRow("transposed below 0")
        << QByteArray::fromHex("800200") << 0 << 0 << -5 << QByteArray();
    QTest::newRow("mapped controller")
        << QByteArray::fromHex("b00140") << 0 << 0 << 0 << QByteArray::fromHex("b00b40");
    QTest::newRow("controller 12 unmapped")
        << QByteArray::fromHex("b00c40") << 0 << 0 << 0 << QByteArray::fromHex("b00c40");
    QTest::newRow("program change")
        << QByteArray::fromHex("c00500") << 15 << 0 << 7 << QByteArray::fromHex("cf0500");
    QTest::newRow("channel 16 wraps")
        << QByteArray::fromHex("e00040") << 16 << 0 << 0 << QByteArray::fromHex("e00040");
}

void TestMidiIn::routes()
{
    QFETCH(QByteArray, in);
    QFETCH(int, channel);
    QFETCH(int, floor);
    QFETCH(int, transpose);
    QFETCH(QByteArray, out);

    TChannelFilter route;
    route.outputChannel = quint8(channel);
    route.velocityFloor = quint8(floor);
    route.transpose = qint8(transpose);
    route.controllerMap[1] = 11; // modulation to expression
    const std::optional<TEventData> routed = route.route(TEventData::fromWord(
        quint32(quint8(in[0])) | quint32(quint8(in[1])) << 8 | quint32(quint8(in[2])) << 16));
    QCOMPARE(routed.has_value(), !out.isEmpty());
    if (routed) {
        QByteArray got;
        got.append(char(routed->status)).append(char(routed->data1)).append(char(routed->data2));
        QCOMPARE(got.toHex(), out.toHex());
    }
}

void TestMidiIn::filterSendsOncePerRoute()
{
    PortFixture f;
    TMidiCorvoOut first(nullptr, &f.midi, f.settings);
    TMidiCorvoOut second(nullptr, &f.midi, f.settings);
    first.setDeviceID(0);
    second.setDeviceID(1);
    first.Open();
    second.Open();
    TMidiFilter filter;
    TChannelFilter a;
    a.outputPort = &first;
    a.outputChannel = 2;
    TChannelFilter b;
    b.outputPort = &second;
    b.outputChannel = 9;
    b.transpose = 1;
    filter.addRoute(a);
    filter.addRoute(b);

    TMidiCorvoIn port(nullptr, Key, &f.midi, f.settings);
    port.setMidiFilter(&filter);
    port.setDeviceID(0);
    port.Open(true);
    std::thread device([&] { f.midi.inject(0, QByteArray::fromHex("933c40f8b70740")); });
    device.join();
    QCOMPARE(f.midi.received(0),
             (QList<QByteArray>{QByteArray::fromHex("923c40"), QByteArray::fromHex("b20740")}));
    QCOMPARE(f.midi.received(1),
             (QList<QByteArray>{QByteArray::fromHex("993d40"), QByteArray::fromHex("b90740")}));
    // The routes' notes count as held on their ports.
    QCOMPARE(first.heldNotes(2, 0x3C), 1);
    QCOMPARE(second.heldNotes(9, 0x3D), 1);
    port.Close();
}

QTEST_GUILESS_MAIN(TestMidiIn)
#include "tst_midiin.moc"
