#pragma once

#include <memory>

class RtMidiJackWatch;
class RtMidiOut;

// How an RtMidi output is closed. RtMidi frees a JACK output's ring buffer
// before it closes the client, whose cycle may be reading that buffer at the
// moment: on a server that runs, the port closes first (a cycle that begins
// after that does not look at the buffer), and the cycle under way is given
// a few periods to end before the client goes.
namespace RtMidiOutClosing {

// Periods waited for the cycle under way, and how long at most (a busy
// server's periods are long; its cycles are no slower).
inline constexpr unsigned long Periods = 4;
inline constexpr int WaitMs = 200;

// Closes and destroys `out`; `watch` is a client of this process on the same
// server (none: not on JACK).
void close(std::unique_ptr<RtMidiOut> &out, RtMidiJackWatch *watch);

} // namespace RtMidiOutClosing
