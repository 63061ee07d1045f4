#include "DataColumns.h"
#include "LoopbackMidi.h"
#include "VirtualSleeper.h"

#include <QtTest>

#include <mutex>

namespace {

// Collects what a platform raises through a callback, from any thread.
struct Collector
{
    std::mutex mutex;
    QList<MidiNotification> seen;

    MidiCallback callback()
    {
        return [this](const MidiNotification &n) {
            std::lock_guard lock(mutex);
            seen.append(n);
        };
    }
    QList<MidiNotification::Kind> kinds()
    {
        std::lock_guard lock(mutex);
        QList<MidiNotification::Kind> result;
        for (const MidiNotification &n : seen)
            result << n.kind;
        return result;
    }
};

QByteArray sysex(int length, char fill = 0x11)
{
    QByteArray bytes(length, fill);
    bytes[0] = char(0xF0);
    bytes[length - 1] = char(0xF7);
    return bytes;
}

std::unique_ptr<MidiHeader> inputBuffer(int size)
{
    auto header = std::make_unique<MidiHeader>();
    header->data.resize(size_t(size));
    return header;
}

// One device opened on a fresh platform, what it raised collected.
struct DeviceRig
{
    VirtualSleeper clock;
    LoopbackMidi midi{&clock};
    int device = -1;
    Collector collector;
    MidiHandle handle = NoMidiHandle;
};

// On an output device.
struct OutputRig : DeviceRig
{
    OutputRig()
    {
        device = midi.addOutputDevice(QStringLiteral("Synth"));
        midi.outOpen(&handle, device, collector.callback());
    }
};

// On an input device, started unless asked not to.
struct InputRig : DeviceRig
{
    explicit InputRig(bool start = true)
    {
        device = midi.addInputDevice(QStringLiteral("Keys"));
        midi.inOpen(&handle, device, collector.callback());
        if (start)
            midi.inStart(handle);
    }
    void queue(MidiHeader *header)
    {
        midi.inPrepareHeader(handle, header);
        midi.inAddBuffer(handle, header);
    }
};

} // namespace

class TestLoopbackMidi : public QObject
{
    Q_OBJECT

private slots:
    void openResults_data();
    void openResults();
    void shortMessagesLeaveInOrderWithCallTimes();
    void longMessageDoneAfterItLeft();
    void resetOfStalledDeviceTimesOutAndHandsBuffersBack();
    void injectedStream_data();
    void injectedStream();
    void sysexWaitsForABuffer();
    void longSysexSpansBuffers();
    void resetHandsQueuedBuffersBackEmpty();
    void closeWithQueuedBuffersIsRefused();
};

void TestLoopbackMidi::openResults_data()
{
    addColumns<bool, int, int, bool, int>("input", "devices", "deviceId", "unplug", "result");

    QTest::newRow("out listed") << false << 2 << 1 << false << int(MidiPlatform::NoError);
    QTest::newRow("out beyond list") << false << 2 << 2 << false << int(MidiPlatform::BadDeviceId);
    QTest::newRow("out -2") << false << 2 << -2 << false << int(MidiPlatform::BadDeviceId);
    QTest::newRow("out -1 without devices")
        << false << 0 << -1 << false << int(MidiPlatform::NoDeviceChosen);
    QTest::newRow("out unplugged") << false << 1 << 0 << true << int(MidiPlatform::DeviceGone);
    QTest::newRow("in listed") << true << 1 << 0 << false << int(MidiPlatform::NoError);
    QTest::newRow("in -1 without devices")
        << true << 0 << -1 << false << int(MidiPlatform::NoDeviceChosen);
    QTest::newRow("in unplugged") << true << 2 << 1 << true << int(MidiPlatform::DeviceGone);
}

void TestLoopbackMidi::openResults()
{
    QFETCH(bool, input);
    QFETCH(int, devices);
    QFETCH(int, deviceId);
    QFETCH(bool, unplug);
    QFETCH(int, result);

    VirtualSleeper clock;
    LoopbackMidi midi(&clock);
    for (int i = 0; i < devices; ++i)
        midi.addDevicePair(QStringLiteral("Port %1").arg(i));
    if (unplug)
        input ? midi.unplugInput(deviceId) : midi.unplugOutput(deviceId);
    Collector collector;
    MidiHandle handle = 99;
    const int code = input ? midi.inOpen(&handle, deviceId, collector.callback())
                           : midi.outOpen(&handle, deviceId, collector.callback());
    QCOMPARE(code, result);
    QCOMPARE(handle != NoMidiHandle, result == MidiPlatform::NoError);
    QCOMPARE(collector.kinds().size(), result == MidiPlatform::NoError ? 1 : 0);
    const LoopbackCall call = midi.calls().value(0);
    QCOMPARE(call.call, input ? MidiPlatform::Call::InOpen : MidiPlatform::Call::OutOpen);
    QCOMPARE(call.device, deviceId);
    QCOMPARE(call.result, result);
    if (handle != NoMidiHandle)
        input ? midi.inClose(handle) : midi.outClose(handle);
}

