// Banks: listing the voices of a 1 MiB bank, then "Send all" of the 64
// internal voices of a real bank to the standalone simulator over a private
// JACK server, against the pacing configured (wire time at 3125 bytes/s
// plus the gap), and the same kept and read back (GuardedWrite); then a backup by request of the 70 voices of a simulator
// loaded with the same bank, against the wire time of those requests and
// answers on a MIDI cable. Prints figures; never fails on time.

#include "BankSender.h"
#include "EventWait.h"
#include "GuardedWrite.h"
#include "InstrumentBackup.h"
#include "InstrumentRequests.h"
#include "JackBenchRig.h"
#include "JackRig.h"
#include "JackTestSupport.h"
#include "RegRoot.h"
#include "RtMidiPlatform.h"
#include "StoppableWait.h"
#include "SystemSleeper.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "VoiceBank.h"
#include "VoiceFetcher.h"
#include "VoiceStore.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int ListRounds = 21;
constexpr int SendRounds = 3;
constexpr int BackupRounds = 3;
constexpr int GapMs = BankSender::DefaultGapMs;
constexpr int TimeoutMs = 5000;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

QByteArray readBank()
{
    QFile file(QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The real bank repeated up to 1 MiB (the largest bank the reader takes).
QByteArray megabyteBank(const QByteArray &bank)
{
    QByteArray bytes;
    while (bytes.size() + bank.size() <= VoiceBank::MaxFileBytes)
        bytes += bank;
    return bytes;
}

// A backup by request of the 70 voices of a simulator loaded with the
// real bank: as the window does (input seen at the end of each 10 ms wait
// step) and as `ventaro backup` does (the wait woken by each message).
struct BackupFigures
{
    std::vector<double> windowMs;
    std::vector<double> commandLineMs;
    int fetched = 70;
    QString error;
};

BackupFigures measureBackup(const JackRig &server, const QTemporaryDir &folder)
{
    BackupFigures figures;
    JackRig rig(folder.filePath(QStringLiteral("backup")));
    rig.joinServer(server.serverName());
    const QString name = QStringLiteral("Backup");
    if (!rig.startSimulator(QStringLiteral(VENTARO_SIMULATOR),
                            {QStringLiteral("--name"), name, QStringLiteral("--bank"),
                             QStringLiteral(VENTARO_DATA_DIR "/Prog-A-1.syx")},
                            &figures.error)) {
        rig.stop();
        return figures;
    }
    {
        SystemSleeper clock;
        RtMidiPlatform platform(clock, RtMidiPlatform::Backend::Jack,
                                QStringLiteral("ventaro-bench-backup"));
        const RegRoot settings = RegRoot::iniFile(folder.filePath(QStringLiteral("backup.ini")));
        TVLManager manager(nullptr, &platform, settings);
        manager.MidiOut()->setDeviceName(name + QStringLiteral(" IN:MIDI"));
        TMidiCorvoIn &input = *manager.MidiIn();
        input.setDeviceName(name + QStringLiteral(" OUT:MIDI"));
        StoppableWait stoppable;
        for (const bool window : {true, false}) {
            VoiceFetcher fetcher([&](const QByteArray &request) { manager.sendSysEx(request); },
                                 [&](int milliseconds) {
                                     if (!window)
                                         return stoppable(milliseconds);
                                     EventWait::forMs(milliseconds);
                                     return true;
                                 },
                                 0, clock);
            input.OnSysexReceived = [&](QObject *, const quint8 *data, qint32 length) {
                if (data && length > 0)
                    fetcher.take(QByteArrayView(data, length));
                stoppable.wake();
            };
            input.Open(true);
            for (int round = 0; round < BackupRounds; ++round) {
                QElapsedTimer timer;
                timer.start();
                const InstrumentBackup::Result result = InstrumentBackup::run(fetcher);
                (window ? figures.windowMs : figures.commandLineMs)
                    .push_back(double(timer.nsecsElapsed()) / 1e6);
                figures.fetched = std::min(figures.fetched, result.fetched);
            }
            input.Stop();
            input.OnSysexReceived = nullptr;
        }
        manager.CloseOutput();
    }
    rig.stop();
    return figures;
}

// "Send all" as the window and `ventaro send --in` run it: what every slot
// holds kept in a library first, the voices written, every slot read back.
struct GuardedFigures
{
    std::vector<double> totalMs;
    std::vector<double> writingMs; // first voice out to the last one's wire time
    int verified = 64;
};

GuardedFigures measureGuarded(TVLManager &manager, Sleeper &clock, const VoiceBank &bank,
                              const BankSendPlan &plan, const QTemporaryDir &folder)
{
    GuardedFigures figures;
    TMidiCorvoIn &input = *manager.MidiIn();
    input.setDeviceName(JackTestSupport::outputName());
    VoiceStore store(folder.filePath(QStringLiteral("library.sqlite")));
    StoppableWait wait;
    GuardedWrite *writer = nullptr;
    input.OnSysexReceived = [&](QObject *, const quint8 *data, qint32 length) {
        if (data && length > 0 && writer)
            writer->take(QByteArrayView(data, length));
        wait.wake();
    };
    input.Open(true);
    GuardedWrite::Settings settings;
    settings.gapMs = GapMs;
    for (int round = 0; round < SendRounds; ++round) {
        const GuardedWrite::Io io{[&](const QByteArray &message) { manager.sendSysEx(message); },
                                  [&](int milliseconds) { return wait(milliseconds); }, clock,
                                  true};
        GuardedWrite write(io, &store, settings);
        writer = &write;
        QElapsedTimer timer;
        timer.start();
        qint64 writingFrom = 0;
        qint64 writingTo = 0;
        GuardedWrite::Events events;
        events.starting = [&](GuardedWrite::Phase phase, int index, int, const BankSendPlan::Step &) {
            if (phase == GuardedWrite::Phase::Writing && index == 0)
                writingFrom = timer.nsecsElapsed();
            return true;
        };
        events.done = [&](GuardedWrite::Phase phase, int) {
            if (phase == GuardedWrite::Phase::Writing)
                writingTo = timer.nsecsElapsed();
        };
        const GuardedWrite::Result result =
            write.run(bank, plan, 0, WriteRecord::Kind::SendAll, 0, events);
        figures.totalMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        figures.writingMs.push_back(double(writingTo - writingFrom) / 1e6);
        figures.verified =
            std::min(figures.verified, result.count(WriteRecord::PlaceState::Verified));
        writer = nullptr;
    }
    input.Stop();
    input.OnSysexReceived = nullptr;
    return figures;
}

void printBackup(const BackupFigures &figures)
{
    if (figures.windowMs.empty()) {
        std::printf("backup not measured: %s\n", qPrintable(figures.error));
        return;
    }
    // What the same exchange takes on a MIDI cable: a request per block
    // (two per custom voice, one per internal voice) and the voices back.
    const int requests = VoiceDump::CustomSlotCount * 2 + VoiceDump::InternalSlotCount;
    const qint64 bytes = qint64(requests) * InstrumentRequests::DumpRequestLength
                         + qint64(VoiceDump::CustomSlotCount) * VoiceDump::CustomLength
                         + qint64(VoiceDump::InternalSlotCount) * VoiceDump::InternalLength;
    const double wireMs = double(BankSender::wireTimeNs(int(bytes))) / 1e6;
    const double window = median(figures.windowMs);
    const double commandLine = median(figures.commandLineMs);
    std::printf("backup of 70 voices by request over JACK (%d whole in the worst round), median "
                "of %d: as the window waits %.1f ms, as \"ventaro backup\" waits %.1f ms\n",
                figures.fetched, BackupRounds, window, commandLine);
    std::printf("wire-time limit of the same %lld bytes (%d requests and the voices) at 3125 "
                "bytes/s: %.1f ms; ratio window %.3f, command line %.3f\n",
                static_cast<long long>(bytes), requests, wireMs, window / wireMs,
                commandLine / wireMs);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QByteArray bank = readBank();
    if (bank.isEmpty()) {
        std::printf("cannot read the bank file\n");
        return 1;
    }

    const QByteArray large = megabyteBank(bank);
    QTemporaryDir folder;
    const QString largeFile = folder.filePath(QStringLiteral("large.syx"));
    {
        QFile file(largeFile);
        if (!file.open(QIODevice::WriteOnly) || file.write(large) != large.size())
            return 1;
    }
    std::vector<double> listMs;
    std::vector<double> parseMs;
    qsizetype voices = 0;
    for (int round = 0; round < ListRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        voices = VoiceBank::read(largeFile).voices.size();
        listMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        timer.restart();
        voices = VoiceBank::parse(large).voices.size();
        parseMs.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::printf("list a %lld-byte bank (%lld voices, file in the page cache): %.2f ms "
                "(median of %d)\n",
                static_cast<long long>(large.size()), static_cast<long long>(voices),
                median(listMs), ListRounds);
    std::printf("of which splitting and grouping the bytes in memory: %.2f ms\n", median(parseMs));

    JackBenchRig server;
    if (!server.start({}, QStringLiteral("\"Send all\" and backup: ")))
        return JackBenchRig::exitStatus();
    JackRig &rig = server.rig;

    const VoiceBank voicesOfBank = VoiceBank::parse(bank);
    const BankSendPlan plan = BankSendPlan::make(voicesOfBank, {});
    // What the pacing asks for: every voice's wire time, a gap after each
    // but the last.
    const double configuredMs =
        double(plan.steps.size()) * double(BankSender::wireTimeNs(VoiceDump::InternalLength)) / 1e6
        + double(plan.steps.size() - 1) * GapMs;
    const double wireOnlyMs =
        double(plan.steps.size()) * double(BankSender::wireTimeNs(VoiceDump::InternalLength)) / 1e6;
    std::vector<double> sendMs;
    GuardedFigures guarded;
    {
        SystemSleeper clock;
        RtMidiPlatform platform(clock, RtMidiPlatform::Backend::Jack,
                                QStringLiteral("ventaro-bench"));
        const RegRoot settings = RegRoot::iniFile(folder.filePath(QStringLiteral("settings.ini")));
        TVLManager manager(nullptr, &platform, settings);
        manager.MidiOut()->setDeviceName(JackTestSupport::inputName());
        BankSender sender([&](const QByteArray &message) { manager.sendSysEx(message); }, clock,
                          GapMs);
        const QString last = QStringLiteral("Internal slot 64: block at 40 00 3F written");
        for (int round = 0; round < SendRounds; ++round) {
            const int logged = int(rig.simulatorLines().size());
            QElapsedTimer timer;
            timer.start();
            sender.run(voicesOfBank, plan, 0);
            sendMs.push_back(double(timer.nsecsElapsed()) / 1e6);
            bool landed = false;
            while (!landed && timer.elapsed() < sendMs.back() + TimeoutMs) {
                for (const QString &line : rig.simulatorLines().mid(logged))
                    landed = landed || line.contains(last);
                if (!landed)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            if (!landed)
                std::printf("round %d: the last voice did not reach the simulator\n", round + 1);
        }
        guarded = measureGuarded(manager, clock, voicesOfBank, plan, folder);
        manager.CloseOutput();
    }
    const BackupFigures backup = measureBackup(rig, folder);
    rig.stop();
    const double took = median(sendMs);
    std::printf("\"Send all\" of %lld internal voices over JACK, gap %d ms: %.1f ms "
                "(median of %d); pacing configured %.1f ms; ratio %.4f\n",
                static_cast<long long>(plan.steps.size()), GapMs, took, SendRounds, configuredMs,
                took / configuredMs);
    std::printf("wire-time limit alone (64 x 55.68 ms on a MIDI cable): %.1f ms\n", wireOnlyMs);
    const double guardedTook = median(guarded.totalMs);
    std::printf("the same kept first and read back after (%d of 64 verified in the worst round): "
                "%.1f ms (median of %d), ratio to the plain send %.3f; its writing alone %.1f ms, "
                "ratio to the pacing configured %.4f\n",
                guarded.verified, guardedTook, SendRounds, guardedTook / took,
                median(guarded.writingMs), median(guarded.writingMs) / configuredMs);
    printBackup(backup);
    return 0;
}
