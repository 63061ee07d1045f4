#include "LoopbackMidi.h"

#include "MidiBytes.h"
#include "Sleeper.h"

namespace {

constexpr qint64 NsPerMs = 1000000;

} // namespace

LoopbackMidi::LoopbackMidi(Sleeper *clock) : m_clock(clock), m_log(clock)
{
    m_queue = std::make_unique<MidiSendQueue>(
        [this](const MidiSendQueue::Item &item) { return transmit(item); });
}

LoopbackMidi::~LoopbackMidi()
{
    {
        std::lock_guard lock(m_mutex);
        m_shuttingDown = true;
    }
    m_stallChanged.notify_all();
    m_queue.reset();
}

int LoopbackMidi::addOutputDevice(const QString &name)
{
    std::lock_guard lock(m_mutex);
    auto device = std::make_unique<OutDevice>();
    device->name = name;
    m_outs.push_back(std::move(device));
    return int(m_outs.size()) - 1;
}

int LoopbackMidi::addInputDevice(const QString &name)
{
    std::lock_guard lock(m_mutex);
    m_ins.push_back(std::make_unique<LoopbackInputDevice>(name));
    return int(m_ins.size()) - 1;
}

LoopbackMidi::DevicePair LoopbackMidi::addDevicePair(const QString &name)
{
    DevicePair pair;
    pair.input = addInputDevice(name);
    pair.output = addOutputDevice(name);
    return pair;
}

void LoopbackMidi::setDefaultOutput(int device)
{
    std::lock_guard lock(m_mutex);
    m_defaultOut = device;
}

void LoopbackMidi::setDefaultInput(int device)
{
    std::lock_guard lock(m_mutex);
    m_defaultIn = device;
}

void LoopbackMidi::unplugOutput(int device)
{
    std::lock_guard lock(m_mutex);
    if (device >= 0 && device < int(m_outs.size()))
        m_outs[size_t(device)]->unplugged = true;
}

void LoopbackMidi::unplugInput(int device)
{
    std::lock_guard lock(m_mutex);
    if (device >= 0 && device < int(m_ins.size()))
        m_ins[size_t(device)]->unplugged = true;
}

void LoopbackMidi::failNext(Call call, Result code, int after)
{
    std::lock_guard lock(m_mutex);
    m_log.failNext(call, code, after);
}

QList<QByteArray> LoopbackMidi::received(int outputDevice)
{
    m_queue->waitIdle();
    std::lock_guard lock(m_mutex);
    if (outputDevice < 0 || outputDevice >= int(m_outs.size()))
        return {};
    return m_outs[size_t(outputDevice)]->received;
}

void LoopbackMidi::clearReceived(int outputDevice)
{
    m_queue->waitIdle();
    std::lock_guard lock(m_mutex);
    if (outputDevice >= 0 && outputDevice < int(m_outs.size()))
        m_outs[size_t(outputDevice)]->received.clear();
}

void LoopbackMidi::setReceiver(int outputDevice, Receiver receiver)
{
    std::lock_guard lock(m_mutex);
    if (outputDevice >= 0 && outputDevice < int(m_outs.size()))
        m_outs[size_t(outputDevice)]->receiver = std::move(receiver);
}

void LoopbackMidi::setStalled(int outputDevice, bool stalled)
{
    {
        std::lock_guard lock(m_mutex);
        if (outputDevice >= 0 && outputDevice < int(m_outs.size()))
            m_outs[size_t(outputDevice)]->stalled = stalled;
    }
    m_stallChanged.notify_all();
}

void LoopbackMidi::setResetWaitMs(int milliseconds)
{
    std::lock_guard lock(m_mutex);
    m_resetWaitMs = milliseconds;
}

void LoopbackMidi::waitUntilSent()
{
    m_queue->waitIdle();
}

int LoopbackMidi::waitingMessages(int inputDevice) const
{
    std::lock_guard lock(m_mutex);
    if (inputDevice < 0 || inputDevice >= int(m_ins.size()))
        return 0;
    return m_ins[size_t(inputDevice)]->buffers.waiting();
}

