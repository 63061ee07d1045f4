#pragma once

#include "LoopbackCall.h"
#include "MidiPlatform.h"
#include "MidiSendQueue.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class Sleeper;

// In-process virtual MIDI devices: the platform of the tests and of the
// built-in simulated instrument. Deterministic: every platform call is
// recorded in order with the time of the injected clock; what an output
// device received can be read back (or handed to a receiver as it leaves);
// bytes can be injected into an input device as if they came down a cable.
//
// Devices: output and input devices are numbered in the order added. The
// device opened for -1 is the default one (the first added of its kind,
// unless set otherwise; none when there is no device, then -1 fails with
// NoDeviceChosen). An output device may be opened by several handles, an
// input device by one. A device can be unplugged: it stays listed, but
// opening it fails with DeviceGone, and an open input then reports
// DeviceGone from inState.
//
// Threads: sending goes through a MidiSendQueue; received() and the
// receiver see a message once it has left the sender thread, and each
// message carries the time it was posted. inject() may run on any thread;
// the input callback (Data, LongData) runs on the injecting thread, or on
// the thread of inAddBuffer when a queued buffer takes bytes that were
// waiting. Notifications of one input device are raised in arrival order.
// The platform must outlive every port that uses it.
class LoopbackMidi : public MidiPlatform
{
public:
    struct DevicePair
    {
        int input = -1;
        int output = -1;
    };
    // Called on the sender thread for every message an output device takes.
    using Receiver = std::function<void(int outputDevice, const QByteArray &message,
                                        qint64 stampNs)>;

    // The clock is not owned and must outlive the platform.
    explicit LoopbackMidi(Sleeper *clock);
    ~LoopbackMidi() override;

    // Devices. Add them before the ports that list them are created.
    int addOutputDevice(const QString &name);
    int addInputDevice(const QString &name);
    // An input and an output device of the same name (an instrument's pair).
    DevicePair addDevicePair(const QString &name);
    // The device -1 opens; -1 here leaves -1 without a default.
    void setDefaultOutput(int device);
    void setDefaultInput(int device);
    void unplugOutput(int device);
    void unplugInput(int device);

    // A later call of the named platform function (e.g. "outReset",
    // "inAddBuffer") does nothing and returns code instead: the next one, or
    // the one after `after` calls that go through. Failures of one function
    // are used in the order given.
    void failNext(const QString &function, int code, int after = 0);

    // Output side.
    // Every message the device received, in order (waits until all that was
    // posted has left).
    QList<QByteArray> received(int outputDevice);
    void clearReceived(int outputDevice);
    void setReceiver(int outputDevice, Receiver receiver);
    // While stalled, the sender thread waits before the device's next message.
    void setStalled(int outputDevice, bool stalled);
    // How long outReset waits for a handle's messages to leave (ms).
    void setResetWaitMs(int milliseconds);
    void waitUntilSent();

    // Input side. Bytes reach the port only while its device is open and
    // started; they are parsed as a MIDI stream (running status, real-time
    // bytes anywhere): each short message is raised as Data, each SysEx
    // message fills one queued buffer (several when longer than a buffer),
    // and waits while no buffer is queued.
    void inject(int inputDevice, const QByteArray &bytes);
    // Hands the oldest queued buffer back with nothing recorded, as a driver
    // may; false when none is queued or input is not started.
    bool returnEmptyBuffer(int inputDevice);
    int waitingMessages(int inputDevice) const;
    int queuedBuffers(int inputDevice) const;

    // Open handles of a device right now.
    int openCount(bool input, int device) const;

    QList<LoopbackCall> calls() const;
    void clearCalls();

    // Keeping the call log and what each output received is for tests; a
    // long-running program turns it off so the history cannot grow without end.
    void setRecording(bool on);

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

private:
    struct OutDevice
    {
        QString name;
        bool unplugged = false;
        bool stalled = false;
        QList<QByteArray> received;
        Receiver receiver;
    };
    struct InDevice
    {
        QString name;
        bool unplugged = false;
        MidiHandle handle = NoMidiHandle;
        MidiCallback callback;
        bool started = false;
        qint64 startNs = 0;
        std::deque<MidiHeader *> buffers;    // queued, in order
        std::deque<QByteArray> waiting;      // whole SysEx messages not yet in a buffer
        qsizetype waitingOffset = 0;         // bytes of waiting.front() already handed over
        // Stream parser state.
        QByteArray sysex;
        bool inSysex = false;
        quint8 runningStatus = 0;
        QByteArray shortMessage;
        int shortLength = 0;
        std::recursive_mutex delivery;       // keeps notifications in arrival order
    };
    struct Pending
    {
        MidiNotification notification;
    };

    // A call on a handle (m_mutex held): the function's name, the device the
    // handle names (-1 for none; for input, also the device itself) and the
    // bytes the log shows.
    struct HandleCall
    {
        QString function;
        int device = -1;
        InDevice *in = nullptr;
        QByteArray bytes;
    };

    int record(const QString &function, int device, const QByteArray &bytes, int result);
    int record(const HandleCall &call, int result);
    bool takeFailure(const QString &function, int *code);
    HandleCall outCall(const QString &function, MidiHandle handle,
                       const QByteArray &bytes = {}) const;
    HandleCall inCall(const QString &function, MidiHandle handle) const;
    // What every call on a handle checks first: an injected failure of the
    // function, then a handle that names no device (known false). Either is
    // recorded and its code given back; nothing when the call goes on.
    std::optional<int> refuse(const HandleCall &call, bool known);
    int resolveOut(int deviceId) const;
    int resolveIn(int deviceId) const;
    int outDeviceOf(MidiHandle handle) const;
    int inNumber(const InDevice *device) const;
    InDevice *lockDelivery(MidiHandle handle, std::unique_lock<std::recursive_mutex> &delivery);
    void raise(const MidiCallback &callback, const std::vector<MidiNotification> &notifications);
    InDevice *inDeviceOf(MidiHandle handle) const;
    int transmit(const MidiSendQueue::Item &item);
    void parse(InDevice &device, const QByteArray &bytes, std::vector<MidiNotification> &out);
    void drain(InDevice &device, std::vector<MidiNotification> &out);
    qint64 sinceStartMs(const InDevice &device) const;

    Sleeper *m_clock;
    mutable std::mutex m_mutex;
    std::condition_variable m_stallChanged;
    bool m_shuttingDown = false;
    bool m_recording = true;
    std::vector<std::unique_ptr<OutDevice>> m_outs;
    std::vector<std::unique_ptr<InDevice>> m_ins;
    int m_defaultOut = 0;
    int m_defaultIn = 0;
    struct OutHandle
    {
        int device = -1;
        MidiCallback callback;
    };
    std::map<MidiHandle, OutHandle> m_outHandles;
    MidiHandle m_nextHandle = 1;
    struct Failure
    {
        QString function;
        int code = 0;
        int after = 0;
    };
    std::vector<Failure> m_failures;
    QList<LoopbackCall> m_calls;
    int m_resetWaitMs = 2000;
    std::unique_ptr<MidiSendQueue> m_queue;  // last member: its thread ends first
};
