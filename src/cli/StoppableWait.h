#pragma once

#include "CloseOnSignal.h"

#include <QEventLoop>

// The wait a command hands to the request machinery (InstrumentFinder,
// VoiceFetcher): the event loop runs, so MIDI input arrives, for up to the
// time asked; SIGINT or SIGTERM (Ctrl+C) makes it, and every later wait,
// say stop. Wake() ends the wait under way early, when an answer came.
class StoppableWait
{
public:
    StoppableWait();

    StoppableWait(const StoppableWait &) = delete;
    StoppableWait &operator=(const StoppableWait &) = delete;

    // False once stopped.
    bool operator()(int milliseconds);
    void wake();
    bool stopped() const { return m_stopped; }

private:
    bool m_stopped = false;
    QEventLoop *m_loop = nullptr; // the wait under way
    CloseOnSignal m_signal;
};
