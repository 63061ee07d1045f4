#include "LoopbackMidi.h"

#include "Sleeper.h"

#include <algorithm>

namespace {

constexpr quint8 StatusBit = 0x80;
constexpr quint8 SysexStart = 0xF0;
constexpr quint8 SysexEnd = 0xF7;
constexpr quint8 FirstRealTime = 0xF8;
constexpr quint8 FirstSystem = 0xF0;
constexpr qint64 NsPerMs = 1000000;

// Bytes of a short message by its status byte; 0 for none (F0, F7, data).
int shortMessageLength(quint8 status)
{
    if (status < StatusBit)
        return 0;
    if (status < FirstSystem) {
        const quint8 kind = status & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 2 : 3;
    }
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case SysexStart:
    case SysexEnd:
        return 0;
    default: // tune request, real-time, undefined
        return 1;
    }
}

QByteArray unpack(quint32 word, int length)
{
    QByteArray bytes;
    for (int i = 0; i < length; ++i)
        bytes.append(static_cast<char>((word >> (8 * i)) & 0xFF));
    return bytes;
}

quint32 pack(const QByteArray &bytes)
{
    quint32 word = 0;
    for (int i = 0; i < bytes.size() && i < 3; ++i)
        word |= quint32(quint8(bytes[i])) << (8 * i);
    return word;
}

} // namespace

LoopbackMidi::LoopbackMidi(Sleeper *clock)
    : m_clock(clock)
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
    auto device = std::make_unique<InDevice>();
    device->name = name;
    m_ins.push_back(std::move(device));
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

void LoopbackMidi::failNext(const QString &function, int code, int after)
{
    std::lock_guard lock(m_mutex);
    m_failures.push_back(Failure{function, code, after});
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
    return int(m_ins[size_t(inputDevice)]->waiting.size());
}

int LoopbackMidi::queuedBuffers(int inputDevice) const
{
    std::lock_guard lock(m_mutex);
    if (inputDevice < 0 || inputDevice >= int(m_ins.size()))
        return 0;
    return int(m_ins[size_t(inputDevice)]->buffers.size());
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
    return m_calls;
}

