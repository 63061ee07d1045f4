#pragma once

#include "MidiPlatform.h"
#include "MidiSendQueue.h"

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RtMidiAlsaWatch;
class RtMidiIn;
class RtMidiJackWatch;
class RtMidiOut;
class Sleeper;

// The machine's own MIDI devices through RtMidi.
//
// Backend: ALSA when its sequencer can be opened, else JACK; on systems
// without either, RtMidi's own default. The environment variable
// VENTARO_MIDI_API ("alsa", "jack" or "system") forces one.
//
// Devices are listed by RtMidi's port names, without ALSA's trailing
// client:port numbers (they change when a device is plugged in again) and
// without this program's own ports. Each count call lists anew; a device
// is opened by the name listed for its number, so ports that came or went
// in between do not shift the choice. -1 names no device (there is no
// default device): opening it fails with NoDeviceChosen.
//
// Output: messages go through the one MidiSendQueue. Over JACK a watch
// client learns of the server's end and keeps the sender from RtMidi's
// endless wait on a dead server: sends then fail with DeviceGone, and the
// device is closed with a Close notification raised on the thread that
// opened it (through its event loop, or at the next listing or open, which
// come first), so the port's next Open fails with DeviceGone. RtMidi takes
// a second to close a device of a dead server: that happens on a thread of
// its own, and no new MIDI client is opened meanwhile (libjack would free
// the dead clients under it): opens fail with DeviceGone, listing waits.
// Once they are closed, the next listing or open reaches whatever server
// runs then, the same name or another, in the same process.
//
// Input: SysEx is taken (ignoreTypes(false, ...)); each whole SysEx message
// fills one queued buffer, real-time bytes are raised apart as Data,
// fragments without a header are dropped. An input of a dead JACK server
// falls silent; its handle stays valid until the port closes it.
//
// All calls but the short and long message sends belong on one thread (the
// window thread), which must run an event loop for the Close notification.
class RtMidiPlatform : public MidiPlatform
{
public:
    enum class Backend { Automatic, Alsa, Jack, SystemDefault };

    static constexpr const char *BackendVariable = "VENTARO_MIDI_API";
    // How long outReset waits for a handle's messages to leave.
    static constexpr int ResetWaitMs = 1000;
    // How long a send waits for a JACK server that takes nothing.
    static constexpr int SendWaitMs = 1000;
    // JACK periods to wait after connecting a port before it carries.
    static constexpr unsigned long ConnectPeriods = 3;
    // JACK periods after which a SysEx block handed to RtMidi has surely
    // been taken by the server (RtMidi moves it in the period after).
    static constexpr unsigned long TakenPeriods = 2;
    // How long listing waits for devices of a dead server to close.
    static constexpr int ReapWaitMs = 3000;
    // Input buffer size asked of RtMidi (WinMM), above the largest message.
    static constexpr unsigned InputBufferBytes = 65536;
    static constexpr unsigned InputBufferCount = 4;
    // Whole SysEx messages kept while no input buffer is queued.
    static constexpr std::size_t MaxWaitingMessages = 1024;

    // The backend VENTARO_MIDI_API asks for; Automatic when unset or unknown.
    static Backend backendFromEnvironment();
    // "alsa", "jack", "system" or anything else (Automatic).
    static Backend backendFromName(const QString &name);
    // The backend Automatic stands for on this machine; others unchanged.
    static Backend resolve(Backend backend, const QString &clientName);
    // RtMidi's API number for a resolved backend.
    static int rtMidiApi(Backend backend);

    // The clock stamps outgoing messages; it must outlive the platform.
    // clientName names this program's MIDI clients (and keeps its own ports
    // out of the device lists).
    RtMidiPlatform(Sleeper &clock, Backend backend,
                   const QString &clientName = QStringLiteral("Ventaro"));
    ~RtMidiPlatform() override;

    RtMidiPlatform(const RtMidiPlatform &) = delete;
    RtMidiPlatform &operator=(const RtMidiPlatform &) = delete;

