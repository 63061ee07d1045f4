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
#include <list>
#include <memory>
#include <mutex>

// One MIDI output device of a platform: lists the output devices once,
// remembers the chosen one by name under "<root><RegKeyName>\Midi", value
// "Out", opens and closes it, sends short messages and SysEx blocks, and
// keeps the notes held and the controller values sent so that closing
// leaves the instrument silent and its controllers at their defaults.
//
// The port never opens itself: call Open before sending. Platform refusals
// of Open and Close (and a DeviceID that names no device) raise VentaroError
// with MidiPortErrorMessage (the code's text, a line break, DeviceName).
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
    int DeviceID() const { return m_choice.ID(); }
    void setDeviceID(int value);
    QStringList DeviceNames() const { return m_choice.Names(); }
    QString DeviceName() const { return m_choice.Name(); }
    void setDeviceName(const QString &value);
    QString RegKeyName() const { return m_choice.RegKeyName(); }
    void setRegKeyName(const QString &value) { m_choice.setRegKeyName(value); }

    // Raised when the platform reports the device opened or closed.
    TNotifyEvent OnStateChanged;

    void Open();
    void Close();
    // Drops status bytes from F0h up; otherwise sends (result ignored) and
    // counts note-ons and note-offs and keeps controller values.
    void SendShortMessage(const TEventData &msg);
    void SendShortMessage(quint8 status, quint8 data1, quint8 data2);
    // Copies the block and queues it; returns the platform's result at
    // once (0 = accepted). A refused block is released at once.
    int SendLongMessage(const quint8 *data, int length);
    int SendLongMessage(const QByteArray &bytes);
    void ReleaseHeldNotes();
    void ResetControllers();

    // Notes struck and not yet released, and the last controller values.
    qint32 HeldNotes(int channel, int note) const;
    qint32 ControllerValue(int channel, int controller) const;
    // SysEx blocks handed to the platform and not yet reported done.
    int PendingCount() const;

private:
    void HandleDriverMessage(const MidiNotification &notification);
    void ReleasePending(MidiHeader *header);
    void ReleaseAllPending();
    [[noreturn]] void RaiseError(int code) const;

    MidiPlatform *m_platform;
    MidiDeviceChoice m_choice;
    std::atomic<bool> m_isOpen{false};
    std::array<std::array<qint32, ControllerCount>, ChannelCount> m_controllers{};
    std::atomic<MidiHandle> m_handle{NoMidiHandle};
    std::array<std::array<qint32, NoteCount>, ChannelCount> m_heldNotes{};
    mutable std::recursive_mutex m_tableMutex;
    mutable std::mutex m_pendingMutex;
    std::list<std::unique_ptr<MidiHeader>> m_pending;
    bool m_destroying = false;
};
