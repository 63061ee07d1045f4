#pragma once

#include "DefaultControllerValues.h"
#include "MidiDeviceChoice.h"
#include "MidiPlatform.h"
#include "RegRoot.h"
#include "TEventData.h"
#include "TNotifyEvent.h"

#include <QObject>
#include <QStringList>

#include <array>
#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>

// One MIDI output device of a platform: lists the output devices, remembers
// the chosen one by name under "<root><RegKeyName>\Midi", value "Out", opens
// and closes it, sends short messages and SysEx blocks, and keeps the notes
// held and the controller values sent so that closing leaves the instrument
// silent and its controllers at their defaults.
//
// The device is chosen by name: Open lists the devices anew and opens the
// one of that name, wherever it is listed now. A chosen name that is not
// listed raises NotConnected (DeviceGone once the platform closed the device
// under the port), never opens another device. With no name chosen, Open
// asks for the platform's default device (-1).
//
// The port never opens itself: call Open before sending. Platform refusals
// of Open and Close (and a DeviceID that names no device) raise VentaroError
// with MidiPortErrorMessage (the code's text, a line break, DeviceName).
// SendLongMessage returns once the block is queued; WaitSent tells whether
// every queued block left whole.
//
// Threads: everything is called from the window thread, except that
// SendShortMessage may also come from an input port's callback thread
// (routes of a TMidiFilter); the held-note and controller tables are
// guarded. OnStateChanged is raised on the thread calling Open or Close
// (the platform's open and close notifications come during those calls).
// Done notifications come on the platform's sender thread and release the
// block there; the pending list is guarded, so each block is released
// exactly once, by its Done or by Close. The platform must outlive the port.
class TMidiCorvoOut : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int DeviceID READ DeviceID WRITE setDeviceID)
    Q_PROPERTY(QString DeviceName READ DeviceName WRITE setDeviceName)
    Q_PROPERTY(QString RegKeyName READ RegKeyName WRITE setRegKeyName)

public:
    static constexpr int ChannelCount = 16;
    static constexpr int NoteCount = 128;

    // Lists the devices; DeviceID -1. Nothing is restored.
    TMidiCorvoOut(QObject *owner, MidiPlatform *platform,
                  const RegRoot &settings = RegRoot::currentUser());
    // As above, then stores regKeyName and restores the choice (Loaded).
    TMidiCorvoOut(QObject *owner, const QString &regKeyName, MidiPlatform *platform,
                  const RegRoot &settings = RegRoot::currentUser());
    // Closes the port (errors are swallowed here) and frees pending blocks.
    ~TMidiCorvoOut() override;

    // Restores DeviceID and DeviceName from the saved name, case-insensitive;
    // nothing is opened or written.
    void Loaded();

    bool IsOpen() const { return m_isOpen; }
    // While open: the platform's word on its device (NoError, NotConnected
    // once its port went, DeviceGone once its MIDI system ended). Closed: NoError.
    int deviceState() const;
    int DeviceID() const { return m_choice.id(); }
    void setDeviceID(int value);
    // The devices as last listed (at creation, at each Open, at refreshDevices()).
    QStringList DeviceNames() const { return m_choice.names(); }
    // Lists the devices anew; the chosen name keeps its place by name.
    void refreshDevices() { m_choice.refresh(); }
    // A device is chosen by name but is not listed (not connected).
    bool deviceAbsent() const { return m_choice.isAbsent(); }
    QString DeviceName() const { return m_choice.name(); }
    void setDeviceName(const QString &value);
    QString RegKeyName() const { return m_choice.RegKeyName(); }
    void setRegKeyName(const QString &value) { m_choice.setRegKeyName(value); }

    // Raised when the platform reports the device opened or closed.
    TNotifyEvent OnStateChanged;

    // Opens the device of the chosen name; nothing while it is open, unless
    // its device went away while the MIDI system runs (then it is let go and
    // the device of that name opened again, as DeviceLost and Open would).
    void Open();
    void Close();
    // The device went away (a send reported DeviceGone): lets its handle go
    // without the silencing passes, which nothing would hear, and forgets
    // the notes it held. The next Open looks the device up again by name.
    void deviceLost();
    // Drops status bytes from F0h up; otherwise sends, counts note-ons and
    // note-offs and keeps controller values whatever the platform answers.
    // Returns the platform's result (NoError for a dropped message).
    int SendShortMessage(const TEventData &msg);
    int SendShortMessage(quint8 status, quint8 data1, quint8 data2);
    // Copies the block and queues it; returns the platform's result at
    // once (0 = accepted). A refused block is released at once.
    int SendLongMessage(const quint8 *data, int length);
    int SendLongMessage(const QByteArray &bytes);
    // Waits, at most timeoutMs, until every block queued has been reported
    // done. NoError when all of them left whole since the last call; else
    // the code of the first that did not (Timeout when some are still
    // queued). A failure belongs to the device it happened on: closing or
    // opening the port forgets it (a block that failed after its wait gave
    // up was reported then as not sent in time).
    int waitSent(int timeoutMs);
    void ReleaseHeldNotes();
    void ResetControllers();

    // Notes struck and not yet released, and the last controller values.
    qint32 heldNotes(int channel, int note) const;
    qint32 controllerValue(int channel, int controller) const;
    // SysEx blocks handed to the platform and not yet reported done.
    int pendingCount() const;

private:
    void HandleDriverMessage(const MidiNotification &notification);
    // Releases a block the platform is done with; a result other than
    // NoError is kept for WaitSent.
    void releasePending(MidiHeader *header, int result = MidiPlatform::NoError);
    void releaseAllPending();
    // The device the failure happened on is let go.
    void forgetSendFailure();
    [[noreturn]] void raiseError(MidiPlatform::Result code) const;

    MidiPlatform *m_platform;
    MidiDeviceChoice m_choice;
    std::atomic<bool> m_isOpen{false};
    std::array<std::array<qint32, ControllerCount>, ChannelCount> m_controllers{};
    std::atomic<MidiHandle> m_handle{NoMidiHandle};
    std::array<std::array<qint32, NoteCount>, ChannelCount> m_heldNotes{};
    // Guards the note and controller tables; held while their messages go
    // to the platform (which may take its own locks inside it).
    mutable std::recursive_mutex m_tableMutex;
    // Guards the pending blocks and the send failure; taken alone (a Done
    // on the sender thread takes it), never with m_tableMutex.
    mutable std::mutex m_pendingMutex;
    std::condition_variable m_pendingChanged;
    std::list<std::unique_ptr<MidiHeader>> m_pending;
    int m_sendFailure = MidiPlatform::NoError; // guarded by m_pendingMutex
    bool m_destroying = false;
    bool m_closing = false;
    // The platform closed the device under the port (it went away).
    std::atomic<bool> m_lost{false};
};
