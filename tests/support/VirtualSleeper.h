#pragma once

#include "Sleeper.h"

#include <QList>

#include <atomic>

// A clock that only moves when the window thread waits: sleep() returns at
// once and advances the time by the wait. Records every wait.
class VirtualSleeper : public Sleeper
{
public:
    QList<int> waits;

    void sleep(int milliseconds) override
    {
        waits << milliseconds;
        m_now += qint64(milliseconds) * 1000000;
    }
    qint64 nowNs() const override { return m_now; }

private:
    std::atomic<qint64> m_now{1000000000};
};