int LoopbackMidi::queuedBuffers(int inputDevice) const
{
    std::lock_guard lock(m_mutex);
    if (inputDevice < 0 || inputDevice >= int(m_ins.size()))
        return 0;
    return m_ins[size_t(inputDevice)]->buffers.queued();
}

int LoopbackMidi::openCount(bool input, int device) const
{
    std::lock_guard lock(m_mutex);
    if (input) {
        if (device < 0 || device >= int(m_ins.size()))
            return 0;
        return m_ins[size_t(device)]->handle != NoMidiHandle ? 1 : 0;
    }
    int count = 0;
    for (const auto &entry : m_outHandles)
        if (entry.second.device == device)
            ++count;
    return count;
}

QList<LoopbackCall> LoopbackMidi::calls() const
{
    std::lock_guard lock(m_mutex);
    return m_log.calls();
}

void LoopbackMidi::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_log.clear();
}

void LoopbackMidi::setRecording(bool on)
{
    std::lock_guard lock(m_mutex);
    m_log.setRecording(on);
}

// --- helpers (m_mutex held) ---

LoopbackMidi::HandleCall LoopbackMidi::outCall(Call call, MidiHandle handle,
                                               const QByteArray &bytes) const
{
    HandleCall made;
    made.call = call;
    made.device = outDeviceOf(handle);
    made.bytes = bytes;
    return made;
}

LoopbackMidi::HandleCall LoopbackMidi::inCall(Call call, MidiHandle handle) const
{
    HandleCall made;
    made.call = call;
    made.in = inDeviceOf(handle);
    made.device = inNumber(made.in);
    return made;
}

std::optional<MidiPlatform::Result> LoopbackMidi::refuse(const HandleCall &call, bool known)
{
    Result code = NoError;
    if (m_log.takeFailure(call.call, &code))
        return record(call, code);
    if (!known)
        return record(call, InvalidHandle);
    return std::nullopt;
}

std::optional<MidiPlatform::Result> LoopbackMidi::refuseOpen(Call call, MidiHandle *handle,
                                                             int deviceId, int device, int count,
                                                             int *index)
{
    if (handle)
        *handle = NoMidiHandle;
    Result code = NoError;
    if (m_log.takeFailure(call, &code))
        return m_log.record(call, deviceId, {}, code);
    if (!handle)
        return m_log.record(call, deviceId, {}, InvalidParameter);
    if (deviceId == -1 && (device < 0 || device >= count))
        return m_log.record(call, deviceId, {}, NoDeviceChosen);
    if (device < 0 || device >= count)
        return m_log.record(call, deviceId, {}, BadDeviceId);
    *index = device;
    return std::nullopt;
}

MidiPlatform::Result LoopbackMidi::record(const HandleCall &call, Result result)
{
    return m_log.record(call.call, call.device, call.bytes, result);
}

int LoopbackMidi::inNumber(const LoopbackInputDevice *device) const
{
    for (size_t i = 0; i < m_ins.size(); ++i)
        if (m_ins[i].get() == device)
            return int(i);
    return -1;
}

int LoopbackMidi::outDeviceOf(MidiHandle handle) const
{
    const auto found = m_outHandles.find(handle);
    return found == m_outHandles.end() ? -1 : found->second.device;
}

LoopbackInputDevice *LoopbackMidi::inDeviceOf(MidiHandle handle) const
{
    if (handle == NoMidiHandle)
        return nullptr;
    for (const auto &device : m_ins)
        if (device->handle == handle)
            return device.get();
    return nullptr;
}

qint64 LoopbackMidi::sinceStartMs(const LoopbackInputDevice &device) const
{
    return (m_clock->nowNs() - device.startNs) / NsPerMs;
}

// --- output ---

int LoopbackMidi::outDeviceCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_outs.size());
}

QString LoopbackMidi::outDeviceName(int deviceId) const
{
    std::lock_guard lock(m_mutex);
    if (deviceId < 0 || deviceId >= int(m_outs.size()))
        return QString();
    return m_outs[size_t(deviceId)]->name;
}

