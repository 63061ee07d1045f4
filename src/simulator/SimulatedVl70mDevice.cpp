#include "SimulatedVl70mDevice.h"

#include "Sleeper.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>

// Messages waiting for the instrument's thread. Shared with the platform's
// receiver so that a message arriving while the pair shuts down finds it
// still there.
struct SimulatedVl70mDevice::Inbox
{
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<QByteArray> messages;
    bool busy = false;
    bool stopping = false;
};

// The instrument's waits go through the injected clock in short steps, so a
// dump-out in progress ends soon once the pair shuts down.
class SimulatedVl70mDevice::StoppableClock : public Sleeper
{
public:
    StoppableClock(Sleeper &clock, std::shared_ptr<Inbox> inbox)
        : m_clock(clock), m_inbox(std::move(inbox))
    {
    }

    void sleep(int milliseconds) override
    {
        static constexpr int stepMs = 10;
        while (milliseconds > 0 && !stopping()) {
            const int step = std::min(milliseconds, stepMs);
            m_clock.sleep(step);
            milliseconds -= step;
        }
    }
    qint64 nowNs() const override { return m_clock.nowNs(); }

private:
    bool stopping() const
    {
        std::lock_guard lock(m_inbox->mutex);
        return m_inbox->stopping;
    }

    Sleeper &m_clock;
    std::shared_ptr<Inbox> m_inbox;
};

SimulatedVl70mDevice::SimulatedVl70mDevice(LoopbackMidi &platform, Sleeper &clock,
                                           const QString &name)
    : m_platform(platform), m_devices(platform.addDevicePair(name)),
      m_inbox(std::make_shared<Inbox>()), m_clock(std::make_unique<StoppableClock>(clock, m_inbox)),
      m_instrument(*m_clock)
{
    const int input = m_devices.input;
    m_instrument.setSender([this, input](const QByteArray &message) {
        {
            std::lock_guard lock(m_inbox->mutex);
            if (m_inbox->stopping)
                return;
        }
        m_platform.inject(input, message);
    });
    m_platform.setReceiver(m_devices.output,
                           [inbox = m_inbox](int, const QByteArray &message, qint64) {
                               {
                                   std::lock_guard lock(inbox->mutex);
                                   if (inbox->stopping)
                                       return;
                                   inbox->messages.push_back(message);
                               }
                               inbox->changed.notify_all();
                           });
    m_thread = std::thread([this] { run(); });
}

SimulatedVl70mDevice::~SimulatedVl70mDevice()
{
    m_platform.setReceiver(m_devices.output, {});
    {
        std::lock_guard lock(m_inbox->mutex);
        m_inbox->stopping = true;
    }
    m_inbox->changed.notify_all();
    m_thread.join();
}

void SimulatedVl70mDevice::run()
{
    for (;;) {
        QByteArray message;
        {
            std::unique_lock lock(m_inbox->mutex);
            m_inbox->busy = false;
            m_inbox->changed.notify_all();
            m_inbox->changed.wait(
                lock, [this] { return m_inbox->stopping || !m_inbox->messages.empty(); });
            if (m_inbox->stopping)
                return;
            message = std::move(m_inbox->messages.front());
            m_inbox->messages.pop_front();
            m_inbox->busy = true;
        }
        m_instrument.receive(message);
    }
}

void SimulatedVl70mDevice::waitUntilIdle()
{
    m_platform.waitUntilSent();
    std::unique_lock lock(m_inbox->mutex);
    m_inbox->changed.wait(lock, [this] {
        return m_inbox->stopping || (m_inbox->messages.empty() && !m_inbox->busy);
    });
}
