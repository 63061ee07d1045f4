#pragma once

#include "Sleeper.h"

#include <QElapsedTimer>

// Real waits on the steady clock.
class SystemSleeper : public Sleeper
{
public:
    SystemSleeper();
    void sleep(int milliseconds) override;
    qint64 nowNs() const override;

private:
    QElapsedTimer m_clock;
};
