#pragma once

#include "MidiPlatform.h"
#include "MidiSendQueue.h"
#include "RtMidiAlsaWatch.h"
#include "RtMidiBackend.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class RtMidiInDevice;
class RtMidiJackWatch;
class RtMidiOutDevice;
class RtMidiReaper;
class RtMidi;
class Sleeper;

// The machine's own MIDI devices through RtMidi, on the backend chosen by
// RtMidiBackend, listed by RtMidiBackend's names. Each count call lists
// anew; a device is opened by the name listed for its number, so ports that
// came or went in between do not shift the choice. -1 names no device (there
// is no default device): opening it fails with NoDeviceChosen.
//
// Output: messages go through the one MidiSendQueue. Over JACK a watch
// client learns of the server's end and keeps the sender from RtMidi's
// endless wait on a dead server: sends then fail with DeviceGone, and the
// device is closed with a Close notification raised on the thread that
// opened it (through its event loop, or at the next listing or open, which
// come first), so the port's next Open fails with DeviceGone. RtMidi takes
// a second to close a device of a dead server: RtMidiReaper does it, and no
// new MIDI client is opened meanwhile (libjack would free the dead clients
// under it): opens fail with DeviceGone, listing waits. Once they are
// closed, the next listing or open reaches whatever server runs then, the
// same name or another, in the same process.
//
// Input: see RtMidiInDevice. An input of a dead JACK server falls silent;
// its handle stays valid until the port closes it.
//
// All calls but the short and long message sends belong on one thread (the
// window thread), which must run an event loop for the Close notification.
//
// Lock order: m_mutex is taken alone or inside an input device's mutex;
// a device's own lock (RtMidiOutDevice::sending, RtMidiInDevice::mutex) is
// never taken with m_mutex held. m_changedMutex is taken alone (the handler
// runs under it); the reaper's lock is taken alone.
class RtMidiPlatform : public MidiPlatform
{
public:
    using Backend = RtMidiBackend::Kind;

    // How long outReset waits for a handle's messages to leave.
    static constexpr int ResetWaitMs = 1000;
    // How long a send waits for a JACK server that takes nothing before it
    // asks the server whether it is still there.
    static constexpr int SendWaitMs = 1000;
    // How long in all a send waits for a server that still answers but runs
    // no cycle (one too loaded to keep time).
    static constexpr int BusyServerMs = 10000;
    // JACK periods to wait after connecting a port before it carries.
    static constexpr unsigned long ConnectPeriods = 3;
    // JACK periods after which a SysEx block handed to RtMidi has surely
    // been taken by the server (RtMidi moves it in the period after).
    static constexpr unsigned long TakenPeriods = 2;
    // How long listing waits for devices of a dead server to close.
    static constexpr int ReapWaitMs = 3000;

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
    QString backendName() const { return RtMidiBackend::nameOf(m_backend); }

    // MidiPlatform
    int outDeviceCount() const override;
    QString outDeviceName(int deviceId) const override;
    Result outOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    Result outShortMessage(MidiHandle handle, quint32 message) override;
    Result outPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result outUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result outLongMessage(MidiHandle handle, MidiHeader *header) override;
    Result outReset(MidiHandle handle) override;
    Result outClose(MidiHandle handle) override;
    Result outState(MidiHandle handle) const override;
    int inDeviceCount() const override;
    QString inDeviceName(int deviceId) const override;
    Result inOpen(MidiHandle *handle, int deviceId, MidiCallback callback) override;
    Result inPrepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result inUnprepareHeader(MidiHandle handle, MidiHeader *header) override;
    Result inAddBuffer(MidiHandle handle, MidiHeader *header) override;
    Result inStart(MidiHandle handle) override;
    Result inStop(MidiHandle handle) override;
    Result inReset(MidiHandle handle) override;
    Result inClose(MidiHandle handle) override;
    Result inState(MidiHandle handle) const override;
    // From the first listing on, a client of the platform's own follows
    // devices coming and going: JACK's port registration and the server's
    // end, ALSA's announce port.
    void setDevicesChanged(std::function<void()> handler) override;
    // On JACK: the ports connected into the output device's port.
    std::optional<QStringList> outDeviceSources(int deviceId) const override;

private:
    QStringList listPorts(bool input) const;
    // A client of RtMidi's on the backend, opened the way every JACK client
    // of the program is (JackClientLock).
    template <typename Midi>
    std::unique_ptr<Midi> openClient() const;
    // The client that tells of ports coming and going, made when missing.
    void watchDevices() const;
    void devicesChanged() const;
    int apiCode() const { return RtMidiBackend::rtMidiApi(m_backend); }
    // What every open checks first (the handle, the number, clients still
    // being closed); the listed name and which of that name it is.
    Result target(bool input, MidiHandle *handle, int deviceId, QString *name, int *occurrence);
    // Has the ALSA watch follow port `port` of `midi`; its address.
    RtMidiAlsaWatch::Address followAlsa(RtMidi &midi, int port) const;
    // A new JACK connection carries: its cycles ran, or the server is busy.
    static bool connectionTakes(RtMidiJackWatch &watch);
    std::shared_ptr<RtMidiOutDevice> outDevice(MidiHandle handle) const;
    std::shared_ptr<RtMidiInDevice> inDevice(MidiHandle handle) const;
    Result transmit(const MidiSendQueue::Item &item);
    // Has the reaper sweep the devices open now (RtMidiReaper::sweep).
    void sweep() const;
    // What comes before a new client is opened: sweeps, and waits at most
    // waitMs until the reaper has closed what it has. False while it still
    // closes (nothing may be opened then).
    bool settle(int waitMs) const;
    // Lets a device go that nobody sends through any more (RtMidiReaper::let),
    // then tells its port it is closed.
    void let(std::shared_ptr<RtMidiOutDevice> device);

    Sleeper &m_clock;
    Backend m_backend;
    std::string m_clientName;
    // Guards the lists and handle maps below (not the devices themselves).
    mutable std::mutex m_mutex;
    mutable QStringList m_outNames; // as last listed
    mutable QStringList m_inNames;
    mutable bool m_outListed = false;
    mutable bool m_inListed = false;
    std::map<MidiHandle, std::shared_ptr<RtMidiOutDevice>> m_outs;
    std::map<MidiHandle, std::shared_ptr<RtMidiInDevice>> m_ins;
    MidiHandle m_nextHandle = 1;
    // Closes the clients of a dead server. Listing sweeps too, const: the
    // reaper guards itself, and what it takes away was gone already.
    const std::unique_ptr<RtMidiReaper> m_reaper;
    // Held while the handler runs, so a replaced handler is surely done.
    mutable std::mutex m_changedMutex;
    std::function<void()> m_devicesChanged;                 // guarded by m_changedMutex
    mutable std::unique_ptr<RtMidiJackWatch> m_deviceWatch; // window thread only
    mutable std::unique_ptr<RtMidiAlsaWatch> m_alsaWatch;   // made at the first listing
    std::unique_ptr<MidiSendQueue> m_queue;                 // last: its thread ends first
};