void LoopbackMidi::clearCalls()
{
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

void LoopbackMidi::setRecording(bool on)
{
    std::lock_guard lock(m_mutex);
    m_recording = on;
}

// --- helpers (m_mutex held) ---

int LoopbackMidi::record(const QString &function, int device, const QByteArray &bytes, int result)
{
    LoopbackCall call;
    call.timeNs = m_clock->nowNs();
    call.function = function;
    call.device = device;
    call.bytes = bytes;
    call.result = result;
    if (m_recording)
        m_calls.append(call);
    return result;
}

bool LoopbackMidi::takeFailure(const QString &function, int *code)
{
    auto found = std::find_if(m_failures.begin(), m_failures.end(),
                              [&](const Failure &f) { return f.function == function; });
    if (found == m_failures.end())
        return false;
    if (found->after > 0) {
        --found->after;
        return false;
    }
    *code = found->code;
    m_failures.erase(found);
    return true;
}

LoopbackMidi::HandleCall LoopbackMidi::outCall(const QString &function, MidiHandle handle,
                                                const QByteArray &bytes) const
{
    HandleCall call;
    call.function = function;
    call.device = outDeviceOf(handle);
    call.bytes = bytes;
    return call;
}

LoopbackMidi::HandleCall LoopbackMidi::inCall(const QString &function, MidiHandle handle) const
{
    HandleCall call;
    call.function = function;
    call.in = inDeviceOf(handle);
    call.device = inNumber(call.in);
    return call;
}

std::optional<int> LoopbackMidi::refuse(const HandleCall &call, bool known)
{
    int code = NoError;
    if (takeFailure(call.function, &code))
        return record(call, code);
    if (!known)
        return record(call, InvalidHandle);
    return std::nullopt;
}

int LoopbackMidi::record(const HandleCall &call, int result)
{
    return record(call.function, call.device, call.bytes, result);
}

int LoopbackMidi::resolveOut(int deviceId) const
{
    return deviceId == -1 ? m_defaultOut : deviceId;
}

int LoopbackMidi::resolveIn(int deviceId) const
{
    return deviceId == -1 ? m_defaultIn : deviceId;
}

int LoopbackMidi::inNumber(const InDevice *device) const
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

LoopbackMidi::InDevice *LoopbackMidi::inDeviceOf(MidiHandle handle) const
{
    if (handle == NoMidiHandle)
        return nullptr;
    for (const auto &device : m_ins)
        if (device->handle == handle)
            return device.get();
    return nullptr;
}

qint64 LoopbackMidi::sinceStartMs(const InDevice &device) const
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

int LoopbackMidi::outOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    const QString function = QStringLiteral("outOpen");
    MidiHandle opened = NoMidiHandle;
    {
        std::lock_guard lock(m_mutex);
        if (handle)
            *handle = NoMidiHandle;
        int code = NoError;
        const int device = resolveOut(deviceId);
        if (takeFailure(function, &code))
            return record(function, deviceId, {}, code);
        if (!handle)
            return record(function, deviceId, {}, InvalidParameter);
        if (deviceId == -1 && (device < 0 || device >= int(m_outs.size())))
            return record(function, deviceId, {}, NoDeviceChosen);
        if (device < 0 || device >= int(m_outs.size()))
            return record(function, deviceId, {}, BadDeviceId);
        if (m_outs[size_t(device)]->unplugged)
            return record(function, deviceId, {}, DeviceGone);
        opened = m_nextHandle++;
        m_outHandles[opened] = OutHandle{device, callback};
        *handle = opened;
        m_queue->addHandle(opened, callback);
        record(function, deviceId, {}, NoError);
    }
    if (callback) {
        MidiNotification open;
        open.kind = MidiNotification::Open;
        callback(open);
    }
    return NoError;
}

int LoopbackMidi::outShortMessage(MidiHandle handle, quint32 message)
{
    std::lock_guard lock(m_mutex);
    const int length = shortMessageLength(quint8(message & 0xFF));
    const QByteArray bytes = unpack(message, length > 0 ? length : 3);
    const HandleCall call = outCall(QStringLiteral("outShortMessage"), handle, bytes);
    if (const std::optional<int> refused = refuse(call, call.device >= 0))
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

int LoopbackMidi::outPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = outCall(QStringLiteral("outPrepareHeader"), handle);
    if (const std::optional<int> refused = refuse(call, call.device >= 0))
        return *refused;
    return record(call, MidiPlatform::outPrepareHeader(handle, header));
}

int LoopbackMidi::outUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = outCall(QStringLiteral("outUnprepareHeader"), handle);
    if (const std::optional<int> refused = refuse(call, call.device >= 0))
        return *refused;
    return record(call, MidiPlatform::outUnprepareHeader(handle, header));
}

int LoopbackMidi::outLongMessage(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    QByteArray bytes;
    if (header)
        bytes = QByteArray(reinterpret_cast<const char *>(header->data.data()),
                           qsizetype(header->data.size()));
    const HandleCall call = outCall(QStringLiteral("outLongMessage"), handle, bytes);
    if (const std::optional<int> refused = refuse(call, call.device >= 0))
        return *refused;
    if (!header || header->data.empty())
        return record(call, InvalidParameter);
    if (!(header->flags & MidiHeader::Prepared))
        return record(call, Unprepared);
    if (header->flags & MidiHeader::InQueue)
        return record(call, StillQueued);
    header->flags = (header->flags | MidiHeader::InQueue) & ~quint32(MidiHeader::Done);
    MidiSendQueue::Item item;
    item.handle = handle;
    item.header = header;
    item.bytes = bytes;
    item.stampNs = m_clock->nowNs();
    m_queue->post(std::move(item));
    return record(call, NoError);
}

