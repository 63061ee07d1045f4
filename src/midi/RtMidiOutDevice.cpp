#include "RtMidiOutDevice.h"

#include "RtMidiOutClosing.h"
#include "RtMidiPlatform.h"

RtMidiOutDevice::~RtMidiOutDevice()
{
    RtMidiOutClosing::close(out, watch.get());
}

void RtMidiOutDevice::silence()
{
    {
        std::lock_guard lock(relay->mutex);
        relay->notifier = nullptr;
    }
    notifier.reset();
}

void RtMidiOutDevice::onError(RtMidiError::Type, const std::string &, void *self)
{
    static_cast<RtMidiOutDevice *>(self)->errorSeen = true;
}

bool RtMidiOutDevice::gone()
{
    return failed || (watch && (!watch->alive() || watch->portGone()))
           || (alsa && alsa->gone(address));
}

bool RtMidiOutDevice::portWent()
{
    return portLost || (watch && watch->portGone()) || (alsa && alsa->gone(address));
}

bool RtMidiOutDevice::patiently(const std::function<bool()> &wait)
{
    // A server that still answers is busy, not gone: its cycles are waited
    // for a while longer; one that does not answer has ended.
    for (int waitedMs = 0;; waitedMs += RtMidiPlatform::SendWaitMs) {
        if (wait())
            return true;
        if (waitedMs + RtMidiPlatform::SendWaitMs >= RtMidiPlatform::BusyServerMs
            || !watch->serverAnswers())
            return false;
    }
}

MidiPlatform::Result RtMidiOutDevice::send(const QByteArray &bytes, bool block)
{
    std::lock_guard lock(sending);
    if (closed)
        return MidiPlatform::InvalidHandle;
    if (gone())
        return MidiPlatform::DeviceGone;
    if (watch && !patiently([&] {
            return watch->waitForRoom(std::size_t(bytes.size()), RtMidiPlatform::SendWaitMs);
        })) {
        failed = true;
        return MidiPlatform::DeviceGone;
    }
    errorSeen = false;
    try {
        out->sendMessage(reinterpret_cast<const unsigned char *>(bytes.constData()),
                         std::size_t(bytes.size()));
    } catch (const RtMidiError &) {
        failed = true;
    }
    if (errorSeen)
        failed = true;
    // A block counts as sent once the server has taken it: JACK moves it
    // from RtMidi's ring buffer into the port in the next period. A server
    // that ended a moment ago still takes the ring buffer's bytes, and only
    // a period that never comes tells it.
    if (!failed && block && watch) {
        const unsigned long taken = watch->period() + RtMidiPlatform::TakenPeriods;
        failed = !patiently(
            [&] { return watch->waitUntilPeriod(taken, RtMidiPlatform::SendWaitMs); });
    }
    return failed ? MidiPlatform::DeviceGone : MidiPlatform::NoError;
}
