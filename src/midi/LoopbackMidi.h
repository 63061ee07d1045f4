#pragma once

#include "LoopbackCall.h"
#include "LoopbackCallLog.h"
#include "LoopbackInputDevice.h"
#include "MidiPlatform.h"
#include "MidiSendQueue.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
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
//
// Lock order: an input device's delivery lock, then m_mutex; m_mutex is
// never held while a callback or a receiver runs, nor while waiting for the
// send queue (which calls transmit, taking m_mutex, on its thread).
class LoopbackMidi : public MidiPlatform
{
public:
    struct DevicePair
    {
        int input = -1;
        int output = -1;
    };
    // Called on the sender thread for every message an output device takes.
    using Receiver =
        std::function<void(int outputDevice, const QByteArray &message, qint64 stampNs)>;

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

    // A later `call` does nothing and returns code instead: the next one, or
    // the one after `after` calls that go through. Failures of one call are
    // used in the order given.
    void failNext(Call call, Result code, int after = 0);

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
    // No other program sends to the loopback's devices.
    std::optional<QStringList> outDeviceSources(int) const override { return QStringList(); }
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

private:
    struct OutDevice
    {
        QString name;
        bool unplugged = false;
        bool stalled = false;
        QList<QByteArray> received;
        Receiver receiver;
    };
    struct OutHandle
    {
        int device = -1;
        MidiCallback callback;
    };

    // A call on a handle (m_mutex held): which call, the device the handle
    // names (-1 for none; for input, also the device itself) and the bytes
    // the log shows.
    struct HandleCall
    {
        Call call = Call::OutOpen;
        int device = -1;
        LoopbackInputDevice *in = nullptr;
        QByteArray bytes;
    };

    Result record(const HandleCall &call, Result result);
    HandleCall outCall(Call call, MidiHandle handle, const QByteArray &bytes = {}) const;
    HandleCall inCall(Call call, MidiHandle handle) const;
    // What every call on a handle checks first: an injected failure of the
    // call, then a handle that names no device (known false). Either is
    // recorded and its code given back; nothing when the call goes on.
    std::optional<Result> refuse(const HandleCall &call, bool known);
    // What every open checks: an injected failure, the handle, the device
    // number; the device's index when the open may go on.
    std::optional<Result> refuseOpen(Call call, MidiHandle *handle, int deviceId, int device,
                                     int count, int *index);
    int outDeviceOf(MidiHandle handle) const;
    int inNumber(const LoopbackInputDevice *device) const;
    LoopbackInputDevice *lockDelivery(MidiHandle handle,
                                      std::unique_lock<std::recursive_mutex> &delivery);
    // The device a test names, or null.
    LoopbackInputDevice *inputDevice(int inputDevice) const;
    LoopbackInputDevice *inDeviceOf(MidiHandle handle) const;
    static void raise(const MidiCallback &callback,
                      const std::vector<MidiNotification> &notifications);
    static void raiseOne(const MidiCallback &callback, MidiNotification::Kind kind);
    Result transmit(const MidiSendQueue::Item &item);
    qint64 sinceStartMs(const LoopbackInputDevice &device) const;

    Sleeper *m_clock;
    // Guards everything below but the queue; see the lock order above.
    mutable std::mutex m_mutex;
    std::condition_variable m_stallChanged;
    bool m_shuttingDown = false;
    std::vector<std::unique_ptr<OutDevice>> m_outs;
    std::vector<std::unique_ptr<LoopbackInputDevice>> m_ins;
    int m_defaultOut = 0;
    int m_defaultIn = 0;
    std::map<MidiHandle, OutHandle> m_outHandles;
    MidiHandle m_nextHandle = 1;
    LoopbackCallLog m_log;
    int m_resetWaitMs = 2000;
    std::unique_ptr<MidiSendQueue> m_queue; // last member: its thread ends first
};