MidiPlatform::Result LoopbackMidi::outOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    {
        std::lock_guard lock(m_mutex);
        int device = -1;
        const int asked = deviceId == -1 ? m_defaultOut : deviceId;
        if (const std::optional<Result> refused =
                refuseOpen(Call::OutOpen, handle, deviceId, asked, int(m_outs.size()), &device))
            return *refused;
        if (m_outs[size_t(device)]->unplugged)
            return m_log.record(Call::OutOpen, deviceId, {}, DeviceGone);
        const MidiHandle opened = m_nextHandle++;
        m_outHandles[opened] = OutHandle{device, callback};
        *handle = opened;
        m_queue->addHandle(opened, callback);
        m_log.record(Call::OutOpen, deviceId, {}, NoError);
    }
    raiseOne(callback, MidiNotification::Open);
    return NoError;
}

MidiPlatform::Result LoopbackMidi::outShortMessage(MidiHandle handle, quint32 message)
{
    std::lock_guard lock(m_mutex);
    const int length = MidiBytes::shortMessageLength(MidiBytes::statusOf(message));
    const QByteArray bytes =
        MidiBytes::unpack(message, length > 0 ? length : MidiBytes::MaxShortLength);
    const HandleCall call = outCall(Call::OutShortMessage, handle, bytes);
    if (const std::optional<Result> refused = refuse(call, call.device >= 0))
        return *refused;
    if (length == 0)
        return record(call, InvalidParameter);
    MidiSendQueue::Item item;
    item.handle = handle;
    item.bytes = bytes;
    item.word = message;
    item.stampNs = m_clock->nowNs();
    m_queue->post(std::move(item));
    return record(call, NoError);
}

MidiPlatform::Result LoopbackMidi::outPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = outCall(Call::OutPrepareHeader, handle);
    if (const std::optional<Result> refused = refuse(call, call.device >= 0))
        return *refused;
    return record(call, MidiPlatform::outPrepareHeader(handle, header));
}

MidiPlatform::Result LoopbackMidi::outUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = outCall(Call::OutUnprepareHeader, handle);
    if (const std::optional<Result> refused = refuse(call, call.device >= 0))
        return *refused;
    return record(call, MidiPlatform::outUnprepareHeader(handle, header));
}

MidiPlatform::Result LoopbackMidi::outLongMessage(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    QByteArray bytes;
    if (header)
        bytes = QByteArray(reinterpret_cast<const char *>(header->data.data()),
                           qsizetype(header->data.size()));
    const HandleCall call = outCall(Call::OutLongMessage, handle, bytes);
    if (const std::optional<Result> refused = refuse(call, call.device >= 0))
        return *refused;
    if (const Result claimed = claim(header); claimed != NoError)
        return record(call, claimed);
    MidiSendQueue::Item item;
    item.handle = handle;
    item.header = header;
    item.bytes = bytes;
    item.stampNs = m_clock->nowNs();
    m_queue->post(std::move(item));
    return record(call, NoError);
}

MidiPlatform::Result LoopbackMidi::outReset(MidiHandle handle)
{
    HandleCall call;
    int waitMs = 0;
    {
        std::lock_guard lock(m_mutex);
        call = outCall(Call::OutReset, handle);
        if (const std::optional<Result> refused = refuse(call, call.device >= 0))
            return *refused;
        waitMs = m_resetWaitMs;
    }
    const bool left = m_queue->flush(handle, waitMs);
    std::lock_guard lock(m_mutex);
    return record(call, left ? NoError : Timeout);
}

MidiPlatform::Result LoopbackMidi::outClose(MidiHandle handle)
{
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = outCall(Call::OutClose, handle);
        if (const std::optional<Result> refused = refuse(call, call.device >= 0))
            return *refused;
        callback = m_outHandles[handle].callback;
        m_outHandles.erase(handle);
        record(call, NoError);
    }
    // Out of the queue first, so that no Done of it comes after the Close.
    m_queue->removeHandle(handle);
    raiseOne(callback, MidiNotification::Close);
    return NoError;
}

