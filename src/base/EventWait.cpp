#include "EventWait.h"

#include <QEventLoop>
#include <QTimer>

void EventWait::forMs(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}
