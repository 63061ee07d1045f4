#include "LoopbackInputDevice.h"

MidiStreamParser::Options LoopbackInputDevice::parsing()
{
    MidiStreamParser::Options options;
    options.runningStatus = true;
    options.shortSpansFeeds = true;
    options.deliverCutSysEx = true;
    options.ignoreStrayEnd = true;
    return options;
}

LoopbackInputDevice::LoopbackInputDevice(const QString &name) : name(name) {}

void LoopbackInputDevice::open(MidiHandle opened, MidiCallback openedCallback)
{
    handle = opened;
    callback = std::move(openedCallback);
    started = false;
    buffers.forgetQueued();
    forgetInput();
}

void LoopbackInputDevice::forgetInput()
{
    buffers.dropWaiting();
    m_parser.reset();
}

void LoopbackInputDevice::read(const QByteArray &bytes, qint64 timeMs,
                               std::vector<MidiNotification> &out)
{
    MidiStreamParser::Handlers handlers;
    handlers.onShort = [&](quint32 message) {
        MidiNotification data;
        data.kind = MidiNotification::Data;
        data.message = message;
        data.timeMs = timeMs;
        out.push_back(data);
    };
    handlers.onSysEx = [&](const QByteArray &message) {
        buffers.take(message);
        buffers.drain(timeMs, out);
    };
    m_parser.feed(bytes, handlers);
}
