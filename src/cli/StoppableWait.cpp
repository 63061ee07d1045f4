#include "StoppableWait.h"

#include <QTimer>

StoppableWait::StoppableWait()
    : m_signal([this] {
          m_stopped = true;
          wake();
      })
{
}

bool StoppableWait::operator()(int milliseconds)
{
    if (m_stopped)
        return false;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(milliseconds);
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    return !m_stopped;
}

void StoppableWait::wake()
{
    if (m_loop)
        m_loop->quit();
}
