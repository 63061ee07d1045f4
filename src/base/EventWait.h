#pragma once

// Waits while the thread's events are handled: what a window does while it
// waits for answers that arrive as events (MIDI input is delivered on the
// window thread), so that the window stays alive and a "Stop" is seen.
class EventWait
{
public:
    // Runs the calling thread's event loop for `milliseconds`.
    static void forMs(int milliseconds);
};
