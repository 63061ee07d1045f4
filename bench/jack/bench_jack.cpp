// Round trips over one private JACK server: a 1808-byte dump and a note-on,
// through the ports and the RtMidi platform against raw RtMidi, both through
// the same echo client; then SendToCurrent until the standalone simulator
// holds the voice. Prints figures; never fails on time.

#include "JackBenchRig.h"
#include "JackTestSupport.h"
#include "RegRoot.h"
#include "RtMidiJackWatch.h"
#include "RtMidiPlatform.h"
#include "SimulatedVl70m.h"
#include "SystemSleeper.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "TVLManager.h"

#include <RtMidi.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int Rounds = 40;
constexpr int SendRounds = 5;
constexpr int SampleRate = 48000;
constexpr int PeriodFrames = 256;
constexpr double CableMs = 579.0; // 1808 bytes at 3125 bytes/s
constexpr int TimeoutMs = 3000;

// Sends back whatever it receives, from a thread of its own (never from
// RtMidi's input callback).
class Echo
{
public:
    explicit Echo(const QString &name)
        : m_name(name), m_in(RtMidi::UNIX_JACK, name.toStdString() + " in"),
          m_out(RtMidi::UNIX_JACK, name.toStdString() + " out")
    {
        m_in.ignoreTypes(false, false, false);
        m_in.setCallback(&Echo::onInput, this);
        m_in.openVirtualPort("MIDI");
        m_out.openVirtualPort("MIDI");
        m_thread = std::thread([this] { run(); });
    }
    ~Echo()
    {
        m_in.cancelCallback();
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_wake.notify_all();
        m_thread.join();
    }
    QString inputName() const { return m_name + QStringLiteral(" in:MIDI"); }
    QString outputName() const { return m_name + QStringLiteral(" out:MIDI"); }

private:
    static void onInput(double, std::vector<unsigned char> *message, void *self)
    {
        auto *echo = static_cast<Echo *>(self);
        {
            std::lock_guard lock(echo->m_mutex);
            echo->m_queue.push_back(*message);
        }
        echo->m_wake.notify_one();
    }
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            std::vector<unsigned char> message = std::move(m_queue.front());
            m_queue.pop_front();
            lock.unlock();
            m_out.sendMessage(&message);
            lock.lock();
        }
    }

    QString m_name;
    RtMidiIn m_in;
    RtMidiOut m_out;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::vector<unsigned char>> m_queue;
    bool m_stopping = false;
    std::thread m_thread;
};

// Raw RtMidi to and from the echo; the callback only signals.
class RawPath
{
public:
    explicit RawPath(const Echo &echo)
        : m_out(RtMidi::UNIX_JACK, "bench raw"), m_in(RtMidi::UNIX_JACK, "bench raw")
    {
        m_in.ignoreTypes(false, false, false);
        m_in.setCallback(&RawPath::onInput, this);
        open(m_out, echo.inputName());
        open(m_in, echo.outputName());
        // JACK carries a new connection from the next periods on.
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    // Milliseconds from send to the whole message back; -1 on time-out.
    double roundTrip(const std::vector<unsigned char> &message)
    {
        QElapsedTimer timer;
        std::unique_lock lock(m_mutex);
        m_arrived = false;
        timer.start();
        m_out.sendMessage(&message);
        if (!m_wake.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                             [this] { return m_arrived; }))
            return -1;
        return double(timer.nsecsElapsed()) / 1e6;
    }

private:
    static void open(RtMidi &midi, const QString &name)
    {
        for (unsigned i = 0; i < midi.getPortCount(); ++i)
            if (QString::fromStdString(midi.getPortName(i)) == name)
                midi.openPort(i, "MIDI");
    }
    static void onInput(double, std::vector<unsigned char> *, void *self)
    {
        auto *raw = static_cast<RawPath *>(self);
        std::lock_guard lock(raw->m_mutex);
        raw->m_arrived = true;
        raw->m_wake.notify_all();
    }

    RtMidiOut m_out;
    RtMidiIn m_in;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_arrived = false;
};

