#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct _jack_client;
struct _jack_port;

// Watches the JACK server that RtMidi's JACK ports live on, through a client
// of its own: RtMidi says nothing when the server goes away, and its send
// then waits forever for room in a ring buffer that nobody drains any more.
//
// The watch learns of the server's end from JACK itself and counts the
// server's periods, so that a sender can keep what it hands to RtMidi
// within one ring buffer per drain and never reaches that wait. It also
// follows ports coming and going (JACK's port registration callback): it
// tells whoever wants to know, and notices when the one port it watches
// (the device a port of ours is connected to) is gone, which RtMidi never
// reports: its messages would go nowhere. The port is watched itself, not
// its name: a port registered again under that name (the device's client
// ended and another took its place) is not connected to ours.
class RtMidiJackWatch
{
public:
    // Bytes RtMidi's JACK output keeps between two periods: its ring buffer
    // holds 16383 bytes and each message takes its length plus 4.
    static constexpr std::size_t RingBytes = 16383;
    static constexpr std::size_t MessageOverhead = 4;

    // Connects to the server chosen by the environment (never starts one).
    // `ended` runs on a JACK thread when the server goes away, `portsChanged`
    // when any port of the server is registered or unregistered.
    explicit RtMidiJackWatch(const std::string &clientName, std::function<void()> ended = {},
                             std::function<void()> portsChanged = {});
    ~RtMidiJackWatch();

    RtMidiJackWatch(const RtMidiJackWatch &) = delete;
    RtMidiJackWatch &operator=(const RtMidiJackWatch &) = delete;

    // False when no server answered or the server has ended since.
    bool alive() const;

    // Asks the server something and waits for the answer; when none comes
    // the server has ended and the watch is no longer alive. JACK tells
    // the watch of the end some time after libjack itself knows (long
    // after, on a loaded machine), and a client opened in between has
    // libjack free this one under whoever closes it: this finds out at once.
    // Safe from any thread: one question at a time goes to the server.
    bool serverAnswers();

    // The full names of the ports connected to port `portName` (none when
    // there is no such port or the server has ended).
    std::vector<std::string> connectionsOf(const std::string &portName);

    // The full JACK name of the port to watch ("client:port"); gone at once
    // when no port of that name is registered now.
    void watchPort(const std::string &portName);
    // The watched port was unregistered since watchPort (whether or not a
    // port of the same name was registered since).
    bool portGone() const;

    // Called by the one sender before it hands a message of `size` bytes to
    // RtMidi. Waits, at most `timeoutMs`, until the ring buffer surely has
    // room. False when the server ended or made no progress in that time:
    // the message must not be sent.
    bool waitForRoom(std::size_t size, int timeoutMs);

    // Waits, at most `timeoutMs`, until the server has run `periods` more
    // periods. A port connected just now carries messages only from the
    // period after the connection took effect. False when the server ended
    // or stalled.
    bool waitPeriods(unsigned long periods, int timeoutMs);
    // The periods the server has run since the watch began.
    unsigned long period() const { return m_periods.load(); }
    // Polls until the server has run up to `period`; false when it ended or
    // timeoutMs passed first.
    bool waitUntilPeriod(unsigned long period, int timeoutMs) const;

private:
    static int onProcess(unsigned int frames, void *self);
    static void onShutdown(void *self);
    static void onRegistration(unsigned int port, int registered, void *self);

    _jack_client *m_client = nullptr;
    std::mutex m_asking; // the sender's and the sweep's questions, one at a time
    std::function<void()> m_ended;
    std::function<void()> m_portsChanged;
    std::atomic<_jack_port *> m_watched{nullptr};
    std::atomic<bool> m_portGone{false};
    std::atomic<bool> m_alive{false};
    std::atomic<unsigned long> m_periods{0};
    // Sender-side accounting (only the sender thread touches these).
    std::size_t m_pendingBytes = 0;
    unsigned long m_markPeriod = 0;
};