int LoopbackMidi::outReset(MidiHandle handle)
{
    HandleCall call;
    int waitMs = 0;
    {
        std::lock_guard lock(m_mutex);
        call = outCall(QStringLiteral("outReset"), handle);
        if (const std::optional<int> refused = refuse(call, call.device >= 0))
            return *refused;
        waitMs = m_resetWaitMs;
    }
    const bool left = m_queue->flush(handle, waitMs);
    std::lock_guard lock(m_mutex);
    return record(call, left ? NoError : Timeout);
}

int LoopbackMidi::outClose(MidiHandle handle)
{
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = outCall(QStringLiteral("outClose"), handle);
        if (const std::optional<int> refused = refuse(call, call.device >= 0))
            return *refused;
        callback = m_outHandles[handle].callback;
        m_outHandles.erase(handle);
        record(call, NoError);
    }
    // Out of the queue first, so that no Done of it comes after the Close.
    m_queue->removeHandle(handle);
    if (callback) {
        MidiNotification close;
        close.kind = MidiNotification::Close;
        callback(close);
    }
    return NoError;
}

int LoopbackMidi::transmit(const MidiSendQueue::Item &item)
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
        if (m_recording)
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

int LoopbackMidi::inOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    const QString function = QStringLiteral("inOpen");
    {
        std::lock_guard lock(m_mutex);
        if (handle)
            *handle = NoMidiHandle;
        int code = NoError;
        const int device = resolveIn(deviceId);
        if (takeFailure(function, &code))
            return record(function, deviceId, {}, code);
        if (!handle)
            return record(function, deviceId, {}, InvalidParameter);
        if (deviceId == -1 && (device < 0 || device >= int(m_ins.size())))
            return record(function, deviceId, {}, NoDeviceChosen);
        if (device < 0 || device >= int(m_ins.size()))
            return record(function, deviceId, {}, BadDeviceId);
        InDevice &in = *m_ins[size_t(device)];
        if (in.unplugged)
            return record(function, deviceId, {}, DeviceGone);
        if (in.handle != NoMidiHandle)
            return record(function, deviceId, {}, DeviceBusy);
        in.handle = m_nextHandle++;
        in.callback = callback;
        in.started = false;
        in.buffers.clear();
        in.waiting.clear();
        in.waitingOffset = 0;
        in.inSysex = false;
        in.sysex.clear();
        in.runningStatus = 0;
        in.shortMessage.clear();
        in.shortLength = 0;
        *handle = in.handle;
        record(function, deviceId, {}, NoError);
    }
    if (callback) {
        MidiNotification open;
        open.kind = MidiNotification::Open;
        callback(open);
    }
    return NoError;
}

int LoopbackMidi::inPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(QStringLiteral("inPrepareHeader"), handle);
    if (const std::optional<int> refused = refuse(call, call.in != nullptr))
        return *refused;
    return record(call, MidiPlatform::inPrepareHeader(handle, header));
}

int LoopbackMidi::inUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(QStringLiteral("inUnprepareHeader"), handle);
    if (const std::optional<int> refused = refuse(call, call.in != nullptr))
        return *refused;
    return record(call, MidiPlatform::inUnprepareHeader(handle, header));
}

LoopbackMidi::InDevice *LoopbackMidi::lockDelivery(MidiHandle handle,
                                                   std::unique_lock<std::recursive_mutex> &delivery)
{
    InDevice *in = nullptr;
    {
        std::lock_guard lock(m_mutex);
        in = inDeviceOf(handle);
    }
    if (in)
        delivery = std::unique_lock(in->delivery);
    return in;
}

void LoopbackMidi::raise(const MidiCallback &callback,
                         const std::vector<MidiNotification> &notifications)
{
    if (!callback)
        return;
    for (const MidiNotification &notification : notifications)
        callback(notification);
}

