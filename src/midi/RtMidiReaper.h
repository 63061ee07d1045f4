#pragma once

#include "RtMidiJackWatch.h"
#include "WorkQueue.h"

#include <RtMidi.h>

#include <memory>

// Closes, on a thread of its own, the RtMidi clients of a JACK server that
// has ended: RtMidi waits a second for each of them, and libjack frees them
// under us as soon as this process opens a new client, so nothing new may be
// opened until they are closed (busy()).
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

    RtMidiReaper();
    RtMidiReaper(const RtMidiReaper &) = delete;
    RtMidiReaper &operator=(const RtMidiReaper &) = delete;

    void bury(Remains remains);
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
