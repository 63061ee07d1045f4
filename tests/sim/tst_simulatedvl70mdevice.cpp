#include "DataColumns.h"
#include "JoinedMidiPlatform.h"
#include "LoopbackMidi.h"
#include "SimulatedVl70mDevice.h"
#include "SystemSleeper.h"
#include "VirtualSleeper.h"
#include "VoiceConversion.h"
#include "VoiceDump.h"

#include <QtTest>

#include <mutex>
#include <thread>

namespace {

struct Arrived
{
    QByteArray message;
    qint64 timeMs;
    std::thread::id thread;
};

// The program's side of the pair, straight on the platform: one output
// handle, one started input handle with enough buffers for any dump-out.
class ProgramSide
{
public:
    ProgramSide(MidiPlatform &platform, int outputDevice, int inputDevice) : m_platform(platform)
    {
        QCOMPARE_EQ(platform.outOpen(&m_out, outputDevice,
                                     [this](const MidiNotification &n) {
                                         if (n.kind == MidiNotification::Done) {
                                             std::lock_guard lock(m_mutex);
                                             m_senderThread = std::this_thread::get_id();
                                         }
                                     }),
                    MidiPlatform::NoError);
        QCOMPARE_EQ(
            platform.inOpen(&m_in, inputDevice, [this](const MidiNotification &n) { take(n); }),
            MidiPlatform::NoError);
        for (MidiHeader &header : m_buffers) {
            header.data.resize(2048);
            platform.inPrepareHeader(m_in, &header);
            platform.inAddBuffer(m_in, &header);
        }
        platform.inStart(m_in);
    }
    ~ProgramSide()
    {
        m_platform.inReset(m_in);
        m_platform.inClose(m_in);
        m_platform.outReset(m_out);
        m_platform.outClose(m_out);
    }

    void send(const QByteArray &bytes)
    {
        auto &header = m_sent.emplace_back();
        header.data.assign(bytes.begin(), bytes.end());
        m_platform.outPrepareHeader(m_out, &header);
        QCOMPARE_EQ(m_platform.outLongMessage(m_out, &header), MidiPlatform::NoError);
    }
    void press(int button, int device = 0)
    {
        const char bytes[] = {char(0xF0),   0x43, char(0x10 + device), 0x57, 0x0A, 0x00,
                              char(button), 0x01, char(0xF7)};
        send(QByteArray(bytes, sizeof bytes));
    }
    QList<Arrived> arrived() const
    {
        std::lock_guard lock(m_mutex);
        return m_arrived;
    }
    std::thread::id senderThread() const
    {
        std::lock_guard lock(m_mutex);
        return m_senderThread;
    }

private:
    void take(const MidiNotification &n)
    {
        if (n.kind != MidiNotification::LongData || n.header->bytesRecorded == 0)
            return;
        std::lock_guard lock(m_mutex);
        m_arrived.append({QByteArray(reinterpret_cast<const char *>(n.header->data.data()),
                                     qsizetype(n.header->bytesRecorded)),
                          n.timeMs, std::this_thread::get_id()});
    }

    MidiPlatform &m_platform;
    MidiHandle m_out = NoMidiHandle;
    MidiHandle m_in = NoMidiHandle;
    std::array<MidiHeader, 40> m_buffers;
    std::list<MidiHeader> m_sent;
    mutable std::mutex m_mutex;
    QList<Arrived> m_arrived;
    std::thread::id m_senderThread;
};

QByteArray joined(const QList<Arrived> &arrived)
{
    QByteArray all;
    for (const Arrived &a : arrived)
        all += a.message;
    return all;
}

} // namespace

class TestSimulatedVl70mDevice : public QObject
{
    Q_OBJECT

private slots:
    void dumpsOutOnItsOwnThread_data();
    void dumpsOutOnItsOwnThread();
    void shutsDownDuringDumpOut();
    void joinedListsMachineThenSimulator();
};

void TestSimulatedVl70mDevice::dumpsOutOnItsOwnThread_data()
{
    addColumns<QList<int>, QString, int>("buttons", "form", "messages");

    QTest::newRow("current") << QList<int>{1, 7, 7} << "full" << 15;
    QTest::newRow("custom 2") << QList<int>{1, 13, 14, 7, 7} << "custom" << 2;
    QTest::newRow("internal 64") << QList<int>{1, 13, 13, 11, 7, 7} << "internal" << 1;
}

