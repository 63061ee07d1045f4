// The MIDI log's cost: 10,000 short messages and 10,000 voice dump blocks
// recorded into the log (ms per 10,000), the same messages decoded (ms per
// 10,000), and a message through the tap with no log attached (ns).
#include "LoopbackMidi.h"
#include "MidiLog.h"
#include "MidiMessageDescription.h"
#include "MidiTap.h"
#include "SystemSleeper.h"
#include "VoiceDump.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <functional>

namespace {

constexpr int Messages = 10000;

double bestMs(const std::function<void()> &work)
{
    double best = 0;
    for (int batch = 0; batch < 5; ++batch) {
        QElapsedTimer timer;
        timer.start();
        work();
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (batch == 0 || ms < best)
            best = ms;
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString port = QStringLiteral("Machine port");
    const QByteArray note("\x90\x3c\x64", 3);
    const QByteArray block = VoiceDump::buildInternalDump(1, QByteArray(VoiceDump::InternalCount, 0), 0);

    const auto recordAll = [&](const QByteArray &message) {
        return bestMs([&] {
            MidiLog log;
            for (int i = 0; i < Messages; ++i)
                log.record(MidiLog::Direction::In, port, message);
        });
    };
    const auto decodeAll = [&](const QByteArray &message) {
        MidiLog log;
        for (int i = 0; i < Messages; ++i)
            log.record(MidiLog::Direction::In, port, message);
        const MidiLog::Batch batch = log.since(0);
        return bestMs([&] {
            MidiMessageDescription description;
            for (const MidiLog::Entry &entry : batch.entries)
                description.describe(entry);
        });
    };
    std::printf("record 10,000 notes: %.2f ms\n", recordAll(note));
    std::printf("record 10,000 internal voice dumps: %.2f ms\n", recordAll(block));
    std::printf("decode 10,000 notes: %.2f ms\n", decodeAll(note));
    std::printf("decode 10,000 internal voice dumps: %.2f ms\n", decodeAll(block));

    // A short message through the tap, with and without a log attached.
    SystemSleeper sleeper;
    LoopbackMidi platform(&sleeper);
    platform.setRecording(false);
    platform.addOutputDevice(port);
    MidiTap tap(platform);
    MidiHandle handle = NoMidiHandle;
    tap.outOpen(&handle, 0, {});
    const auto send = [&] {
        return bestMs([&] {
                   for (int i = 0; i < Messages; ++i)
                       tap.outShortMessage(handle, 0x643c90);
               })
               * 1e6 / Messages;
    };
    std::printf("short message through the tap, no log: %.0f ns\n", send());
    MidiLog log;
    tap.setLog(&log);
    std::printf("short message through the tap, log attached: %.0f ns\n", send());
    tap.setLog(nullptr);
    tap.outClose(handle);
    return 0;
}
