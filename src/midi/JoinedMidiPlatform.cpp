#include "JoinedMidiPlatform.h"

JoinedMidiPlatform::JoinedMidiPlatform(MidiPlatform &first, MidiPlatform &second)
    : m_first(first), m_second(second)
{
}

std::pair<MidiPlatform *, int> JoinedMidiPlatform::locate(int deviceId, bool input) const
{
    if (deviceId == -1)
        return {&m_first, -1};
    if (deviceId < 0)
        return {nullptr, deviceId};
    const int first = firstCount(input);
    if (deviceId < first)
        return {&m_first, deviceId};
    const int secondCount = input ? m_second.inDeviceCount() : m_second.outDeviceCount();
    if (deviceId - first < secondCount)
        return {&m_second, deviceId - first};
    return {nullptr, deviceId};
}

int JoinedMidiPlatform::firstCount(bool input) const
{
    {
        std::lock_guard lock(m_mutex);
        const int known = input ? m_firstInCount : m_firstOutCount;
        if (known >= 0)
            return known;
    }
    return input ? inDeviceCount() - m_second.inDeviceCount()
                 : outDeviceCount() - m_second.outDeviceCount();
}

MidiPlatform::Result JoinedMidiPlatform::open(MidiHandle *handle, int deviceId,
                                              MidiCallback callback, bool input)
{
    if (!handle)
        return InvalidParameter;
    const auto [platform, device] = locate(deviceId, input);
    if (!platform)
        return BadDeviceId;
    MidiHandle innerHandle = NoMidiHandle;
    const Result result = input ? platform->inOpen(&innerHandle, device, std::move(callback))
                                : platform->outOpen(&innerHandle, device, std::move(callback));
    if (result != NoError)
        return result;
    std::lock_guard lock(m_mutex);
    const MidiHandle joined = m_nextHandle++;
    m_handles[joined] = Inner{platform, innerHandle};
    *handle = joined;
    return NoError;
}

JoinedMidiPlatform::Inner JoinedMidiPlatform::inner(MidiHandle handle) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_handles.find(handle);
    return it == m_handles.end() ? Inner{} : it->second;
}

void JoinedMidiPlatform::forget(MidiHandle handle)
{
    std::lock_guard lock(m_mutex);
    m_handles.erase(handle);
}

int JoinedMidiPlatform::outDeviceCount() const
{
    const int first = m_first.outDeviceCount();
    {
        std::lock_guard lock(m_mutex);
        m_firstOutCount = first;
    }
    return first + m_second.outDeviceCount();
}

QString JoinedMidiPlatform::outDeviceName(int deviceId) const
{
    const auto [platform, device] = locate(deviceId, false);
    return platform && device >= 0 ? platform->outDeviceName(device) : QString();
}

std::optional<QStringList> JoinedMidiPlatform::outDeviceSources(int deviceId) const
{
    // A member's inputs keep their names in the joined list.
    const auto [platform, device] = locate(deviceId, false);
    return platform && device >= 0 ? platform->outDeviceSources(device) : QStringList();
}

MidiPlatform::Result JoinedMidiPlatform::outOpen(MidiHandle *handle, int deviceId,
                                                 MidiCallback callback)
{
    return open(handle, deviceId, std::move(callback), false);
}

MidiPlatform::Result JoinedMidiPlatform::outShortMessage(MidiHandle handle, quint32 message)
{
    return forward(handle,
                   [&](MidiPlatform &p, MidiHandle h) { return p.outShortMessage(h, message); });
}

MidiPlatform::Result JoinedMidiPlatform::outPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    return forward(handle,
                   [&](MidiPlatform &p, MidiHandle h) { return p.outPrepareHeader(h, header); });
}

MidiPlatform::Result JoinedMidiPlatform::outUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    return forward(handle,
                   [&](MidiPlatform &p, MidiHandle h) { return p.outUnprepareHeader(h, header); });
}

MidiPlatform::Result JoinedMidiPlatform::outLongMessage(MidiHandle handle, MidiHeader *header)
{
    return forward(handle,
                   [&](MidiPlatform &p, MidiHandle h) { return p.outLongMessage(h, header); });
}

MidiPlatform::Result JoinedMidiPlatform::outReset(MidiHandle handle)
{
    return forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.outReset(h); });
}

MidiPlatform::Result JoinedMidiPlatform::outClose(MidiHandle handle)
{
    const Result result =
        forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.outClose(h); });
    if (result == NoError)
        forget(handle);
    return result;
}

int JoinedMidiPlatform::inDeviceCount() const
{
    const int first = m_first.inDeviceCount();
    {
        std::lock_guard lock(m_mutex);
        m_firstInCount = first;
    }
    return first + m_second.inDeviceCount();
}

QString JoinedMidiPlatform::inDeviceName(int deviceId) const
{
    const auto [platform, device] = locate(deviceId, true);
    return platform && device >= 0 ? platform->inDeviceName(device) : QString();
}

MidiPlatform::Result JoinedMidiPlatform::inOpen(MidiHandle *handle, int deviceId,
                                                MidiCallback callback)
{
    return open(handle, deviceId, std::move(callback), true);
}

MidiPlatform::Result JoinedMidiPlatform::inPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    return forward(handle,
                   [&](MidiPlatform &p, MidiHandle h) { return p.inPrepareHeader(h, header); });
}

MidiPlatform::Result JoinedMidiPlatform::inUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    return forward(handle,
                   [&](MidiPlatform &p, MidiHandle h) { return p.inUnprepareHeader(h, header); });
}

MidiPlatform::Result JoinedMidiPlatform::inAddBuffer(MidiHandle handle, MidiHeader *header)
{
    return forward(handle, [&](MidiPlatform &p, MidiHandle h) { return p.inAddBuffer(h, header); });
}

MidiPlatform::Result JoinedMidiPlatform::inStart(MidiHandle handle)
{
    return forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.inStart(h); });
}

MidiPlatform::Result JoinedMidiPlatform::inStop(MidiHandle handle)
{
    return forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.inStop(h); });
}

MidiPlatform::Result JoinedMidiPlatform::inReset(MidiHandle handle)
{
    return forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.inReset(h); });
}

MidiPlatform::Result JoinedMidiPlatform::inClose(MidiHandle handle)
{
    const Result result =
        forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.inClose(h); });
    if (result == NoError)
        forget(handle);
    return result;
}

void JoinedMidiPlatform::setDevicesChanged(std::function<void()> handler)
{
    m_first.setDevicesChanged(handler);
    m_second.setDevicesChanged(std::move(handler));
}

MidiPlatform::Result JoinedMidiPlatform::outState(MidiHandle handle) const
{
    return forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.outState(h); });
}

MidiPlatform::Result JoinedMidiPlatform::inState(MidiHandle handle) const
{
    return forward(handle, [](MidiPlatform &p, MidiHandle h) { return p.inState(h); });
}

std::optional<QString> JoinedMidiPlatform::errorText(int code, bool isInput) const
{
    if (auto text = m_first.errorText(code, isInput))
        return text;
    return m_second.errorText(code, isInput);
}