    // The backend in use (never Automatic).
    Backend backend() const { return m_backend; }
    QString backendName() const { return nameOf(m_backend); }
    // "alsa", "jack", "system"; empty for Automatic.
    static QString nameOf(Backend backend);

    // A port name as listed: ALSA's trailing " client:port" taken away.
    static QString deviceName(const std::string &portName);

    // MidiPlatform
    int outDeviceCount() const override;
    QString outDeviceName(int deviceId) const override;
    int outOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    int outShortMessage(MidiHandle handle, quint32 message) override;
    int outPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    int outUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    int outLongMessage(MidiHandle handle, MidiHeader *header) override;
    int outReset(MidiHandle handle) override;
    int outClose(MidiHandle handle) override;
    int inDeviceCount() const override;
    QString inDeviceName(int deviceId) const override;
    int inOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    int inPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    int inUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    int inAddBuffer(MidiHandle handle, MidiHeader *header) override;
    int inStart(MidiHandle handle) override;
    int inStop(MidiHandle handle) override;
    int inReset(MidiHandle handle) override;
    int inClose(MidiHandle handle) override;
    int inState(MidiHandle handle) const override;
    // From the first listing on, a client of the platform's own follows
    // devices coming and going: JACK's port registration and the server's
    // end, ALSA's announce port.
    void setDevicesChanged(std::function<void()> handler) override;

private:
    struct EndRelay;
    struct OutDevice;
    struct InDevice;

    QStringList listPorts(bool input) const;
    // The client that tells of ports coming and going, made when missing.
    void watchDevices() const;
    void devicesChanged();
    bool ownPort(const QString &name) const;
    int apiCode() const { return rtMidiApi(m_backend); }
    std::shared_ptr<OutDevice> outDevice(MidiHandle handle) const;
    std::shared_ptr<InDevice> inDevice(MidiHandle handle) const;
    int transmit(const MidiSendQueue::Item &item);
    // What is left of a device whose JACK server ended: its RtMidi client
    // and watch, closed on the reaper thread; `keep` holds the device (whose
    // address RtMidi's callbacks carry) until then.
    struct Remains
    {
        std::shared_ptr<void> keep;
        std::unique_ptr<RtMidiOut> out;
        std::unique_ptr<RtMidiIn> in;
        std::unique_ptr<RtMidiJackWatch> watch;
    };

    // Hands the JACK clients of devices whose server has ended to the
    // reaper; their handles stay, and every call on them fails DeviceGone
    // at once until the port closes them.
    void sweep();
    // Lets a device go that nobody sends through any more, then tells its
    // port it is closed. One on a dead server goes to the reaper thread,
    // since RtMidi waits a second to close it.
    void let(std::shared_ptr<OutDevice> device);
    void bury(Remains remains);
    void reap();
    bool reaping() const;
    void waitForReaper() const;
    static void onInput(double timeStamp, std::vector<unsigned char> *message, void *device);

    Sleeper &m_clock;
    Backend m_backend;
    std::string m_clientName;
    mutable std::mutex m_mutex;
    mutable QStringList m_outNames; // as last listed
    mutable QStringList m_inNames;
    mutable bool m_outListed = false;
    mutable bool m_inListed = false;
    std::map<MidiHandle, std::shared_ptr<OutDevice>> m_outs;
    std::map<MidiHandle, std::shared_ptr<InDevice>> m_ins;
    MidiHandle m_nextHandle = 1;
    mutable std::mutex m_reapMutex;
    mutable std::condition_variable m_reapWake;
    std::vector<Remains> m_toReap;
    bool m_reaping = false;
    bool m_reaperStopping = false;
    std::thread m_reaper;
    std::mutex m_changedMutex;
    std::function<void()> m_devicesChanged; // guarded by m_changedMutex
    mutable std::unique_ptr<RtMidiJackWatch> m_deviceWatch; // window thread only
    mutable std::unique_ptr<RtMidiAlsaWatch> m_alsaWatch;   // made at the first listing
    std::unique_ptr<MidiSendQueue> m_queue; // last: its thread ends first
};
