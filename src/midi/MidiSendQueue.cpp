#include "MidiSendQueue.h"

#include <chrono>

MidiSendQueue::MidiSendQueue(Transmit transmit) : m_transmit(std::move(transmit))
{
    m_thread = std::thread([this] { run(); });
}

MidiSendQueue::~MidiSendQueue()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void MidiSendQueue::addHandle(MidiHandle handle, MidiCallback callback)
{
    std::lock_guard lock(m_mutex);
    m_callbacks[handle] = std::move(callback);
}

void MidiSendQueue::removeHandle(MidiHandle handle)
{
    std::lock_guard notify(m_notifyMutex);
    std::lock_guard lock(m_mutex);
    m_callbacks.erase(handle);
    for (auto it = m_queue.begin(); it != m_queue.end();) {
        if (it->item.handle == handle) {
            if (it->item.header)
                it->item.header->flags &= ~quint32(MidiHeader::InQueue);
            it = m_queue.erase(it);
        } else {
            ++it;
        }
    }
    m_idle.notify_all();
}

bool MidiSendQueue::post(Item item)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_stopping || !m_callbacks.count(item.handle))
            return false;
        m_queue.push_back(Entry{std::move(item), false});
    }
    m_wake.notify_one();
    return true;
}

bool MidiSendQueue::busyWith(MidiHandle handle) const
{
    if (m_inFlight && m_inFlight->item.handle == handle)
        return true;
    for (const Entry &entry : m_queue)
        if (entry.item.handle == handle)
            return true;
    return false;
}

bool MidiSendQueue::flush(MidiHandle handle, int timeoutMs, int droppedResult)
{
    std::vector<MidiHeader *> unreported;
    MidiCallback callback;
    {
        std::unique_lock lock(m_mutex);
        if (m_idle.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                            [&] { return !busyWith(handle); }))
            return true;
        if (m_inFlight && m_inFlight->item.handle == handle && m_inFlight->item.header
            && !m_inFlight->reported) {
            m_inFlight->reported = true;
            unreported.push_back(m_inFlight->item.header);
        }
        for (auto it = m_queue.begin(); it != m_queue.end();) {
            if (it->item.handle == handle) {
                if (it->item.header)
                    unreported.push_back(it->item.header);
                it = m_queue.erase(it);
            } else {
                ++it;
            }
        }
        auto found = m_callbacks.find(handle);
        if (found != m_callbacks.end())
            callback = found->second;
    }
    std::lock_guard notify(m_notifyMutex);
    {
        // A removeHandle in between silences the handle.
        std::lock_guard lock(m_mutex);
        if (!m_callbacks.count(handle))
            return false;
    }
    for (MidiHeader *header : unreported)
        raiseDone(header, callback, droppedResult);
    return false;
}

void MidiSendQueue::waitIdle()
{
    std::unique_lock lock(m_mutex);
    m_idle.wait(lock, [&] { return m_queue.empty() && !m_inFlight; });
}

void MidiSendQueue::raiseDone(MidiHeader *header, const MidiCallback &callback, int result)
{
    header->flags &= ~quint32(MidiHeader::InQueue);
    header->flags |= MidiHeader::Done;
    if (callback) {
        MidiNotification done;
        done.kind = MidiNotification::Done;
        done.header = header;
        done.result = result;
        callback(done);
    }
}

void MidiSendQueue::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [&] { return m_stopping || !m_queue.empty(); });
        if (m_queue.empty())
            break; // stopping, and everything has left
        Entry entry = std::move(m_queue.front());
        m_queue.pop_front();
        m_inFlight = &entry;
        lock.unlock();

        const MidiPlatform::Result result = m_transmit(entry.item);

        {
            std::lock_guard notify(m_notifyMutex);
            lock.lock();
            MidiCallback callback;
            bool report = false;
            if (entry.item.header && !entry.reported) {
                auto found = m_callbacks.find(entry.item.handle);
                if (found != m_callbacks.end()) {
                    report = true;
                    callback = found->second;
                    entry.reported = true;
                }
            }
            lock.unlock();
            if (report)
                raiseDone(entry.item.header, callback, result);
            lock.lock();
            m_inFlight = nullptr;
        }
        m_idle.notify_all();
    }
    m_inFlight = nullptr;
    m_idle.notify_all();
}
