#pragma once

#include "MidiPlatform.h"
#include "WorkQueue.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class RtMidiIn;
class RtMidiInDevice;
class RtMidiJackWatch;
class RtMidiOut;
class RtMidiOutDevice;

// Takes the RtMidi clients of a JACK server that has ended away from
// RtMidiPlatform's devices and closes them on a thread of its own: RtMidi
// waits a second for each of them, and libjack frees them under us as soon
// as this process opens a new client, so nothing new may be opened until
// they are closed (settle()).
//
// The sweep and settle() run on the platform's one thread (the window
// thread); they take each device's own lock, never the platform's (which
// listDevices takes alone). The reaper's queue lock is taken alone, never
// while calling RtMidi.
class RtMidiReaper
{
public:
    // The platform's open devices, as the sweep finds them.
    struct OpenDevices
    {
        std::vector<std::pair<MidiHandle, std::shared_ptr<RtMidiOutDevice>>> outs;
        std::vector<std::shared_ptr<RtMidiInDevice>> ins;
    };
    using ListDevices = std::function<OpenDevices()>;
    // Hands an output's blocks still queued back as not sent.
    using DropQueued = std::function<void(MidiHandle handle)>;

    RtMidiReaper(ListDevices listDevices, DropQueued dropQueued);
    ~RtMidiReaper();
    RtMidiReaper(const RtMidiReaper &) = delete;
    RtMidiReaper &operator=(const RtMidiReaper &) = delete;

    // Hands the clients of devices whose server has ended to the reaping
    // thread, with deviceWatch (the platform's watch of the server) when it
    // heard of the end; their handles stay, and every call on them fails
    // DeviceGone at once until the port closes them.
    void sweep(std::unique_ptr<RtMidiJackWatch> &deviceWatch);
    // What comes before a new client is opened: sweeps, and waits at most
    // waitMs until the clients taken are closed. False while some still
    // close (nothing may be opened then).
    bool settle(int waitMs, std::unique_ptr<RtMidiJackWatch> &deviceWatch);
    // An output nobody sends through any more: closed and silenced, its
    // client closed here when it is on a dead server (or its port went).
    void letGo(std::shared_ptr<RtMidiOutDevice> device);
    // A watch of a server that has ended.
    void buryWatch(std::unique_ptr<RtMidiJackWatch> watch);
    // Closes what is left and ends the thread.
    void finish();

private:
    // What is left of a device: its RtMidi client and watch; `keep` holds
    // the device (whose address RtMidi's callbacks carry) until they are closed.
    struct Remains
    {
        std::shared_ptr<void> keep;
        std::unique_ptr<RtMidiOut> out;
        std::unique_ptr<RtMidiIn> in;
        std::unique_ptr<RtMidiJackWatch> watch;
    };

    ListDevices m_listDevices;
    DropQueued m_dropQueued;
    WorkQueue<Remains> m_queue;
};