MidiPlatform::Result LoopbackMidi::transmit(const MidiSendQueue::Item &item)
{
    Receiver receiver;
    int device = -1;
    {
        std::unique_lock lock(m_mutex);
        device = outDeviceOf(item.handle);
        if (device < 0)
            return InvalidHandle; // closed meanwhile
        OutDevice *out = m_outs[size_t(device)].get();
        m_stallChanged.wait(lock, [&] { return !out->stalled || m_shuttingDown; });
        if (m_log.recording())
            out->received.append(item.bytes);
        receiver = out->receiver;
    }
    if (receiver)
        receiver(device, item.bytes, item.stampNs);
    return NoError;
}

// --- input ---

int LoopbackMidi::inDeviceCount() const
{
    std::lock_guard lock(m_mutex);
    return int(m_ins.size());
}

QString LoopbackMidi::inDeviceName(int deviceId) const
{
    std::lock_guard lock(m_mutex);
    if (deviceId < 0 || deviceId >= int(m_ins.size()))
        return QString();
    return m_ins[size_t(deviceId)]->name;
}

MidiPlatform::Result LoopbackMidi::inOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    {
        std::lock_guard lock(m_mutex);
        int device = -1;
        const int asked = deviceId == -1 ? m_defaultIn : deviceId;
        if (const std::optional<Result> refused =
                refuseOpen(Call::InOpen, handle, deviceId, asked, int(m_ins.size()), &device))
            return *refused;
        LoopbackInputDevice &in = *m_ins[size_t(device)];
        if (in.unplugged)
            return m_log.record(Call::InOpen, deviceId, {}, DeviceGone);
        if (in.handle != NoMidiHandle)
            return m_log.record(Call::InOpen, deviceId, {}, DeviceBusy);
        in.open(m_nextHandle++, callback);
        *handle = in.handle;
        m_log.record(Call::InOpen, deviceId, {}, NoError);
    }
    raiseOne(callback, MidiNotification::Open);
    return NoError;
}

MidiPlatform::Result LoopbackMidi::inPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(Call::InPrepareHeader, handle);
    if (const std::optional<Result> refused = refuse(call, call.in != nullptr))
        return *refused;
    return record(call, MidiPlatform::inPrepareHeader(handle, header));
}

MidiPlatform::Result LoopbackMidi::inUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(Call::InUnprepareHeader, handle);
    if (const std::optional<Result> refused = refuse(call, call.in != nullptr))
        return *refused;
    return record(call, MidiPlatform::inUnprepareHeader(handle, header));
}

LoopbackInputDevice *LoopbackMidi::lockDelivery(MidiHandle handle,
                                                std::unique_lock<std::recursive_mutex> &delivery)
{
    LoopbackInputDevice *in = nullptr;
    {
        std::lock_guard lock(m_mutex);
        in = inDeviceOf(handle);
    }
    if (in)
        delivery = std::unique_lock(in->delivery);
    return in;
}

LoopbackInputDevice *LoopbackMidi::inputDevice(int inputDevice) const
{
    std::lock_guard lock(m_mutex);
    if (inputDevice < 0 || inputDevice >= int(m_ins.size()))
        return nullptr;
    return m_ins[size_t(inputDevice)].get();
}

void LoopbackMidi::raise(const MidiCallback &callback,
                         const std::vector<MidiNotification> &notifications)
{
    if (!callback)
        return;
    for (const MidiNotification &notification : notifications)
        callback(notification);
}

void LoopbackMidi::raiseOne(const MidiCallback &callback, MidiNotification::Kind kind)
{
    MidiNotification notification;
    notification.kind = kind;
    raise(callback, {notification});
}

MidiPlatform::Result LoopbackMidi::inAddBuffer(MidiHandle handle, MidiHeader *header)
{
    std::unique_lock<std::recursive_mutex> delivery;
    LoopbackInputDevice *candidate = lockDelivery(handle, delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = inCall(Call::InAddBuffer, handle);
        LoopbackInputDevice *in = call.in;
        if (const std::optional<Result> refused = refuse(call, in && in == candidate))
            return *refused;
        if (const Result queued = in->buffers.queue(header); queued != NoError)
            return record(call, queued);
        record(call, NoError);
        in->buffers.drain(sinceStartMs(*in), raised);
        callback = in->callback;
    }
    raise(callback, raised);
    return NoError;
}

