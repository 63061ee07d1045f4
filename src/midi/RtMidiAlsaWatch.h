#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <utility>

struct _snd_seq;

// Follows the ALSA sequencer's announce port (System:Announce) through a
// client of its own: clients and ports that come and go. RtMidi's ALSA
// backend reports neither, and sends to a port that went away without an
// error (the sequencer drops the events).
//
// The watch tells whoever wants to know that devices changed, and keeps the
// addresses (client:port) of the ports that went away since they were
// watched, so a sender can tell that its device is gone.
class RtMidiAlsaWatch
{
public:
    // An ALSA sequencer address: client, port.
    using Address = std::pair<int, int>;

    // `changed` runs on the watch's own thread.
    explicit RtMidiAlsaWatch(std::function<void()> changed);
    ~RtMidiAlsaWatch();

    RtMidiAlsaWatch(const RtMidiAlsaWatch &) = delete;
    RtMidiAlsaWatch &operator=(const RtMidiAlsaWatch &) = delete;

    // False when the sequencer could not be opened.
    bool alive() const { return m_seq != nullptr; }

    // The address at the end of an ALSA port name as RtMidi lists it
    // ("Name client:port"); (-1, -1) when there is none.
    static Address addressOf(const std::string &portName);

    // From now on, whether the port at `address` went away.
    void watch(Address address);
    void unwatch(Address address);
    bool gone(Address address) const;

private:
    void run();

    _snd_seq *m_seq = nullptr;
    std::function<void()> m_changed;
    // Guards the watched addresses and those gone; taken last (callers may
    // hold a device's lock).
    mutable std::mutex m_mutex;
    std::set<Address> m_watched; // guarded by m_mutex
    std::set<Address> m_gone;    // guarded by m_mutex
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};
