#pragma once

#include <QString>

#include <functional>

// While one lives, the first JACK client this process opens under
// `clientName` is held once libjack has bound the socket the server calls it
// back on (/dev/shm/jack_<name>_<uid>_0, the same path for a client of that
// name on any server): `meanwhile` runs, then the open waits until another
// process bound that path, or `holdMs` passed. The test executable that
// links HeldJackOpen.cpp stands in front of libc's bind.
class HeldJackOpen
{
public:
    HeldJackOpen(const QString &clientName, std::function<void()> meanwhile, int holdMs);
    ~HeldJackOpen();
    HeldJackOpen(const HeldJackOpen &) = delete;
    HeldJackOpen &operator=(const HeldJackOpen &) = delete;

    // An open was held.
    bool held() const { return m_held; }

private:
    friend void holdJackOpen(const char *path);

    QString m_clientName;
    std::function<void()> m_meanwhile;
    int m_holdMs;
    bool m_held = false;
};
