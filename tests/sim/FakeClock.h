#pragma once

#include "Sleeper.h"

#include <atomic>

// Virtual time: a wait moves the clock on at once, so the spacing of what is
// stamped with it is exact and tests take no real time.
class FakeClock : public Sleeper
{
public:
    void sleep(int milliseconds) override
    {
        if (milliseconds > 0)
            m_ns += qint64(milliseconds) * 1000000;
    }
    qint64 nowNs() const override { return m_ns; }

private:
    std::atomic<qint64> m_ns{0};
};
