#include "SystemSleeper.h"

#include <QThread>

SystemSleeper::SystemSleeper()
{
    m_clock.start();
}

void SystemSleeper::sleep(int milliseconds)
{
    if (milliseconds > 0)
        QThread::msleep(static_cast<unsigned long>(milliseconds));
}

qint64 SystemSleeper::nowNs() const
{
    return m_clock.nsecsElapsed();
}
