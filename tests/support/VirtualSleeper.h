#pragma once

#include "Sleeper.h"

#include <QList>

#include <atomic>

// The tests' one clock: it moves only when someone waits on it (or a test
// moves it), so the spacing of what is stamped with it is exact and no test
// takes real time. Records every wait, in order.
class VirtualSleeper : public Sleeper
{
public:
    QList<int> waits;

    void sleep(int milliseconds) override
    {
        waits << milliseconds;
        advanceMs(milliseconds);
    }
    qint64 nowNs() const override { return m_now; }
    // Time never runs backwards, whatever wait is asked for.
    void advanceMs(int milliseconds)
    {
        if (milliseconds > 0)
            m_now += qint64(milliseconds) * 1000000;
    }

private:
    std::atomic<qint64> m_now{0};
};
