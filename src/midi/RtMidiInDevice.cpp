#include "RtMidiInDevice.h"

#include "Sleeper.h"

#include <RtMidi.h>

namespace {

constexpr qint64 NsPerMs = 1000000;

} // namespace

MidiStreamParser::Options RtMidiInDevice::parsing(std::size_t blockLimit)
{
    MidiStreamParser::Options options;
    options.blockLimit = blockLimit;
    return options;
}

RtMidiInDevice::RtMidiInDevice(Sleeper &clock) : clock(clock) {}

RtMidiInDevice::~RtMidiInDevice() = default;

qint64 RtMidiInDevice::sinceStartMs() const
{
    return (clock.nowNs() - startNs) / NsPerMs;
}

bool RtMidiInDevice::gone()
{
    return !in || (watch && (!watch->alive() || watch->portGone()))
           || (alsa && alsa->gone(address));
}

void RtMidiInDevice::raise(const std::vector<MidiNotification> &notifications)
{
    if (!callback)
        return;
    for (const MidiNotification &notification : notifications)
        callback(notification);
}

void RtMidiInDevice::drain()
{
    std::vector<MidiNotification> filled;
    buffers.drain(sinceStartMs(), filled);
    raise(filled);
}

void RtMidiInDevice::take(const unsigned char *bytes, std::size_t count)
{
    MidiStreamParser::Handlers handlers;
    handlers.onShort = [this](quint32 message) {
        MidiNotification data;
        data.kind = MidiNotification::Data;
        data.message = message;
        data.timeMs = sinceStartMs();
        raise({data});
    };
    handlers.onSysEx = [this](const QByteArray &block) {
        buffers.take(block);
        drain();
    };
    parser.feed(reinterpret_cast<const char *>(bytes), count, handlers);
}

void RtMidiInDevice::onInput(double, std::vector<unsigned char> *message, void *self)
{
    auto *device = static_cast<RtMidiInDevice *>(self);
    if (!message || message->empty())
        return;
    std::lock_guard lock(device->mutex);
    if (device->closed || !device->started)
        return;
    device->take(message->data(), message->size());
}
