#pragma once

#include "MidiDeviceChoice.h"
#include "MidiPlatform.h"
#include "RegRoot.h"
#include "TEventData.h"
#include "TMidiFilter.h"
#include "TNotifyEvent.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

// One MIDI input device of a platform: lists the input devices, remembers
// the chosen one by name under "<root><RegKeyName>\Midi", value "In", opens,
// starts, stops and closes it, keeps two SysEx buffers of 65536 bytes in
// circulation while started, and delivers what arrives. As for the output
// port, the name decides which device opens, on the list as it is then; a
// chosen name not listed raises NotConnected.
//
// States: Closed, Opened (device open, input not running), Started (input
// running, buffers queued). Opened and Closed are entered through the
// platform's open and close notifications.
//
// Threads:
// - Open, Start, Stop, Close, AddSysExBuffer and the property setters run
//   on the window thread, which must be the thread the port lives on.
// - OnStateChanged is raised during Open and Close, on the calling thread.
// - Short messages are handled entirely on the platform's input thread:
//   MidiFilter's ProcessEvent (its routes send through their output ports),
//   then OnEventReceived. Assign those two while the port is Closed; their
//   handlers must not touch windows, and anything they throw is dropped.
// - SysEx buffers are never handled on the input thread: it only hands each
//   returned buffer to a hand-off object that lives on the window thread and
//   exists from just before input starts until Stop. There, in arrival
//   order, OnSysexReceived runs for a buffer holding bytes, and the buffer
//   is queued again while the port is Started. Stop discards buffers whose
//   hand-off is still waiting: nothing is delivered after Stop.
//   OnSysexReceived must not throw (run its body through the window's error
//   guard); what escapes is dropped and the buffer still goes back.
class TMidiCorvoIn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DeviceID READ DeviceID WRITE setDeviceID)
    Q_PROPERTY(QString DeviceName READ DeviceName WRITE setDeviceName)
    Q_PROPERTY(TMidiFilter *MidiFilter READ MidiFilter WRITE setMidiFilter)
    Q_PROPERTY(QString RegKeyName READ RegKeyName WRITE setRegKeyName)

public:
    enum TMidiInState { Closed, Opened, Started };
    Q_ENUM(TMidiInState)

    static constexpr int SysExBufferSize = 65536;
    static constexpr int SysExBufferCount = 2;

    // Lists the devices; DeviceID -1, Closed. Nothing is restored.
    TMidiCorvoIn(QObject *owner, MidiPlatform *platform,
                 const RegRoot &settings = RegRoot::currentUser());
    // As above, then stores regKeyName and restores the choice (Loaded).
    TMidiCorvoIn(QObject *owner, const QString &regKeyName, MidiPlatform *platform,
                 const RegRoot &settings = RegRoot::currentUser());
    // Closes the port unless Closed; no OnStateChanged then.
    ~TMidiCorvoIn() override;

    void Loaded();

    int DeviceID() const { return m_choice.id(); }
    void setDeviceID(int value);
    // The devices as last listed (at creation, at each open, at refreshDevices()).
    QStringList DeviceNames() const { return m_choice.names(); }
    // Lists the devices anew; the chosen name keeps its place by name.
    void refreshDevices() { m_choice.refresh(); }
    // A device is chosen by name but is not listed (not connected).
    bool deviceAbsent() const { return m_choice.isAbsent(); }
    QString DeviceName() const { return m_choice.name(); }
    void setDeviceName(const QString &value);
    // Not owned; cleared when the filter is destroyed.
    TMidiFilter *MidiFilter() const { return m_filter; }
    void setMidiFilter(TMidiFilter *filter);
    QString RegKeyName() const { return m_choice.RegKeyName(); }
    void setRegKeyName(const QString &value) { m_choice.setRegKeyName(value); }
    TMidiInState State() const { return m_state; }

    TEventReceived OnEventReceived;
    TSysexReceived OnSysexReceived;
    TNotifyEvent OnStateChanged;

    // Opened: starts, whatever StartNow says (a device that went away is
    // opened afresh by name and started). Started: nothing. Closed: opens
    // the device of the chosen name (none chosen: -1), then starts if StartNow.
    void Open(bool StartNow);
    // A device that went away (DeviceGone) leaves the port Closed.
    void Start();
    // While open: NoError as long as the device can deliver, DeviceGone once
    // it went away. Closed: NoError.
    int deviceState() const;
    void Stop();
    void Close();
    // Open on a device that went away (DeviceState() is DeviceGone), while
    // a device of the chosen name is listed again (as last listed): opens
    // that one, Opened or Started as the port was, its handlers kept. True
    // when it did. Nobody asked for it, so nothing is raised: a failure
    // leaves the port Closed, and the next Open tries again.
    bool reconnect();
    void AddSysExBuffer();

    // Buffers the port owns now (queued or being delivered).
    int bufferCount() const { return int(m_buffers.size()); }

private:
    void HandleDriverMessage(const MidiNotification &notification);
    void deliverSysEx(QObject *handoff, MidiHeader *header);
    void destroyHandoff();
    void freeBuffers();
    bool ownsBuffer(const MidiHeader *header) const;
    [[noreturn]] void raiseError(MidiPlatform::Result code) const;

    MidiPlatform *m_platform;
    MidiDeviceChoice m_choice;
    std::atomic<TMidiFilter *> m_filter{nullptr};
    std::atomic<MidiHandle> m_handle{NoMidiHandle};
    std::atomic<TMidiInState> m_state{Closed};
    // Guards m_handoff against the input thread; taken alone, inside the
    // platform's delivery lock on that thread.
    std::mutex m_handoffMutex;
    QObject *m_handoff = nullptr;                       // guarded by m_handoffMutex
    std::vector<std::unique_ptr<MidiHeader>> m_buffers; // window thread only
    int m_delivering = 0;
    bool m_destroying = false;
};
