// Getting the instrument's voice: from the moment the last block of a full
// voice dump comes in at the MIDI input (the platform's input notification)
// to the moment the main window holds the voice ("Get Active Voice"
// returns: the Import SysEx window closed, the voice loaded and shown).
// The instrument is driven from the Import SysEx window's remote (UTIL,
// ENTER, ENTER) inside the window's real modal loop. Over the loopback with
// the built-in simulated instrument, then over a private JACK server with
// the standalone simulator. Prints figures; never fails on time.

#include "FrontPanelRemote.h"
#include "JackBenchRig.h"
#include "JackTestSupport.h"
#include "LoopbackMidi.h"
#include "RegRoot.h"
#include "RtMidiPlatform.h"
#include "ScriptedPrompts.h"
#include "SimPanel.h"
#include "SimulatedVl70mDevice.h"
#include "SystemSleeper.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"
#include "TfmMidiIn.h"
#include "TfmVLDump.h"

#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr int LoopbackRounds = 20;
constexpr int JackRounds = 10;
constexpr int DumpIntervalMs = 50; // the instrument's default spacing of blocks
constexpr int FullDumpLength = 1808;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Passes every call to the real platform and notes when input buffers come
// back filled, on the thread that brings them.
class StampingPlatform : public MidiPlatform
{
public:
    explicit StampingPlatform(MidiPlatform &inner) : m_inner(inner) {}

    std::atomic<qint64> lastInputNs{0};
    std::atomic<qint64> inputBytes{0};

    int outDeviceCount() const override { return m_inner.outDeviceCount(); }
    QString outDeviceName(int id) const override { return m_inner.outDeviceName(id); }
    Result outOpen(MidiHandle *h, int id, MidiCallback cb) override
    {
        return m_inner.outOpen(h, id, cb);
    }
    Result outShortMessage(MidiHandle h, quint32 m) override
    {
        return m_inner.outShortMessage(h, m);
    }
    Result outPrepareHeader(MidiHandle h, MidiHeader *x) override
    {
        return m_inner.outPrepareHeader(h, x);
    }
    Result outUnprepareHeader(MidiHandle h, MidiHeader *x) override
    {
        return m_inner.outUnprepareHeader(h, x);
    }
    Result outLongMessage(MidiHandle h, MidiHeader *x) override
    {
        return m_inner.outLongMessage(h, x);
    }
    Result outReset(MidiHandle h) override { return m_inner.outReset(h); }
    Result outClose(MidiHandle h) override { return m_inner.outClose(h); }
    int inDeviceCount() const override { return m_inner.inDeviceCount(); }
    QString inDeviceName(int id) const override { return m_inner.inDeviceName(id); }
    Result inOpen(MidiHandle *h, int id, MidiCallback cb) override
    {
        return m_inner.inOpen(h, id, [this, cb](const MidiNotification &n) {
            if (n.kind == MidiNotification::LongData && n.header && n.header->bytesRecorded > 0) {
                lastInputNs = nowNs();
                inputBytes += qint64(n.header->bytesRecorded);
            }
            if (cb)
                cb(n);
        });
    }
    Result inPrepareHeader(MidiHandle h, MidiHeader *x) override
    {
        return m_inner.inPrepareHeader(h, x);
    }
    Result inUnprepareHeader(MidiHandle h, MidiHeader *x) override
    {
        return m_inner.inUnprepareHeader(h, x);
    }
    Result inAddBuffer(MidiHandle h, MidiHeader *x) override { return m_inner.inAddBuffer(h, x); }
    Result inStart(MidiHandle h) override { return m_inner.inStart(h); }
    Result inStop(MidiHandle h) override { return m_inner.inStop(h); }
    Result inReset(MidiHandle h) override { return m_inner.inReset(h); }
    Result inClose(MidiHandle h) override { return m_inner.inClose(h); }
    std::optional<QString> errorText(int code, bool isInput) const override
    {
        return m_inner.errorText(code, isInput);
    }

private:
    MidiPlatform &m_inner;
};

struct Figures
{
    std::vector<double> addedMs;
    int failed = 0;
};

