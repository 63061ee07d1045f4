#pragma once

#include "MidiHeader.h"
#include "MidiNotification.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Opaque handle of an open device; 0 never names one.
using MidiHandle = quint64;
constexpr MidiHandle NoMidiHandle = 0;

// The system MIDI services the ports talk to, in the shape the ports were
// designed for: devices by number, open with a notification callback, short
// messages, asynchronous long messages with a done notification, input
// buffers queued and handed back filled, start, stop, reset, close, and a
// text for each result code. Every call returns a result code (NoError = 0)
// from the table below; the codes and their texts belong to this layer, so
// every implementation shares them.
//
// Threads, for every implementation:
// - Any call may come from the window thread; outShortMessage may also come
//   from an input callback thread (input routes). Implementations serialise
//   their own state.
// - Open and Close notifications are raised inside outOpen/inOpen and
//   outClose/inClose, on the calling thread.
// - Sending never blocks the caller on the MIDI system: short and long
//   messages of all output handles go, in the order given, through one
//   queue to one sender thread (MidiSendQueue). A Done notification is
//   raised on the sender thread once the long message has left; outReset
//   waits for the handle's queue to empty (bounded) and returns every long
//   message still queued as Done before it returns. After outClose returns
//   no notification of that handle is raised any more.
// - Data and LongData notifications come on the implementation's input
//   thread (the loopback: the thread that injects the bytes or queues the
//   buffer that takes bytes waiting). Bytes that arrive while no buffer is
//   queued wait in the platform until one is.
// - From inside a callback the ports make only these calls: in a Done
//   notification, outUnprepareHeader of that header; in a Data notification
//   (input routes), outShortMessage on output handles. Implementations must
//   allow them there and must not hold a lock of their own across a callback
//   that those calls would need.
class MidiPlatform
{
public:
    // Result codes of every call.
    enum Result : int {
        NoError = 0,
        UnspecifiedError = 1,
        BadDeviceId = 2,    // no device of that number
        NoDeviceChosen = 3, // -1 where the platform has no default device
        DeviceBusy = 4,     // the device is already open elsewhere
        InvalidHandle = 5,  // the handle is not open
        DeviceGone = 6,     // listed once, no longer there
        NoMemory = 7,
        NotSupported = 8,
        Unprepared = 9,   // header not prepared
        StillQueued = 10, // header still owned by the platform
        InvalidParameter = 11,
        Timeout = 12,      // the MIDI system did not take the data in time
        DriverError = 13,  // the MIDI system reported a failure
        NotStarted = 14,   // input buffer or stop on input that is not running
        NotConnected = 15, // the chosen device is not listed now
    };

    // The calls on devices, for logs and injected failures.
    enum class Call {
        OutOpen,
        OutShortMessage,
        OutPrepareHeader,
        OutUnprepareHeader,
        OutLongMessage,
        OutReset,
        OutClose,
        InOpen,
        InPrepareHeader,
        InUnprepareHeader,
        InAddBuffer,
        InStart,
        InStop,
        InReset,
        InClose,
    };
    // The function's name, e.g. "outShortMessage".
    static QString callName(Call call);

    virtual ~MidiPlatform() = default;

    // Output devices, numbered 0..count-1. A name is the device's product
    // name, empty for a number that names no device.
    virtual int outDeviceCount() const = 0;
    virtual QString outDeviceName(int deviceId) const = 0;
    // Opens device deviceId; -1 means the platform's default output, if any.
    virtual Result outOpen(MidiHandle *handle, int deviceId, MidiCallback callback) = 0;
    // One channel or system message packed as status | data1 << 8 | data2 << 16.
    virtual Result outShortMessage(MidiHandle handle, quint32 message) = 0;
    virtual Result outPrepareHeader(MidiHandle handle, MidiHeader *header);
    virtual Result outUnprepareHeader(MidiHandle handle, MidiHeader *header);
    // Queues header->data as one SysEx block and returns at once; the
    // header stays the caller's but must not be freed before Done.
    virtual Result outLongMessage(MidiHandle handle, MidiHeader *header) = 0;
    virtual Result outReset(MidiHandle handle) = 0;
    virtual Result outClose(MidiHandle handle) = 0;
    // NoError while the open output device can still be reached;
    // NotConnected once it went away while the MIDI system still runs (its
    // port went: a device of that name may be listed again); DeviceGone once
    // it went with the MIDI system (its JACK server ended). Platforms that
    // cannot tell answer NoError. Called on the thread that opens.
    virtual Result outState(MidiHandle handle) const;

    // Input devices.
    virtual int inDeviceCount() const = 0;
    virtual QString inDeviceName(int deviceId) const = 0;
    virtual Result inOpen(MidiHandle *handle, int deviceId, MidiCallback callback) = 0;
    virtual Result inPrepareHeader(MidiHandle handle, MidiHeader *header);
    virtual Result inUnprepareHeader(MidiHandle handle, MidiHeader *header);
    // Queues an empty buffer; it comes back through LongData, filled with
    // one SysEx message (or its next part when longer than the buffer).
    virtual Result inAddBuffer(MidiHandle handle, MidiHeader *header) = 0;
    virtual Result inStart(MidiHandle handle) = 0;
    virtual Result inStop(MidiHandle handle) = 0;
    // Stops input and hands every queued buffer back through LongData.
    virtual Result inReset(MidiHandle handle) = 0;
    virtual Result inClose(MidiHandle handle) = 0;
    // NoError while the open input device can still deliver; DeviceGone
    // once it went away (unplugged, its server ended). Platforms that
    // cannot tell answer NoError.
    virtual Result inState(MidiHandle handle) const;

    // Called, on any thread, whenever devices may have come or gone (a
    // platform that cannot tell never calls it). Replaces the handler set
    // before; empty sets none. Once this returns, the handler it replaced
    // is not running and never runs again.
    virtual void setDevicesChanged(std::function<void()> handler);

    // The input devices (named as inDeviceName names them) whose messages go
    // into output device `deviceId`: what other programs send to it. Nothing
    // when this MIDI system cannot tell.
    virtual std::optional<QStringList> outDeviceSources(int deviceId) const;

    // The text of a result code; nothing for a code that is not listed.
    virtual std::optional<QString> errorText(int code, bool isInput) const;

    // The layer's own text for a result code, shared by all implementations.
    static std::optional<QString> standardErrorText(int code, bool isInput);

    // NoError for a prepared, non-empty header that is not queued yet; else why not.
    static Result checkHeader(const MidiHeader *header);
    // Takes such a header into the platform (InQueue set, Done cleared).
    static Result claim(MidiHeader *header);
};
