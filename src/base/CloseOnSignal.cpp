#include "CloseOnSignal.h"

#include <QTimer>

#include <csignal>

namespace {

// Written by the signal handler, so of the one type a handler may write.
volatile std::sig_atomic_t signalCame = 0;

extern "C" void noteSignal(int)
{
    signalCame = 1;
}

} // namespace

CloseOnSignal::CloseOnSignal(std::function<void()> close, QObject *parent)
    : QObject(parent), m_close(std::move(close))
{
    signalCame = 0;
    std::signal(SIGINT, noteSignal);
    std::signal(SIGTERM, noteSignal);
    m_timer = new QTimer(this);
    m_timer->setInterval(PollIntervalMs);
    connect(m_timer, &QTimer::timeout, this, &CloseOnSignal::poll);
    m_timer->start();
}

CloseOnSignal::~CloseOnSignal()
{
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

void CloseOnSignal::poll()
{
    if (!signalCame)
        return;
    // A second signal while the window closes asks again.
    signalCame = 0;
    m_close();
}