void TestLoopbackMidi::shortMessagesLeaveInOrderWithCallTimes()
{
    OutputRig rig;
    auto &[clock, midi, out, collector, handle] = rig;
    midi.outShortMessage(handle, 0x2100B0);
    clock.advanceMs(150);
    midi.outShortMessage(handle, 0x05C0);
    midi.outShortMessage(handle, 0xF8);
    QCOMPARE(midi.received(out),
             (QList<QByteArray>{QByteArray::fromHex("b00021"), QByteArray::fromHex("c005"),
                                QByteArray::fromHex("f8")}));
    const QList<LoopbackCall> calls = midi.calls();
    QCOMPARE(calls.size(), 4);
    QCOMPARE(calls[2].timeNs - calls[1].timeNs, qint64(150) * 1000000);
    // A lone status that cannot start a short message is refused.
    QCOMPARE(midi.outShortMessage(handle, 0xF0), int(MidiPlatform::InvalidParameter));
    midi.outClose(handle);
}

void TestLoopbackMidi::longMessageDoneAfterItLeft()
{
    OutputRig rig;
    auto &[clock, midi, out, collector, handle] = rig;
    MidiHeader header;
    header.data = {0xF0, 0x43, 0x10, 0x57, 0xF7};
    QCOMPARE(midi.outLongMessage(handle, &header), int(MidiPlatform::Unprepared));
    midi.outPrepareHeader(handle, &header);
    midi.setStalled(out, true);
    QCOMPARE(midi.outLongMessage(handle, &header), int(MidiPlatform::NoError));
    // Still the platform's: it cannot be queued twice or unprepared.
    QCOMPARE(midi.outLongMessage(handle, &header), int(MidiPlatform::StillQueued));
    QCOMPARE(midi.outUnprepareHeader(handle, &header), int(MidiPlatform::StillQueued));
    QCOMPARE(collector.kinds(), QList<MidiNotification::Kind>{MidiNotification::Open});
    midi.setStalled(out, false);
    QCOMPARE(midi.received(out), QList<QByteArray>{QByteArray::fromHex("f0431057f7")});
    QCOMPARE(collector.kinds(),
             (QList<MidiNotification::Kind>{MidiNotification::Open, MidiNotification::Done}));
    QVERIFY(header.flags & MidiHeader::Done);
    QCOMPARE(midi.outUnprepareHeader(handle, &header), int(MidiPlatform::NoError));
    midi.outClose(handle);
}

void TestLoopbackMidi::resetOfStalledDeviceTimesOutAndHandsBuffersBack()
{
    OutputRig rig;
    auto &[clock, midi, out, collector, handle] = rig;
    midi.setStalled(out, true);
    midi.setResetWaitMs(20);
    MidiHeader first;
    MidiHeader second;
    first.data = {0xF0, 0x01, 0xF7};
    second.data = {0xF0, 0x02, 0xF7};
    midi.outPrepareHeader(handle, &first);
    midi.outPrepareHeader(handle, &second);
    midi.outLongMessage(handle, &first);
    midi.outLongMessage(handle, &second);
    QCOMPARE(midi.outReset(handle), int(MidiPlatform::Timeout));
    // Both came back Done exactly once, the one being sent included.
    QCOMPARE(collector.kinds(),
             (QList<MidiNotification::Kind>{MidiNotification::Open, MidiNotification::Done,
                                            MidiNotification::Done}));
    midi.outClose(handle);
    midi.setStalled(out, false);
    midi.waitUntilSent();
    QCOMPARE(collector.kinds().count(MidiNotification::Done), 2);
}

void TestLoopbackMidi::injectedStream_data()
{
    addColumns<QByteArray, QList<quint32>, QList<QByteArray>>("bytes", "words", "sysex");

    QTest::newRow("note on") << QByteArray::fromHex("903c64") << QList<quint32>{0x643C90}
                             << QList<QByteArray>{};
    QTest::newRow("running status") << QByteArray::fromHex("903c64"
                                                           "3e00")
                                    << QList<quint32>{0x643C90, 0x003E90} << QList<QByteArray>{};
    QTest::newRow("program change two bytes")
        << QByteArray::fromHex("c005c006") << QList<quint32>{0x05C0, 0x06C0} << QList<QByteArray>{};
    QTest::newRow("data without status dropped")
        << QByteArray::fromHex("3c64b00740") << QList<quint32>{0x4007B0} << QList<QByteArray>{};
    QTest::newRow("sysex whole") << QByteArray::fromHex("f0431057f7") << QList<quint32>{}
                                 << QList<QByteArray>{QByteArray::fromHex("f0431057f7")};
    QTest::newRow("clock inside sysex")
        << QByteArray::fromHex("f043f81057f7") << QList<quint32>{0xF8}
        << QList<QByteArray>{QByteArray::fromHex("f0431057f7")};
    QTest::newRow("sysex cut by status")
        << QByteArray::fromHex("f04310803c00") << QList<quint32>{0x003C80}
        << QList<QByteArray>{QByteArray::fromHex("f04310")};
    QTest::newRow("sysex ends running status")
        << QByteArray::fromHex("903c64f07ef73e00") << QList<quint32>{0x643C90}
        << QList<QByteArray>{QByteArray::fromHex("f07ef7")};
    QTest::newRow("stray end byte")
        << QByteArray::fromHex("f7fe") << QList<quint32>{0xFE} << QList<QByteArray>{};
}

