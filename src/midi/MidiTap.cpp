#include "MidiTap.h"

#include "MidiBytes.h"

#include <thread>

MidiTap::MidiTap(MidiPlatform &inner) : m_inner(inner) {}

void MidiTap::setLog(MidiLog *log)
{
    m_log = log;
    // A record that took the old log before the exchange finishes first.
    while (m_recording > 0)
        std::this_thread::yield();
}

void MidiTap::record(MidiLog::Direction direction, const QString &port, QByteArrayView bytes)
{
    if (!m_log.load(std::memory_order_relaxed))
        return;
    ++m_recording;
    if (MidiLog *log = m_log)
        log->record(direction, port, bytes);
    --m_recording;
}

QString MidiTap::outName(MidiHandle handle) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_outNames.find(handle);
    return it == m_outNames.end() ? QString() : it->second;
}

int MidiTap::outDeviceCount() const
{
    return m_inner.outDeviceCount();
}

QString MidiTap::outDeviceName(int deviceId) const
{
    return m_inner.outDeviceName(deviceId);
}

MidiPlatform::Result MidiTap::outOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    const QString name = m_inner.outDeviceName(deviceId);
    const Result result = m_inner.outOpen(handle, deviceId, std::move(callback));
    if (result == NoError && handle) {
        std::lock_guard lock(m_mutex);
        m_outNames[*handle] = name;
    }
    return result;
}

MidiPlatform::Result MidiTap::outShortMessage(MidiHandle handle, quint32 message)
{
    // Recorded before it goes: an answer may come back before the call returns.
    if (m_log.load(std::memory_order_relaxed))
        record(MidiLog::Direction::Out, outName(handle), MidiBytes::unpack(message));
    return m_inner.outShortMessage(handle, message);
}

MidiPlatform::Result MidiTap::outPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    return m_inner.outPrepareHeader(handle, header);
}

MidiPlatform::Result MidiTap::outUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    return m_inner.outUnprepareHeader(handle, header);
}

MidiPlatform::Result MidiTap::outLongMessage(MidiHandle handle, MidiHeader *header)
{
    // Recorded before the platform has the block: an answer may come back
    // (and the block be freed) before the call returns.
    if (header && m_log.load(std::memory_order_relaxed))
        record(MidiLog::Direction::Out, outName(handle),
               QByteArrayView(header->data.data(), qsizetype(header->data.size())));
    return m_inner.outLongMessage(handle, header);
}

MidiPlatform::Result MidiTap::outReset(MidiHandle handle)
{
    return m_inner.outReset(handle);
}

MidiPlatform::Result MidiTap::outClose(MidiHandle handle)
{
    const Result result = m_inner.outClose(handle);
    std::lock_guard lock(m_mutex);
    m_outNames.erase(handle);
    return result;
}

MidiPlatform::Result MidiTap::outState(MidiHandle handle) const
{
    return m_inner.outState(handle);
}

int MidiTap::inDeviceCount() const
{
    return m_inner.inDeviceCount();
}

QString MidiTap::inDeviceName(int deviceId) const
{
    return m_inner.inDeviceName(deviceId);
}

MidiPlatform::Result MidiTap::inOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    const QString name = m_inner.inDeviceName(deviceId);
    // Seen before the port handles it, so the log keeps the order of arrival.
    MidiCallback tapped = [this, name, callback = std::move(callback)](const MidiNotification &n) {
        if (m_log.load(std::memory_order_relaxed)) {
            if (n.kind == MidiNotification::Data)
                record(MidiLog::Direction::In, name, MidiBytes::unpack(n.message));
            else if (n.kind == MidiNotification::LongData && n.header && n.header->bytesRecorded > 0)
                record(MidiLog::Direction::In, name,
                       QByteArrayView(n.header->data.data(), qsizetype(n.header->bytesRecorded)));
        }
        if (callback)
            callback(n);
    };
    return m_inner.inOpen(handle, deviceId, std::move(tapped));
}

MidiPlatform::Result MidiTap::inPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    return m_inner.inPrepareHeader(handle, header);
}

MidiPlatform::Result MidiTap::inUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    return m_inner.inUnprepareHeader(handle, header);
}

MidiPlatform::Result MidiTap::inAddBuffer(MidiHandle handle, MidiHeader *header)
{
    return m_inner.inAddBuffer(handle, header);
}

MidiPlatform::Result MidiTap::inStart(MidiHandle handle)
{
    return m_inner.inStart(handle);
}

MidiPlatform::Result MidiTap::inStop(MidiHandle handle)
{
    return m_inner.inStop(handle);
}

MidiPlatform::Result MidiTap::inReset(MidiHandle handle)
{
    return m_inner.inReset(handle);
}

MidiPlatform::Result MidiTap::inClose(MidiHandle handle)
{
    return m_inner.inClose(handle);
}

MidiPlatform::Result MidiTap::inState(MidiHandle handle) const
{
    return m_inner.inState(handle);
}

void MidiTap::setDevicesChanged(std::function<void()> handler)
{
    m_inner.setDevicesChanged(std::move(handler));
}

std::optional<QStringList> MidiTap::outDeviceSources(int deviceId) const
{
    return m_inner.outDeviceSources(deviceId);
}

std::optional<QString> MidiTap::errorText(int code, bool isInput) const
{
    return m_inner.errorText(code, isInput);
}