int LoopbackMidi::inAddBuffer(MidiHandle handle, MidiHeader *header)
{
    std::unique_lock<std::recursive_mutex> delivery;
    InDevice *candidate = lockDelivery(handle, delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = inCall(QStringLiteral("inAddBuffer"), handle);
        InDevice *in = call.in;
        if (const std::optional<int> refused = refuse(call, in && in == candidate))
            return *refused;
        if (!header || header->data.empty())
            return record(call, InvalidParameter);
        if (!(header->flags & MidiHeader::Prepared))
            return record(call, Unprepared);
        if (header->flags & MidiHeader::InQueue)
            return record(call, StillQueued);
        header->flags = (header->flags | MidiHeader::InQueue) & ~quint32(MidiHeader::Done);
        header->bytesRecorded = 0;
        in->buffers.push_back(header);
        record(call, NoError);
        drain(*in, raised);
        callback = in->callback;
    }
    raise(callback, raised);
    return NoError;
}

int LoopbackMidi::inStart(MidiHandle handle)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(QStringLiteral("inStart"), handle);
    InDevice *in = call.in;
    if (const std::optional<int> refused = refuse(call, in != nullptr))
        return *refused;
    if (!in->started) {
        in->started = true;
        in->startNs = m_clock->nowNs();
    }
    return record(call, NoError);
}

int LoopbackMidi::inStop(MidiHandle handle)
{
    std::lock_guard lock(m_mutex);
    const HandleCall call = inCall(QStringLiteral("inStop"), handle);
    InDevice *in = call.in;
    if (const std::optional<int> refused = refuse(call, in != nullptr))
        return *refused;
    in->started = false;
    return record(call, NoError);
}

int LoopbackMidi::inReset(MidiHandle handle)
{
    std::unique_lock<std::recursive_mutex> delivery;
    InDevice *candidate = lockDelivery(handle, delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = inCall(QStringLiteral("inReset"), handle);
        InDevice *in = call.in;
        if (const std::optional<int> refused = refuse(call, in && in == candidate))
            return *refused;
        in->started = false;
        in->waiting.clear();
        in->waitingOffset = 0;
        in->inSysex = false;
        in->sysex.clear();
        in->runningStatus = 0;
        in->shortMessage.clear();
        for (MidiHeader *header : in->buffers) {
            header->flags = (header->flags | MidiHeader::Done) & ~quint32(MidiHeader::InQueue);
            MidiNotification back;
            back.kind = MidiNotification::LongData;
            back.header = header;
            back.timeMs = sinceStartMs(*in);
            raised.push_back(back);
        }
        in->buffers.clear();
        record(call, NoError);
        callback = in->callback;
    }
    raise(callback, raised);
    return NoError;
}

int LoopbackMidi::inState(MidiHandle handle) const
{
    // Not a recorded call: a window may ask it on a timer.
    std::lock_guard lock(m_mutex);
    const InDevice *in = inDeviceOf(handle);
    if (!in)
        return InvalidHandle;
    return in->unplugged ? DeviceGone : NoError;
}

int LoopbackMidi::inClose(MidiHandle handle)
{
    std::unique_lock<std::recursive_mutex> delivery;
    InDevice *candidate = lockDelivery(handle, delivery);
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        const HandleCall call = inCall(QStringLiteral("inClose"), handle);
        InDevice *in = call.in;
        if (const std::optional<int> refused = refuse(call, in && in == candidate))
            return *refused;
        if (!in->buffers.empty())
            return record(call, StillQueued);
        callback = in->callback;
        in->handle = NoMidiHandle;
        in->callback = nullptr;
        in->started = false;
        in->waiting.clear();
        in->waitingOffset = 0;
        record(call, NoError);
    }
    if (callback) {
        MidiNotification close;
        close.kind = MidiNotification::Close;
        callback(close);
    }
    return NoError;
}

void LoopbackMidi::inject(int inputDevice, const QByteArray &bytes)
{
    InDevice *in = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (inputDevice < 0 || inputDevice >= int(m_ins.size()))
            return;
        in = m_ins[size_t(inputDevice)].get();
    }
    std::lock_guard delivery(in->delivery);
    std::vector<MidiNotification> raised;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        // A device that is not open and started hears nothing.
        if (in->handle == NoMidiHandle || !in->started)
            return;
        parse(*in, bytes, raised);
        callback = in->callback;
    }
    raise(callback, raised);
}

