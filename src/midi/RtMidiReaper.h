#pragma once

#include "MidiPlatform.h"
#include "RtMidiJackWatch.h"
#include "WorkQueue.h"

#include <RtMidi.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class RtMidiInDevice;
class RtMidiOutDevice;

// Closes, on a thread of its own, the RtMidi clients of a JACK server that
// has ended: RtMidi waits a second for each of them, and libjack frees them
// under us as soon as this process opens a new client, so nothing new may be
// opened until they are closed (busy()).
//
// sweep() and let() run on the platform's thread, the only one that takes a
// client or watch away from its device. They take a device's own lock while
// they look at it, never the platform's.
class RtMidiReaper
{
public:
    // What is left of a device: its RtMidi client and watch; `keep` holds
    // the device (whose address RtMidi's callbacks carry) until they are closed.
    struct Remains
    {
        std::shared_ptr<void> keep;
        std::unique_ptr<RtMidiOut> out;
        std::unique_ptr<RtMidiIn> in;
        std::unique_ptr<RtMidiJackWatch> watch;
    };

    // The platform's open devices, as they were a moment ago.
    using Outs = std::vector<std::pair<MidiHandle, std::shared_ptr<RtMidiOutDevice>>>;
    using Ins = std::vector<std::shared_ptr<RtMidiInDevice>>;
    // Hands back what is still queued for an output whose client was taken.
    using HandBack = std::function<void(MidiHandle handle)>;

    RtMidiReaper();
    RtMidiReaper(const RtMidiReaper &) = delete;
    RtMidiReaper &operator=(const RtMidiReaper &) = delete;

    void bury(Remains remains);
    // Takes the JACK clients of devices whose server has ended (and of
    // outputs whose device went), with the platform's own watch. The devices
    // keep their place: every call on them fails DeviceGone at once until
    // the port closes them.
    void sweep(const Outs &outs, const Ins &ins, std::unique_ptr<RtMidiJackWatch> &deviceWatch,
               const HandBack &handBack);
    // Marks an output nobody sends through any more closed, silences it, and
    // takes its client when it is gone (RtMidi waits a second to close one
    // of a dead server).
    void let(const std::shared_ptr<RtMidiOutDevice> &device);
    // Whether clients are still being closed.
    bool busy() const;
    // Waits, at most waitMs, until none is.
    void waitIdle(int waitMs) const;
    // Closes what is left and ends the thread.
    void finish();

private:
    // Its lock is taken alone, never while calling RtMidi.
    WorkQueue<Remains> m_queue;
};
