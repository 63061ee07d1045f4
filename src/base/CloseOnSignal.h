#pragma once

#include <QObject>

#include <functional>

class QTimer;

// SIGINT and SIGTERM (Ctrl+C in a terminal, the end of a desktop session)
// end the program the way it ends by itself: the window closes as its close
// button does (the slot names are saved), a command line run saves what it
// received. The handler only sets a flag: nothing else may run inside it,
// so a timer of the main thread looks at the flag and calls `close`.
class CloseOnSignal : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollIntervalMs = 200;

    // Installs the handlers at once, so a signal that comes before the event
    // loop runs is still taken (at the loop's first look).
    explicit CloseOnSignal(std::function<void()> close, QObject *parent = nullptr);
    // Gives both signals their default handling back.
    ~CloseOnSignal() override;

    CloseOnSignal(const CloseOnSignal &) = delete;
    CloseOnSignal &operator=(const CloseOnSignal &) = delete;

private:
    void poll();

    std::function<void()> m_close;
    QTimer *m_timer = nullptr;
};