void LoopbackMidi::parse(InDevice &in, const QByteArray &bytes, std::vector<MidiNotification> &out)
{
    auto shortDone = [&](const QByteArray &message) {
        MidiNotification data;
        data.kind = MidiNotification::Data;
        data.message = pack(message);
        data.timeMs = sinceStartMs(in);
        out.push_back(data);
    };
    auto endSysex = [&] {
        in.inSysex = false;
        in.waiting.push_back(in.sysex);
        in.sysex.clear();
        drain(in, out);
    };
    for (const char c : bytes) {
        const quint8 byte = quint8(c);
        if (byte >= FirstRealTime) {
            shortDone(QByteArray(1, c));
            continue;
        }
        if (in.inSysex) {
            if (byte < StatusBit || byte == SysexEnd) {
                in.sysex.append(c);
                if (byte == SysexEnd)
                    endSysex();
                continue;
            }
            endSysex(); // cut short by another status byte
        }
        if (byte == SysexStart) {
            in.inSysex = true;
            in.sysex = QByteArray(1, c);
            in.runningStatus = 0;
            in.shortMessage.clear();
            continue;
        }
        if (byte == SysexEnd)
            continue; // stray end byte
        if (byte & StatusBit) {
            in.shortLength = shortMessageLength(byte);
            in.shortMessage = QByteArray(1, c);
            in.runningStatus = byte < FirstSystem ? byte : 0;
        } else if (!in.shortMessage.isEmpty()) {
            in.shortMessage.append(c);
        } else if (in.runningStatus) {
            in.shortLength = shortMessageLength(in.runningStatus);
            in.shortMessage = QByteArray(1, char(in.runningStatus));
            in.shortMessage.append(c);
        } else {
            continue; // data byte without a status
        }
        if (in.shortMessage.size() >= in.shortLength) {
            shortDone(in.shortMessage);
            in.shortMessage.clear();
        }
    }
}

void LoopbackMidi::drain(InDevice &in, std::vector<MidiNotification> &out)
{
    while (!in.waiting.empty() && !in.buffers.empty()) {
        MidiHeader *header = in.buffers.front();
        in.buffers.pop_front();
        const QByteArray &message = in.waiting.front();
        const qsizetype left = message.size() - in.waitingOffset;
        const qsizetype count = std::min<qsizetype>(left, qsizetype(header->data.size()));
        std::copy(message.cbegin() + in.waitingOffset,
                  message.cbegin() + in.waitingOffset + count, header->data.begin());
        header->bytesRecorded = quint32(count);
        header->flags = (header->flags | MidiHeader::Done) & ~quint32(MidiHeader::InQueue);
        in.waitingOffset += count;
        if (in.waitingOffset >= message.size()) {
            in.waiting.pop_front();
            in.waitingOffset = 0;
        }
        MidiNotification back;
        back.kind = MidiNotification::LongData;
        back.header = header;
        back.timeMs = sinceStartMs(in);
        out.push_back(back);
    }
}

bool LoopbackMidi::returnEmptyBuffer(int inputDevice)
{
    InDevice *in = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (inputDevice < 0 || inputDevice >= int(m_ins.size()))
            return false;
        in = m_ins[size_t(inputDevice)].get();
    }
    std::lock_guard delivery(in->delivery);
    MidiNotification back;
    MidiCallback callback;
    {
        std::lock_guard lock(m_mutex);
        if (in->handle == NoMidiHandle || !in->started || in->buffers.empty())
            return false;
        MidiHeader *header = in->buffers.front();
        in->buffers.pop_front();
        header->bytesRecorded = 0;
        header->flags = (header->flags | MidiHeader::Done) & ~quint32(MidiHeader::InQueue);
        back.kind = MidiNotification::LongData;
        back.header = header;
        back.timeMs = sinceStartMs(*in);
        callback = in->callback;
    }
    if (callback)
        callback(back);
    return true;
}
