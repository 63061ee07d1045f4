#pragma once

#include "MidiInputBuffers.h"
#include "MidiNotification.h"
#include "MidiStreamParser.h"
#include "RtMidiAlsaWatch.h"
#include "RtMidiJackWatch.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

class RtMidiIn;
class Sleeper;

// One open input device of RtMidiPlatform: its RtMidi client, what watches
// it, and what arrived for the port.
//
// RtMidi joins the events of one SysEx message until it sees F7, taking in
// whatever arrives in between: real-time bytes, a channel message that cut
// the SysEx short, or the tail of a message whose header was never seen.
// Only short messages and SysEx blocks that start with F0 and end with F7
// are handed on (see parsing()); each block fills one queued buffer.
//
// Locks: `mutex` guards everything here and is held while a notification
// is raised; the platform takes its own m_mutex inside it (close), never
// the other way round.
class RtMidiInDevice
{
public:
    // Input buffer size asked of RtMidi (WinMM), above the largest message;
    // a SysEx longer than it is handed on in pieces of it.
    static constexpr unsigned InputBufferBytes = 65536;
    static constexpr unsigned InputBufferCount = 4;
    // Whole SysEx messages kept while no input buffer is queued.
    static constexpr std::size_t MaxWaitingMessages = 1024;

    // How RtMidi's deliveries are read: a SysEx may span deliveries, a short
    // message never does; a SysEx cut short and data bytes without a status
    // are dropped; longer SysEx leaves in pieces of blockLimit.
    static MidiStreamParser::Options parsing(std::size_t blockLimit = InputBufferBytes);

    explicit RtMidiInDevice(Sleeper &clock);
    // Where RtMidi's client type is whole: readers of the parsing alone
    // (the simulator, tests) need no RtMidi.
    ~RtMidiInDevice();

    std::recursive_mutex mutex;
    Sleeper &clock;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiJackWatch> watch;
    RtMidiAlsaWatch *alsa = nullptr;
    RtMidiAlsaWatch::Address address{-1, -1};
    MidiCallback callback;
    bool started = false;
    bool closed = false;
    qint64 startNs = 0;
    MidiStreamParser parser{parsing()};
    MidiInputBuffers buffers{MaxWaitingMessages};

    qint64 sinceStartMs() const;
    // Nothing will come any more: its server ended (the platform let
    // RtMidi's client go) or the device went away. Called with `mutex` held.
    bool gone();
    void raise(const std::vector<MidiNotification> &notifications);
    // Fills queued buffers with waiting messages and hands them back.
    void drain();
    // One delivery of RtMidi's.
    void take(const unsigned char *bytes, std::size_t count);
    // RtMidi's input callback; `self` is the device.
    static void onInput(double timeStamp, std::vector<unsigned char> *message, void *self);
};
