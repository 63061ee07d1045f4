#include "RtMidiJackWatch.h"

#include "JackClientLock.h"

#include <chrono>
#include <thread>

#if __has_include(<jack/jack.h>)
#define VENTARO_JACK_WATCH 1
#include <jack/jack.h>
#endif

namespace {

// Periods after which everything written before the first of them has
// surely left the ring buffer: the period running while it was written may
// have drained RtMidi's ring buffer before the write, the next one drains it
// after, and the one after that proves the next one is over.
constexpr unsigned long DrainPeriods = 3;
constexpr auto PollInterval = std::chrono::milliseconds(1);

} // namespace

RtMidiJackWatch::RtMidiJackWatch(const std::string &clientName, std::function<void()> ended,
                                 std::function<void()> portsChanged)
    : m_ended(std::move(ended)), m_portsChanged(std::move(portsChanged))
{
#ifdef VENTARO_JACK_WATCH
    jack_status_t status{};
    {
        const JackClientLock opening;
        m_client = jack_client_open(clientName.c_str(), JackNoStartServer, &status);
    }
    if (!m_client)
        return;
    jack_set_process_callback(m_client, &RtMidiJackWatch::onProcess, this);
    jack_on_shutdown(m_client, &RtMidiJackWatch::onShutdown, this);
    jack_set_port_registration_callback(m_client, &RtMidiJackWatch::onRegistration, this);
    m_alive = true;
    if (jack_activate(m_client) != 0) {
        m_alive = false;
        jack_client_close(m_client);
        m_client = nullptr;
    }
#else
    (void)clientName;
    m_alive = true; // without the JACK API nothing can be watched
#endif
}

RtMidiJackWatch::~RtMidiJackWatch()
{
#ifdef VENTARO_JACK_WATCH
    if (m_client)
        jack_client_close(m_client);
#endif
}

bool RtMidiJackWatch::alive() const
{
    return m_alive.load();
}

bool RtMidiJackWatch::serverAnswers()
{
#ifdef VENTARO_JACK_WATCH
    if (!m_client || !m_alive)
        return false;
    std::lock_guard asking(m_asking);
    // Any request the server must answer; this one changes nothing.
    char *uuid = jack_get_uuid_for_client_name(m_client, jack_get_client_name(m_client));
    if (!uuid) {
        m_alive = false;
        return false;
    }
    jack_free(uuid);
#endif
    return m_alive.load();
}

std::vector<std::string> RtMidiJackWatch::connectionsOf([[maybe_unused]] const std::string &portName)
{
    std::vector<std::string> names;
#ifdef VENTARO_JACK_WATCH
    if (!m_client || !m_alive)
        return names;
    std::lock_guard asking(m_asking);
    jack_port_t *port = jack_port_by_name(m_client, portName.c_str());
    if (!port)
        return names;
    const char **connected = jack_port_get_all_connections(m_client, port);
    for (const char **name = connected; name && *name; ++name)
        names.emplace_back(*name);
    jack_free(connected);
#endif
    return names;
}

int RtMidiJackWatch::onProcess(unsigned int, void *self)
{
    static_cast<RtMidiJackWatch *>(self)->m_periods.fetch_add(1);
    return 0;
}

void RtMidiJackWatch::watchPort([[maybe_unused]] const std::string &portName)
{
#ifdef VENTARO_JACK_WATCH
    if (!m_client)
        return;
    jack_port_t *port = jack_port_by_name(m_client, portName.c_str());
    m_portGone = false;
    m_watched = port;
    // Gone before it was watched, or in between: the callback compared its
    // port with the one watched before.
    if (!port || jack_port_by_name(m_client, portName.c_str()) != port)
        m_portGone = true;
#endif
}

bool RtMidiJackWatch::portGone() const
{
    return m_portGone.load();
}

void RtMidiJackWatch::onRegistration([[maybe_unused]] unsigned int port, int registered, void *self)
{
    auto *watch = static_cast<RtMidiJackWatch *>(self);
#ifdef VENTARO_JACK_WATCH
    // Looking a port up by its number asks libjack only, not the server.
    if (!registered) {
        jack_port_t *watched = watch->m_watched.load();
        if (watched && jack_port_by_id(watch->m_client, port) == watched)
            watch->m_portGone = true;
    }
#else
    (void)registered;
#endif
    if (watch->m_portsChanged)
        watch->m_portsChanged();
}

void RtMidiJackWatch::onShutdown(void *self)
{
    auto *watch = static_cast<RtMidiJackWatch *>(self);
    watch->m_alive = false;
    if (watch->m_ended)
        watch->m_ended();
}

bool RtMidiJackWatch::waitUntilPeriod(unsigned long period, int timeoutMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_periods.load() < period) {
        if (!m_alive || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(PollInterval);
    }
    return m_alive.load();
}

bool RtMidiJackWatch::waitPeriods([[maybe_unused]] unsigned long periods,
                                  [[maybe_unused]] int timeoutMs)
{
#ifdef VENTARO_JACK_WATCH
    return waitUntilPeriod(m_periods.load() + periods, timeoutMs);
#else
    return true;
#endif
}

bool RtMidiJackWatch::waitForRoom([[maybe_unused]] std::size_t size, [[maybe_unused]] int timeoutMs)
{
#ifdef VENTARO_JACK_WATCH
    const std::size_t cost = size + MessageOverhead;
    if (!m_alive || cost > RingBytes)
        return false;

    const unsigned long now = m_periods.load();
    if (now >= m_markPeriod + DrainPeriods) {
        m_pendingBytes = 0;
        m_markPeriod = now;
    }
    if (m_pendingBytes + cost > RingBytes) {
        if (!waitUntilPeriod(m_markPeriod + DrainPeriods, timeoutMs))
            return false;
        m_pendingBytes = 0;
        m_markPeriod = m_periods.load();
    }
    m_pendingBytes += cost;
    return m_alive.load();
#else
    return true;
#endif
}
