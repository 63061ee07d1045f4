#pragma once

// Held while this program opens a JACK client.
//
// libjack has the server call a new client back on a socket named after the
// client alone (/dev/shm/jack_<name>_<uid>_0), the same path on every server.
// Two processes opening clients of the same name at once, on one server or
// two, take that path from each other: one open fails, and libjack may even
// take its server for ended and free its other clients. The program's
// processes open their clients one at a time: under a lock on a file of the
// user's beside those sockets. One that waited WaitMs for it (a process stuck
// while opening) goes on without it.
//
// libjack prints its complaints on standard error; from the first lock on
// they go to the "ventaro.jack" logging category (debug, off unless asked
// for with QT_LOGGING_RULES), so a user reads only the program's own error.
class JackClientLock
{
public:
    static constexpr int WaitMs = 5000;

    JackClientLock();
    ~JackClientLock();
    JackClientLock(const JackClientLock &) = delete;
    JackClientLock &operator=(const JackClientLock &) = delete;

private:
    int m_fd = -1;
};
