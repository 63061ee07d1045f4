#pragma once

#include <QtGlobal>

// The program's one clock and its blocking waits. The window thread waits
// through it between messages, and the loopback MIDI devices stamp what
// they record with the same clock, so tests can measure the spacing.
class Sleeper
{
public:
    virtual ~Sleeper() = default;
    // Blocks the calling thread for the given milliseconds (no events handled).
    virtual void sleep(int milliseconds) = 0;
    // Monotonic time in nanoseconds since an arbitrary start.
    virtual qint64 nowNs() const = 0;
};
