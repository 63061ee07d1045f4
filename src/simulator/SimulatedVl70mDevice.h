#pragma once

#include "LoopbackMidi.h"
#include "SimulatedVl70m.h"

#include <QString>

#include <memory>
#include <thread>

class Sleeper;

// The simulated instrument as one MIDI device pair of a loopback platform:
// what the program sends to the pair's output device reaches the
// instrument, and what the instrument sends comes in at the pair's input
// device.
//
// The instrument runs on a thread of its own: the loopback's sender thread
// only queues each message, and the instrument's thread takes it from there
// and sends its answers, so nothing is answered from inside a platform
// callback. Both the platform and the clock are not owned and must outlive
// the device pair.
class SimulatedVl70mDevice
{
public:
    static inline const QString DefaultName = QStringLiteral("Simulated VL70-m");

    SimulatedVl70mDevice(LoopbackMidi &platform, Sleeper &clock, const QString &name = DefaultName);
    ~SimulatedVl70mDevice();

    SimulatedVl70mDevice(const SimulatedVl70mDevice &) = delete;
    SimulatedVl70mDevice &operator=(const SimulatedVl70mDevice &) = delete;

    SimulatedVl70m &instrument() { return m_instrument; }
    const SimulatedVl70m &instrument() const { return m_instrument; }
    // The pair's device numbers on the loopback platform.
    LoopbackMidi::DevicePair devices() const { return m_devices; }

    // Blocks until every message that reached the pair so far has been
    // handled, answers included.
    void waitUntilIdle();

private:
    struct Inbox;
    class StoppableClock;

    void run();

    LoopbackMidi &m_platform;
    LoopbackMidi::DevicePair m_devices;
    std::shared_ptr<Inbox> m_inbox;
    std::unique_ptr<StoppableClock> m_clock;
    SimulatedVl70m m_instrument;
    std::thread m_thread;
};
