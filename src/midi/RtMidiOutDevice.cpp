#include "RtMidiOutDevice.h"

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