MidiPlatform::Result LoopbackMidi::inStart(MidiHandle handle)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(Call::InStart, handle);
    LoopbackInputDevice *in = call.in;
    if (const std::optional<Result> refused = refuse(call, in != nullptr))
        return *refused;
    if (!in->started) {
        in->started = true;
        in->startNs = m_clock->nowNs();
    }
    return record(call, NoError);
}

MidiPlatform::Result LoopbackMidi::inStop(MidiHandle handle)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(Call::InStop, handle);
    LoopbackInputDevice *in = call.in;
    if (const std::optional<Result> refused = refuse(call, in != nullptr))
        return *refused;
    in->started = false;
    return record(call, NoError);
}

MidiPlatform::Result LoopbackMidi::inReset(MidiHandle handle)
{
    std::unique_lock<std::recursive_mutex> delivery;
    LoopbackInputDevice *candidate = lockDelivery(handle, delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = inCall(Call::InReset, handle);
        LoopbackInputDevice *in = call.in;
        if (const std::optional<Result> refused = refuse(call, in && in == candidate))
            return *refused;
        in->started = false;
        in->forgetInput();
        in->buffers.handBackAll(sinceStartMs(*in), raised);
        record(call, NoError);
        callback = in->callback;
    }
    raise(callback, raised);
    return NoError;
}

MidiPlatform::Result LoopbackMidi::outState(MidiHandle handle) const
{
    // Not a recorded call: every send asks it. An unplugged device stays
    // listed, so it reads as gone, never as not connected.
    std::lock_guard lock(m_mutex);
    const int device = outDeviceOf(handle);
    if (device < 0)
        return InvalidHandle;
    return m_outs[size_t(device)]->unplugged ? DeviceGone : NoError;
}

MidiPlatform::Result LoopbackMidi::inState(MidiHandle handle) const
{
    // Not a recorded call: a window may ask it on a timer.
    std::lock_guard lock(m_mutex);
    const LoopbackInputDevice *in = inDeviceOf(handle);
    if (!in)
        return InvalidHandle;
    return in->unplugged ? DeviceGone : NoError;
}

MidiPlatform::Result LoopbackMidi::inClose(MidiHandle handle)
{
    std::unique_lock<std::recursive_mutex> delivery;
    LoopbackInputDevice *candidate = lockDelivery(handle, delivery);
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = inCall(Call::InClose, handle);
        LoopbackInputDevice *in = call.in;
        if (const std::optional<Result> refused = refuse(call, in && in == candidate))
            return *refused;
        if (in->buffers.queued() != 0)
            return record(call, StillQueued);
        callback = in->callback;
        in->handle = NoMidiHandle;
        in->callback = nullptr;
        in->started = false;
        in->forgetInput();
        record(call, NoError);
    }
    raiseOne(callback, MidiNotification::Close);
    return NoError;
}

void LoopbackMidi::inject(int inputDevice, const QByteArray &bytes)
{
    LoopbackInputDevice *in = this->inputDevice(inputDevice);
    if (!in)
        return;
    std::lock_guard delivery(in->delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        // A device that is not open and started hears nothing.
        if (in->handle == NoMidiHandle || !in->started)
            return;
        in->read(bytes, sinceStartMs(*in), raised);
        callback = in->callback;
    }
    raise(callback, raised);
}

bool LoopbackMidi::returnEmptyBuffer(int inputDevice)
{
    LoopbackInputDevice *in = this->inputDevice(inputDevice);
    if (!in)
        return false;
    std::lock_guard delivery(in->delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        if (in->handle == NoMidiHandle || !in->started
            || !in->buffers.handBackOldest(sinceStartMs(*in), raised))
            return false;
        callback = in->callback;
    }
    raise(callback, raised);
    return true;
}
