#include "RtMidiReaper.h"

#include <chrono>

RtMidiReaper::~RtMidiReaper()
{
    finish();
}

void RtMidiReaper::bury(Remains remains)
{
    {
        std::lock_guard lock(m_mutex);
        m_toReap.push_back(std::move(remains));
        if (!m_thread.joinable())
            m_thread = std::thread([this] { reap(); });
    }
    m_wake.notify_all();
}

void RtMidiReaper::reap()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_toReap.empty(); });
        if (m_toReap.empty())
            return;
        std::vector<Remains> remains;
        remains.swap(m_toReap);
        m_reaping = true;
        lock.unlock();
        for (Remains &each : remains) {
            each.out.reset();
            each.in.reset();
            each.watch.reset();
        }
        remains.clear();
        lock.lock();
        m_reaping = false;
        m_wake.notify_all();
    }
}

void RtMidiReaper::waitIdle(int waitMs) const
{
    std::unique_lock lock(m_mutex);
    m_wake.wait_for(lock, std::chrono::milliseconds(waitMs),
                    [this] { return !m_reaping && m_toReap.empty(); });
}

bool RtMidiReaper::busy() const
{
    std::lock_guard lock(m_mutex);
    return m_reaping || !m_toReap.empty();
}

void RtMidiReaper::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}
