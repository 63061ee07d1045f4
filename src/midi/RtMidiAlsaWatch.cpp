#include "RtMidiAlsaWatch.h"

#include <regex>
#include <vector>

#if __has_include(<alsa/asoundlib.h>)
#define VENTARO_ALSA_WATCH 1
#include <alsa/asoundlib.h>
#include <poll.h>
#endif

namespace {

constexpr const char *ClientName = "Ventaro devices";
constexpr const char *PortName = "announce";
// How long the thread waits for an event before it looks whether to stop.
constexpr int PollTimeoutMs = 200;

} // namespace

RtMidiAlsaWatch::RtMidiAlsaWatch(std::function<void()> changed) : m_changed(std::move(changed))
{
#ifdef VENTARO_ALSA_WATCH
    snd_seq_t *seq = nullptr;
    if (snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK) < 0)
        return;
    snd_seq_set_client_name(seq, ClientName);
    const int port = snd_seq_create_simple_port(seq, PortName,
                                                SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_NO_EXPORT,
                                                SND_SEQ_PORT_TYPE_APPLICATION);
    if (port < 0
        || snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE)
               < 0) {
        snd_seq_close(seq);
        return;
    }
    m_seq = seq;
    m_thread = std::thread([this] { run(); });
#endif
}

RtMidiAlsaWatch::~RtMidiAlsaWatch()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
#ifdef VENTARO_ALSA_WATCH
    if (m_seq)
        snd_seq_close(m_seq);
#endif
}

RtMidiAlsaWatch::Address RtMidiAlsaWatch::addressOf(const std::string &portName)
{
    static const std::regex numbers(R"((\d+):(\d+)$)");
    std::smatch match;
    if (!std::regex_search(portName, match, numbers))
        return {-1, -1};
    return {std::stoi(match[1].str()), std::stoi(match[2].str())};
}

void RtMidiAlsaWatch::watch(Address address)
{
    std::lock_guard lock(m_mutex);
    m_watched.insert(address);
    m_gone.erase(address);
}

void RtMidiAlsaWatch::unwatch(Address address)
{
    std::lock_guard lock(m_mutex);
    m_watched.erase(address);
    m_gone.erase(address);
}

bool RtMidiAlsaWatch::gone(Address address) const
{
    std::lock_guard lock(m_mutex);
    return m_gone.count(address) > 0;
}

void RtMidiAlsaWatch::run()
{
#ifdef VENTARO_ALSA_WATCH
    const int count = snd_seq_poll_descriptors_count(m_seq, POLLIN);
    std::vector<pollfd> fds(std::size_t(count > 0 ? count : 1));
    snd_seq_poll_descriptors(m_seq, fds.data(), unsigned(fds.size()), POLLIN);
    while (!m_stopping) {
        if (poll(fds.data(), fds.size(), PollTimeoutMs) <= 0)
            continue;
        bool changed = false;
        snd_seq_event_t *event = nullptr;
        while (snd_seq_event_input(m_seq, &event) >= 0 && event) {
            switch (event->type) {
            case SND_SEQ_EVENT_CLIENT_START:
            case SND_SEQ_EVENT_PORT_START:
                changed = true;
                break;
            case SND_SEQ_EVENT_PORT_EXIT:
            case SND_SEQ_EVENT_CLIENT_EXIT: {
                changed = true;
                const snd_seq_addr_t &addr = event->data.addr;
                const bool wholeClient = event->type == SND_SEQ_EVENT_CLIENT_EXIT;
                std::lock_guard lock(m_mutex);
                for (const Address &watched : m_watched)
                    if (watched.first == addr.client
                        && (wholeClient || watched.second == addr.port))
                        m_gone.insert(watched);
                break;
            }
            default:
                break;
            }
        }
        if (changed && m_changed)
            m_changed();
    }
#endif
}
