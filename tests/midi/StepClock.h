#pragma once

#include "Sleeper.h"

#include <atomic>

// A clock that moves only when asked to: sleep() returns at once and moves
// the time on by the wait, so recorded times are exact.
class StepClock : public Sleeper
{
public:
    void sleep(int milliseconds) override { advanceMs(milliseconds); }
    qint64 nowNs() const override { return m_now; }
    void advanceMs(int milliseconds) { m_now += qint64(milliseconds) * 1000000; }

private:
    std::atomic<qint64> m_now{0};
};
