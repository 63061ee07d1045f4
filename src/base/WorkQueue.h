#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// A thread of its own that handles posted items one at a time, in the order
// posted, with no lock held while it does, so that a slow item never blocks
// the poster. The thread starts with the first item. finish() handles what
// is still queued, then ends the thread; an item posted after it is dropped.
template <typename Item>
class WorkQueue
{
public:
    using Handler = std::function<void(Item &)>;

    explicit WorkQueue(Handler handler) : m_handler(std::move(handler)) {}
    ~WorkQueue() { finish(); }
    WorkQueue(const WorkQueue &) = delete;
    WorkQueue &operator=(const WorkQueue &) = delete;

    // False, the item dropped, once finish() has been called.
    bool post(Item item)
    {
        {
            std::lock_guard lock(m_mutex);
            if (m_finishing)
                return false;
            m_queue.push_back(std::move(item));
            if (!m_thread.joinable())
                m_thread = std::thread([this] { run(); });
        }
        m_changed.notify_all();
        return true;
    }

    // Whether items are queued or one is being handled.
    bool busy() const
    {
        std::lock_guard lock(m_mutex);
        return m_handling || !m_queue.empty();
    }

    // Waits, at most waitMs, until it is not busy.
    void waitIdle(int waitMs) const
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, std::chrono::milliseconds(waitMs),
                           [this] { return !m_handling && m_queue.empty(); });
    }

    void finish()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finishing = true;
        }
        m_changed.notify_all();
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_finishing || !m_queue.empty(); });
            if (m_queue.empty())
                return;
            m_handling = true;
            {
                // Taken out and let go of without the lock: an item may be
                // slow to destroy as well as to handle.
                Item item = std::move(m_queue.front());
                m_queue.pop_front();
                lock.unlock();
                m_handler(item);
            }
            lock.lock();
            m_handling = false;
            m_changed.notify_all();
        }
    }

    const Handler m_handler;
    // Guards the members below; never held while an item is handled.
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::deque<Item> m_queue;
    bool m_handling = false;
    bool m_finishing = false;
    std::thread m_thread;
};