void TestSimulatedVl70mDevice::dumpsOutOnItsOwnThread()
{
    QFETCH(QList<int>, buttons);
    QFETCH(QString, form);
    QFETCH(int, messages);

    VirtualSleeper clock;
    LoopbackMidi platform(&clock);
    SimulatedVl70mDevice sim(platform, clock);
    QVERIFY(sim.instrument().setDeviceNumber(5));
    ProgramSide program(platform, sim.devices().output, sim.devices().input);

    // The voice sent lands in its place byte for byte and comes back out.
    const QByteArray full = SimulatedVl70m::makeVoice("Loopback", 777, 5);
    const QByteArray expected = form == "full"     ? full
                                : form == "custom" ? VoiceConversion::DumpToCustom(full, 2, 5)
                                                   : VoiceConversion::DumpToInternal(full, 64, 5);
    program.send(expected);
    sim.waitUntilIdle();
    const SimulatedVl70m &instrument = sim.instrument();
    QCOMPARE(form == "full"     ? instrument.editBuffer()
             : form == "custom" ? instrument.customSlot(2)
                                : instrument.internalSlot(64),
             expected);
    for (int button : buttons)
        program.press(button, 5);
    sim.waitUntilIdle();

    const QList<Arrived> arrived = program.arrived();
    QCOMPARE(arrived.size(), messages);
    QCOMPARE(joined(arrived), expected);
    for (int i = 0; i < arrived.size(); ++i) {
        QCOMPARE(arrived[i].message.count(char(0xF0)), 1);
        QCOMPARE(arrived[i].timeMs - arrived[0].timeMs, qint64(i) * 50);
        QVERIFY(arrived[i].thread != program.senderThread());
        QVERIFY(arrived[i].thread != std::this_thread::get_id());
    }
}

void TestSimulatedVl70mDevice::shutsDownDuringDumpOut()
{
    // Real waits of 300 ms between blocks: the pair must not sit out the
    // whole dump-out when it is destroyed in the middle of it.
    SystemSleeper clock;
    LoopbackMidi platform(&clock);
    auto sim = std::make_unique<SimulatedVl70mDevice>(platform, clock);
    QVERIFY(sim->instrument().setDumpIntervalMs(300));
    ProgramSide program(platform, sim->devices().output, sim->devices().input);
    for (int button : {1, 7, 7})
        program.press(button);
    QTRY_VERIFY(!program.arrived().isEmpty());
    sim.reset();
    QVERIFY(program.arrived().size() < 15);
}

void TestSimulatedVl70mDevice::joinedListsMachineThenSimulator()
{
    VirtualSleeper clock;
    LoopbackMidi machine(&clock);
    machine.addDevicePair("Port A");
    machine.addOutputDevice("Synth B");
    LoopbackMidi simulated(&clock);
    SimulatedVl70mDevice sim(simulated, clock);
    JoinedMidiPlatform platform(machine, simulated);

    QCOMPARE(platform.outDeviceCount(), 3);
    QCOMPARE(platform.inDeviceCount(), 2);
    QCOMPARE(platform.outDeviceName(0), "Port A");
    QCOMPARE(platform.outDeviceName(1), "Synth B");
    QCOMPARE(platform.outDeviceName(2), "Simulated VL70-m");
    QCOMPARE(platform.inDeviceName(1), "Simulated VL70-m");
    QCOMPARE(platform.outDeviceName(3), QString());
    QCOMPARE(platform.inDeviceName(-1), QString());

    MidiHandle handle = NoMidiHandle;
    QCOMPARE(platform.outOpen(&handle, 3, {}), int(MidiPlatform::BadDeviceId));
    QCOMPARE(platform.inOpen(&handle, 2, {}), int(MidiPlatform::BadDeviceId));
    QCOMPARE(platform.inOpen(&handle, -2, {}), int(MidiPlatform::BadDeviceId));

    // Both inner platforms number their handles alike; the joined ones
    // differ, and -1 is the machine's default device.
    MidiHandle machineOut = NoMidiHandle, defaultOut = NoMidiHandle;
    QCOMPARE(platform.outOpen(&machineOut, 0, {}), int(MidiPlatform::NoError));
    QCOMPARE(platform.outOpen(&defaultOut, -1, {}), int(MidiPlatform::NoError));
    ProgramSide program(platform, 2, 1);
    QCOMPARE(platform.outShortMessage(machineOut, 0x403C90), int(MidiPlatform::NoError));
    QCOMPARE(platform.outShortMessage(defaultOut, 0x00C0), int(MidiPlatform::NoError));
    program.press(1);
    program.press(7);
    program.press(7);
    sim.waitUntilIdle();
    QCOMPARE(machine.received(0), (QList<QByteArray>{"\x90\x3C\x40", QByteArray("\xC0\x00", 2)}));
    QCOMPARE(joined(program.arrived()), sim.instrument().editBuffer());

    QCOMPARE(platform.outClose(machineOut), int(MidiPlatform::NoError));
    QCOMPARE(platform.outShortMessage(machineOut, 0x403C90), int(MidiPlatform::InvalidHandle));
    QCOMPARE(platform.outClose(machineOut), int(MidiPlatform::InvalidHandle));
    QCOMPARE(platform.outClose(defaultOut), int(MidiPlatform::NoError));
}

QTEST_GUILESS_MAIN(TestSimulatedVl70mDevice)
#include "tst_simulatedvl70mdevice.moc"