// Rounds of "Get Active Voice" on a window over `platform`; `choosePorts`
// points the window's ports at the instrument.
Figures measure(MidiPlatform &base, int rounds, const std::function<void(TfmVLDump &)> &choosePorts)
{
    StampingPlatform platform(base);
    SystemSleeper sleeper;
    ScriptedPrompts prompts;
    QTemporaryDir dir;
    const RegRoot settings = RegRoot::iniFile(dir.filePath(QStringLiteral("settings.ini")));
    TfmVLDump window(
        TfmVLDump::Services{platform, prompts, sleeper, settings, dir.path(), nullptr});
    choosePorts(window);
    window.show();

    // The user presses UTIL, ENTER, ENTER on the import window's remote.
    prompts.onModal = [](QDialog *dialog) {
        auto *import = qobject_cast<TfmMidiIn *>(dialog);
        QTimer::singleShot(0, dialog, [import] {
            for (int button : {SimPanel::Util, SimPanel::Enter, SimPanel::Enter})
                import->remote()->lblPlayMouseDown(import->remote()->hotSpot(button));
        });
        // Nothing arrives: give up after a while.
        QTimer::singleShot(10000, dialog, &QDialog::reject);
        return dialog->exec();
    };

    Figures figures;
    for (int round = 0; round < rounds; ++round) {
        platform.inputBytes = 0;
        window.btnImportClick();
        const qint64 held = nowNs();
        if (window.VLManager1()->SourceKind() != TVLManager::SourceFull
            || platform.inputBytes < FullDumpLength || !prompts.errors().isEmpty()) {
            ++figures.failed;
            continue;
        }
        figures.addedMs.push_back(double(held - platform.lastInputNs) / 1e6);
    }
    window.close();
    return figures;
}

void print(const char *transport, Figures f)
{
    if (f.addedMs.empty()) {
        std::printf("%-10s no voice arrived (%d rounds failed)\n", transport, f.failed);
        return;
    }
    std::sort(f.addedMs.begin(), f.addedMs.end());
    const double median = f.addedMs[f.addedMs.size() / 2];
    std::printf("%-10s %6zu %10.3f %10.3f %10.3f %7d\n", transport, f.addedMs.size(),
                f.addedMs.front(), median, f.addedMs.back(), f.failed);
}

// The offscreen platform's note on every modal window would bury the figures.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &text)
{
    if (type != QtDebugMsg && type != QtInfoMsg
        && !text.contains(QLatin1String("does not support raise()")))
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietHandler);
    QApplication app(argc, argv);
    std::printf("last block of a full voice dump in at the input -> voice held by the main "
                "window (ms); instrument's dump interval %d ms\n",
                DumpIntervalMs);
    std::printf("%-10s %6s %10s %10s %10s %7s\n", "transport", "rounds", "min", "median", "max",
                "failed");

    Figures loopback;
    {
        SystemSleeper clock;
        SystemSleeper instrumentClock;
        LoopbackMidi platform(&clock);
        SimulatedVl70mDevice device(platform, instrumentClock);
        device.instrument().setDumpIntervalMs(DumpIntervalMs);
        loopback = measure(platform, LoopbackRounds, [](TfmVLDump &) {});
    }
    print("loopback", loopback);

    JackBenchRig server;
    if (!server.start({QStringLiteral("--interval"), QString::number(DumpIntervalMs)},
                      QStringLiteral("%1 ").arg(QStringLiteral("JACK"), -10)))
        return server.exitStatus();
    Figures jack;
    {
        SystemSleeper clock;
        RtMidiPlatform platform(clock, RtMidiPlatform::Backend::Jack,
                                QStringLiteral("ventaro-bench"));
        jack = measure(platform, JackRounds, [](TfmVLDump &window) {
            window.VLManager1()->MidiIn()->setDeviceName(JackTestSupport::outputName());
            window.VLManager1()->MidiOut()->setDeviceName(JackTestSupport::inputName());
        });
    }
    server.rig.stop();
    print("JACK", jack);
    return 0;
}