double median(std::vector<double> values)
{
    values.erase(std::remove(values.begin(), values.end(), -1.0), values.end());
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<unsigned char> fullDump()
{
    const QByteArray dump = SimulatedVl70m::makeVoice("BenchVox", 1, 0);
    return std::vector<unsigned char>(dump.begin(), dump.end());
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    JackBenchRig server;
    if (!server.start({QStringLiteral("--interval"), QStringLiteral("0")}))
        return server.exitStatus();

    const double periodMs = 1000.0 * PeriodFrames / SampleRate;
    const std::vector<unsigned char> dump = fullDump();
    const std::vector<unsigned char> noteOn = {0x90, 60, 100};
    std::vector<double> rawDump, rawNote, portDump, portNote, sendToCurrent, listing, question;
    {
        // One echo per path, so that each hears only its own messages.
        Echo rawEcho(QStringLiteral("bench echo 1"));
        Echo portEcho(QStringLiteral("bench echo 2"));
        RawPath raw(rawEcho);
        SystemSleeper clock;
        RtMidiPlatform platform(clock, RtMidiPlatform::Backend::Jack,
                                QStringLiteral("ventaro-bench"));
        const RegRoot settings =
            RegRoot::iniFile(server.folder.filePath(QStringLiteral("settings.ini")));
        TMidiCorvoOut out(nullptr, &platform, settings);
        TMidiCorvoIn in(nullptr, &platform, settings);
        out.setDeviceName(portEcho.inputName());
        in.setDeviceName(portEcho.outputName());

        QEventLoop loop;
        QTimer timeout;
        timeout.setSingleShot(true);
        QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
        // The dump's fifteen blocks arrive one buffer each.
        bool arrived = false;
        qint32 received = 0;
        in.OnSysexReceived = [&](QObject *, const quint8 *, qint32 len) {
            received += len;
            if (received == qint32(dump.size())) {
                arrived = true;
                loop.quit();
            }
        };
        std::mutex noteMutex;
        std::condition_variable noteWake;
        bool noteBack = false;
        in.OnEventReceived = [&](QObject *, TEventData &event) {
            if (event.status != 0x90)
                return;
            std::lock_guard lock(noteMutex);
            noteBack = true;
            noteWake.notify_all();
        };
        in.Open(true);
        out.Open();

        for (int round = 0; round < Rounds; ++round) {
            rawDump.push_back(raw.roundTrip(dump));
            rawNote.push_back(raw.roundTrip(noteOn));

            QElapsedTimer timer;
            arrived = false;
            received = 0;
            timer.start();
            out.SendLongMessage(dump.data(), int(dump.size()));
            timeout.start(TimeoutMs);
            if (!arrived)
                loop.exec();
            portDump.push_back(arrived ? double(timer.nsecsElapsed()) / 1e6 : -1);

            std::unique_lock lock(noteMutex);
            noteBack = false;
            timer.restart();
            out.SendShortMessage(0x90, 60, 100);
            const bool back = noteWake.wait_for(lock, std::chrono::milliseconds(TimeoutMs),
                                                [&] { return noteBack; });
            portNote.push_back(back ? double(timer.nsecsElapsed()) / 1e6 : -1);
            lock.unlock();
            out.SendShortMessage(0x80, 60, 0);
        }
        // A listing with both ports open (it asks the server first, then
        // lists through a client of its own), and that question alone.
        for (int round = 0; round < Rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            platform.outDeviceCount();
            listing.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        RtMidiJackWatch watch("ventaro-bench question");
        for (int round = 0; round < Rounds; ++round) {
            QElapsedTimer timer;
            timer.start();
            watch.serverAnswers();
            question.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
        in.Close();
        out.Close();

        TVLManager manager(nullptr, &platform, settings);
        manager.MidiOut()->setDeviceName(JackTestSupport::inputName());
        manager.LoadVoice(
            QByteArray(reinterpret_cast<const char *>(dump.data()), qsizetype(dump.size())));
        const QString held = QStringLiteral("edit buffer: block 15 of 15 written");
        for (int round = 0; round < SendRounds; ++round) {
            const int logged = int(server.rig.simulatorLines().size());
            QElapsedTimer timer;
            timer.start();
            manager.SendToCurrent();
            bool done = false;
            while (!done && timer.elapsed() < TimeoutMs) {
                for (const QString &line : server.rig.simulatorLines().mid(logged))
                    done = done || line.contains(held);
                if (!done)
                    std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            sendToCurrent.push_back(done ? double(timer.nsecsElapsed()) / 1e6 : -1);
        }
        manager.CloseOutput();
    }
    server.rig.stop();

    const double rd = median(rawDump), rn = median(rawNote);
    const double pd = median(portDump), pn = median(portNote), sc = median(sendToCurrent);
    std::printf("JACK dummy driver, %d frames at %d Hz: one period %.2f ms; medians of %d rounds\n",
                PeriodFrames, SampleRate, periodMs, Rounds);
    std::printf("%-38s %9s %9s %8s %9s\n", "round trip", "raw ms", "ports ms", "ratio", "periods");
    std::printf("%-38s %9.2f %9.2f %8.2f %9.2f\n", "1808-byte dump", rd, pd, pd / rd,
                pd / periodMs);
    std::printf("%-38s %9.2f %9.2f %8.2f %9.2f\n", "note-on", rn, pn, pn / rn, pn / periodMs);
    std::printf("SendToCurrent until the simulator holds the voice: %.1f ms (median of %d; "
                "a MIDI cable takes %.0f ms)\n",
                sc, SendRounds, CableMs);
    std::printf("Listing the output devices, ports open: %.2f ms, of which asking the server "
                "whether it still runs: %.3f ms (medians of %d)\n",
                median(listing), median(question), Rounds);
    return 0;
}