void TestLoopbackMidi::injectedStream()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<quint32>, words);
    QFETCH(QList<QByteArray>, sysex);

    InputRig rig(false);
    auto a = inputBuffer(256);
    auto b = inputBuffer(256);
    rig.queue(a.get());
    rig.queue(b.get());
    rig.midi.inject(rig.device, bytes); // not started: nothing heard
    rig.midi.inStart(rig.handle);
    rig.midi.inject(rig.device, bytes);

    QList<quint32> gotWords;
    QList<QByteArray> gotSysex;
    for (const MidiNotification &n : rig.collector.seen) {
        if (n.kind == MidiNotification::Data)
            gotWords << n.message;
        if (n.kind == MidiNotification::LongData)
            gotSysex << QByteArray(reinterpret_cast<const char *>(n.header->data.data()),
                                   qsizetype(n.header->bytesRecorded));
    }
    QCOMPARE(gotWords, words);
    QCOMPARE(gotSysex, sysex);
    rig.midi.inReset(rig.handle);
    rig.midi.inClose(rig.handle);
}

void TestLoopbackMidi::sysexWaitsForABuffer()
{
    InputRig rig;
    rig.midi.inject(rig.device, sysex(10, 1) + sysex(12, 2));
    QCOMPARE(rig.midi.waitingMessages(rig.device), 2);
    auto buffer = inputBuffer(64);
    rig.queue(buffer.get());
    QCOMPARE(rig.midi.waitingMessages(rig.device), 1);
    QCOMPARE(buffer->bytesRecorded, 10u);
    QCOMPARE(buffer->data[1], quint8(1));
    rig.midi.inAddBuffer(rig.handle, buffer.get());
    QCOMPARE(buffer->bytesRecorded, 12u);
    QCOMPARE(buffer->data[1], quint8(2));
    QCOMPARE(rig.midi.waitingMessages(rig.device), 0);
    QCOMPARE(rig.collector.kinds().count(MidiNotification::LongData), 2);
    rig.midi.inReset(rig.handle);
    rig.midi.inClose(rig.handle);
}

void TestLoopbackMidi::longSysexSpansBuffers()
{
    InputRig rig;
    auto a = inputBuffer(65536);
    auto b = inputBuffer(65536);
    rig.queue(a.get());
    rig.queue(b.get());
    rig.midi.inject(rig.device, sysex(70000));
    QCOMPARE(a->bytesRecorded, 65536u);
    QCOMPARE(b->bytesRecorded, 70000u - 65536u);
    QCOMPARE(a->data.front(), quint8(0xF0));
    QCOMPARE(b->data[b->bytesRecorded - 1], quint8(0xF7));
    rig.midi.inReset(rig.handle);
    rig.midi.inClose(rig.handle);
}

void TestLoopbackMidi::resetHandsQueuedBuffersBackEmpty()
{
    InputRig rig;
    rig.midi.inject(rig.device, QByteArray::fromHex("f001")); // unfinished: dropped by the reset
    auto a = inputBuffer(16);
    rig.queue(a.get());
    QCOMPARE(rig.midi.inReset(rig.handle), int(MidiPlatform::NoError));
    QCOMPARE(rig.collector.kinds().last(), MidiNotification::LongData);
    QCOMPARE(a->bytesRecorded, 0u);
    QCOMPARE(rig.midi.queuedBuffers(rig.device), 0);
    QCOMPARE(rig.midi.inUnprepareHeader(rig.handle, a.get()), int(MidiPlatform::NoError));
    QCOMPARE(rig.midi.inClose(rig.handle), int(MidiPlatform::NoError));
    QCOMPARE(rig.collector.kinds().last(), MidiNotification::Close);
}

void TestLoopbackMidi::closeWithQueuedBuffersIsRefused()
{
    InputRig rig(false);
    auto &[clock, midi, in, collector, handle] = rig;
    auto a = inputBuffer(16);
    rig.queue(a.get());
    QCOMPARE(midi.inClose(handle), int(MidiPlatform::StillQueued));
    QCOMPARE(midi.inUnprepareHeader(handle, a.get()), int(MidiPlatform::StillQueued));
    midi.inReset(handle);
    QCOMPARE(midi.inClose(handle), int(MidiPlatform::NoError));
    // The device is free again.
    QCOMPARE(midi.inOpen(&handle, in, {}), int(MidiPlatform::NoError));
    QCOMPARE(midi.inOpen(&handle, in, {}), int(MidiPlatform::DeviceBusy));
}

QTEST_GUILESS_MAIN(TestLoopbackMidi)
#include "tst_loopbackmidi.moc"
