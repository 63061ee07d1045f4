#include "RtMidiPlatform.h"

#include "JackClientLock.h"
#include "MidiBytes.h"
#include "RtMidiAlsaWatch.h"
#include "RtMidiInDevice.h"
#include "RtMidiJackWatch.h"
#include "RtMidiOutDevice.h"
#include "RtMidiReaper.h"
#include "Sleeper.h"

#include <RtMidi.h>

#include <chrono>
#include <optional>
#include <vector>

namespace {

constexpr const char *OutputPortName = "MIDI out";
constexpr const char *InputPortName = "MIDI in";
constexpr const char *WatchSuffix = " watch";
constexpr const char *DevicesSuffix = " devices";

// RtMidi reports through this instead of printing or throwing.
void ignoreError(RtMidiError::Type, const std::string &, void *) {}

} // namespace

RtMidiPlatform::RtMidiPlatform(Sleeper &clock, Backend backend, const QString &clientName)
    : m_clock(clock), m_backend(RtMidiBackend::resolve(backend, clientName)),
      m_clientName(clientName.toStdString()), m_reaper(std::make_unique<RtMidiReaper>())
{
    m_queue = std::make_unique<MidiSendQueue>(
        [this](const MidiSendQueue::Item &item) { return transmit(item); });
}

RtMidiPlatform::~RtMidiPlatform()
{
    // The sender first: it may still be sending through a device.
    m_queue.reset();
    std::map<MidiHandle, std::shared_ptr<RtMidiInDevice>> ins;
    std::map<MidiHandle, std::shared_ptr<RtMidiOutDevice>> outs;
    {
        std::lock_guard lock(m_mutex);
        ins.swap(m_ins);
        outs.swap(m_outs);
    }
    for (auto &[handle, device] : ins) {
        std::lock_guard deviceLock(device->mutex);
        device->closed = true;
    }
    setDevicesChanged({});
    if (m_deviceWatch && !m_deviceWatch->alive()) {
        RtMidiReaper::Remains remains;
        remains.watch = std::move(m_deviceWatch);
        m_reaper->bury(std::move(remains));
    }
    m_deviceWatch.reset();
    // Clients of a dead server are closed before any other.
    m_reaper->finish();
    for (auto &[handle, device] : outs)
        device->silence();
}

QStringList RtMidiPlatform::listPorts(bool input) const
{
    // Listing opens a client: the dead ones must be gone first (RtMidi takes
    // about a second to close a client of a server that ended). Then the
    // list is that of whatever server runs now: one started again under the
    // same name is reached in the same process.
    // Still closing them (many, or a slow machine): a client opened now
    // would have libjack free them under the reaper, which then crashes.
    // Their server is gone, and its devices with it; the next listing sees
    // whatever runs by then.
    if (!settle(ReapWaitMs))
        return {};
    watchDevices();
    // No JACK server answered the watch: RtMidi would only say so on
    // standard error.
    if (m_backend == Backend::Jack && !m_deviceWatch)
        return {};
    QStringList names;
    try {
        if (input)
            names = RtMidiBackend::list(*openClient<RtMidiIn>(), m_clientName);
        else
            names = RtMidiBackend::list(*openClient<RtMidiOut>(), m_clientName);
    } catch (const RtMidiError &) {
        // No MIDI system: no devices.
    }
    return names;
}

template <typename Midi>
std::unique_ptr<Midi> RtMidiPlatform::openClient() const
{
    std::optional<JackClientLock> opening;
    if (m_backend == Backend::Jack)
        opening.emplace();
    return std::make_unique<Midi>(RtMidi::Api(apiCode()), m_clientName);
}

void RtMidiPlatform::watchDevices() const
{
    if (m_backend == Backend::Alsa && !m_alsaWatch) {
        m_alsaWatch = std::make_unique<RtMidiAlsaWatch>([this] { devicesChanged(); });
        if (!m_alsaWatch->alive())
            m_alsaWatch.reset();
    }
    if (m_backend != Backend::Jack || m_deviceWatch)
        return;
    m_deviceWatch = std::make_unique<RtMidiJackWatch>(
        m_clientName + DevicesSuffix, [this] { devicesChanged(); }, [this] { devicesChanged(); });
    if (!m_deviceWatch->alive())
        m_deviceWatch.reset(); // no server: tried again at the next listing
}

std::optional<QStringList> RtMidiPlatform::outDeviceSources(int deviceId) const
{
    if (m_backend != Backend::Jack)
        return std::nullopt;
    const QString name = outDeviceName(deviceId);
    watchDevices();
    if (name.isEmpty() || !m_deviceWatch)
        return QStringList();
    QStringList sources;
    for (const std::string &port : m_deviceWatch->connectionsOf(name.toStdString()))
        sources << QString::fromStdString(port);
    return sources;
}

void RtMidiPlatform::devicesChanged() const
{
    std::lock_guard lock(m_changedMutex);
    if (m_devicesChanged)
        m_devicesChanged();
}

void RtMidiPlatform::setDevicesChanged(std::function<void()> handler)
{
    std::lock_guard lock(m_changedMutex);
    m_devicesChanged = std::move(handler);
}

std::shared_ptr<RtMidiOutDevice> RtMidiPlatform::outDevice(MidiHandle handle) const
{
    std::lock_guard lock(m_mutex);
    auto found = m_outs.find(handle);
    return found == m_outs.end() ? nullptr : found->second;
}

std::shared_ptr<RtMidiInDevice> RtMidiPlatform::inDevice(MidiHandle handle) const
{
    std::lock_guard lock(m_mutex);
    auto found = m_ins.find(handle);
    return found == m_ins.end() ? nullptr : found->second;
}

MidiPlatform::Result RtMidiPlatform::target(bool input, MidiHandle *handle, int deviceId,
                                            QString *name, int *occurrence)
{
    if (!handle)
        return InvalidParameter;
    *handle = NoMidiHandle;
    if (deviceId == -1)
        return NoDeviceChosen;
    // Clients of a server that ended a moment ago are still being closed:
    // a new one must not be opened meanwhile, and the device is surely gone.
    if (!settle(0))
        return DeviceGone;
    std::lock_guard lock(m_mutex);
    const QStringList &names = input ? m_inNames : m_outNames;
    if (deviceId < 0 || deviceId >= names.size())
        return BadDeviceId;
    *name = names.at(deviceId);
    *occurrence = RtMidiBackend::occurrenceOf(names, deviceId);
    return NoError;
}

bool RtMidiPlatform::connectionTakes(RtMidiJackWatch &watch)
{
    // JACK drops what passes before a new connection takes effect, so a few
    // cycles are waited for. A server too busy to run them in time is busy,
    // not gone: the port stays while the server still answers. (The device
    // is not listed yet, so no sweep asks this watch meanwhile.)
    return watch.waitPeriods(ConnectPeriods, SendWaitMs) || watch.serverAnswers();
}

RtMidiAlsaWatch::Address RtMidiPlatform::followAlsa(RtMidi &midi, int port) const
{
    const RtMidiAlsaWatch::Address address =
        RtMidiAlsaWatch::addressOf(midi.getPortName(unsigned(port)));
    m_alsaWatch->watch(address);
    return address;
}

// ---- output ---------------------------------------------------------------

int RtMidiPlatform::outDeviceCount() const
{
    const QStringList names = listPorts(false);
    std::lock_guard lock(m_mutex);
    m_outNames = names;
    m_outListed = true;
    return int(names.size());
}

QString RtMidiPlatform::outDeviceName(int deviceId) const
{
    std::unique_lock lock(m_mutex);
    if (!m_outListed) {
        lock.unlock();
        outDeviceCount();
        lock.lock();
    }
    return deviceId >= 0 && deviceId < m_outNames.size() ? m_outNames.at(deviceId) : QString();
}

MidiPlatform::Result RtMidiPlatform::outOpen(MidiHandle *handle, int deviceId,
                                             MidiCallback callback)
{
    QString name;
    int occurrence = 0;
    if (const Result refused = target(false, handle, deviceId, &name, &occurrence);
        refused != NoError)
        return refused;

    auto device = std::make_shared<RtMidiOutDevice>();
    try {
        // JACK: the watch first, so that no client of RtMidi's is opened
        // without a server.
        if (m_backend == Backend::Jack) {
            device->notifier = std::make_unique<QObject>();
            device->relay->notifier = device->notifier.get();
            device->watch = std::make_unique<RtMidiJackWatch>(
                m_clientName + WatchSuffix, [this, relay = device->relay] {
                    std::lock_guard lock(relay->mutex);
                    if (relay->notifier)
                        QMetaObject::invokeMethod(
                            relay->notifier, [this] { sweep(); }, Qt::QueuedConnection);
                });
            if (!device->watch->alive()) {
                device->silence();
                return DeviceGone;
            }
        }
        device->out = openClient<RtMidiOut>();
        device->out->setErrorCallback(&RtMidiOutDevice::onError, device.get());
        const int port = RtMidiBackend::findPort(*device->out, name, occurrence);
        if (port < 0) {
            device->silence();
            return DeviceGone;
        }
        if (device->watch)
            device->watch->watchPort(device->out->getPortName(unsigned(port)));
        else if (m_alsaWatch) {
            device->alsa = m_alsaWatch.get();
            device->address = followAlsa(*device->out, port);
        }
        device->out->openPort(unsigned(port), OutputPortName);
        Result code = NoError;
        if (!device->out->isPortOpen())
            code = DriverError;
        else if (device->watch && !connectionTakes(*device->watch))
            code = DeviceGone;
        if (code != NoError) {
            device->silence();
            return code;
        }
    } catch (const RtMidiError &) {
        device->silence();
        return DriverError;
    }

    device->callback = callback;
    MidiHandle opened = NoMidiHandle;
    {
        std::lock_guard lock(m_mutex);
        opened = m_nextHandle++;
        m_outs[opened] = device;
    }
    {
        std::lock_guard lock(device->relay->mutex);
        device->relay->handle = opened;
    }
    m_queue->addHandle(opened, callback);
    *handle = opened;
    if (callback) {
        MidiNotification open;
        open.kind = MidiNotification::Open;
        callback(open);
    }
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::outShortMessage(MidiHandle handle, quint32 message)
{
    const std::shared_ptr<RtMidiOutDevice> device = outDevice(handle);
    if (!device)
        return InvalidHandle;
    const int length = MidiBytes::shortMessageLength(MidiBytes::statusOf(message));
    if (length == 0)
        return InvalidParameter;
    if (device->gone())
        return DeviceGone;
    MidiSendQueue::Item item;
    item.handle = handle;
    item.word = message;
    item.bytes = MidiBytes::unpack(message, length);
    item.stampNs = m_clock.nowNs();
    return m_queue->post(std::move(item)) ? NoError : InvalidHandle;
}

MidiPlatform::Result RtMidiPlatform::outPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!outDevice(handle))
        return InvalidHandle;
    return MidiPlatform::outPrepareHeader(handle, header);
}

MidiPlatform::Result RtMidiPlatform::outUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!outDevice(handle))
        return InvalidHandle;
    return MidiPlatform::outUnprepareHeader(handle, header);
}

MidiPlatform::Result RtMidiPlatform::outLongMessage(MidiHandle handle, MidiHeader *header)
{
    const std::shared_ptr<RtMidiOutDevice> device = outDevice(handle);
    if (!device)
        return InvalidHandle;
    if (const Result refused = checkHeader(header); refused != NoError)
        return refused;
    // JACK drops a message its ring buffer cannot hold whole, without a word.
    if (device->watch
        && header->data.size() + RtMidiJackWatch::MessageOverhead > RtMidiJackWatch::RingBytes)
        return InvalidParameter;
    if (device->gone())
        return DeviceGone;
    claim(header);
    MidiSendQueue::Item item;
    item.handle = handle;
    item.header = header;
    item.bytes = QByteArray(reinterpret_cast<const char *>(header->data.data()),
                            qsizetype(header->data.size()));
    item.stampNs = m_clock.nowNs();
    if (!m_queue->post(std::move(item))) {
        header->flags &= ~quint32(MidiHeader::InQueue);
        return InvalidHandle;
    }
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::outReset(MidiHandle handle)
{
    if (!outDevice(handle))
        return InvalidHandle;
    return m_queue->flush(handle, ResetWaitMs) ? NoError : Timeout;
}

MidiPlatform::Result RtMidiPlatform::outClose(MidiHandle handle)
{
    std::shared_ptr<RtMidiOutDevice> device;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_outs.find(handle);
        if (found == m_outs.end())
            return InvalidHandle;
        device = found->second;
        m_outs.erase(found);
    }
    // Out of the queue first, so that no Done of it comes after the Close.
    m_queue->removeHandle(handle);
    let(std::move(device));
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::outState(MidiHandle handle) const
{
    const std::shared_ptr<RtMidiOutDevice> device = outDevice(handle);
    if (!device)
        return InvalidHandle;
    bool portWent = false;
    {
        std::lock_guard sending(device->sending);
        if (!device->gone())
            return NoError;
        portWent = device->portWent();
    }
    // Ports also go when their server ends; then the device went with it.
    const bool serverRuns =
        m_backend != Backend::Jack || (m_deviceWatch && m_deviceWatch->serverAnswers());
    return portWent && serverRuns ? NotConnected : DeviceGone;
}

bool RtMidiPlatform::settle(int waitMs) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        sweep();
        if (!m_reaper->busy())
            return true;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        // The others may hear of the end while these close: swept again.
        m_reaper->waitIdle(int(left.count()));
    }
}

void RtMidiPlatform::sweep() const
{
    RtMidiReaper::Outs outs;
    RtMidiReaper::Ins ins;
    {
        std::lock_guard lock(m_mutex);
        for (const auto &[handle, device] : m_outs)
            outs.emplace_back(handle, device);
        for (const auto &[handle, device] : m_ins)
            ins.push_back(device);
    }
    // Without m_mutex: the reaper takes each device's own lock.
    m_reaper->sweep(outs, ins, m_deviceWatch,
                    [this](MidiHandle handle) { m_queue->flush(handle, 0, DeviceGone); });
}

void RtMidiPlatform::let(std::shared_ptr<RtMidiOutDevice> device)
{
    const MidiCallback callback = device->callback;
    m_reaper->let(device);
    device.reset();
    if (callback) {
        MidiNotification close;
        close.kind = MidiNotification::Close;
        callback(close);
    }
}

MidiPlatform::Result RtMidiPlatform::transmit(const MidiSendQueue::Item &item)
{
    const std::shared_ptr<RtMidiOutDevice> device = outDevice(item.handle);
    if (!device)
        return InvalidHandle; // closed meanwhile
    return device->send(item.bytes, item.header != nullptr);
}

// ---- input ----------------------------------------------------------------

int RtMidiPlatform::inDeviceCount() const
{
    const QStringList names = listPorts(true);
    std::lock_guard lock(m_mutex);
    m_inNames = names;
    m_inListed = true;
    return int(names.size());
}

QString RtMidiPlatform::inDeviceName(int deviceId) const
{
    std::unique_lock lock(m_mutex);
    if (!m_inListed) {
        lock.unlock();
        inDeviceCount();
        lock.lock();
    }
    return deviceId >= 0 && deviceId < m_inNames.size() ? m_inNames.at(deviceId) : QString();
}

MidiPlatform::Result RtMidiPlatform::inOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    QString name;
    int occurrence = 0;
    if (const Result refused = target(true, handle, deviceId, &name, &occurrence);
        refused != NoError)
        return refused;

    auto device = std::make_shared<RtMidiInDevice>(m_clock);
    device->callback = callback;
    try {
        if (m_backend == Backend::Jack) {
            device->watch = std::make_unique<RtMidiJackWatch>(m_clientName + WatchSuffix);
            if (!device->watch->alive())
                return DeviceGone;
        }
        device->in = openClient<RtMidiIn>();
        device->in->setErrorCallback(&ignoreError);
        const int port = RtMidiBackend::findPort(*device->in, name, occurrence);
        if (port < 0)
            return DeviceGone;
        // SysEx, timing and sensing all come through; the parser sorts them.
        device->in->ignoreTypes(false, false, false);
        device->in->setBufferSize(RtMidiInDevice::InputBufferBytes,
                                  RtMidiInDevice::InputBufferCount);
        device->in->setCallback(&RtMidiInDevice::onInput, device.get());
        if (device->watch)
            device->watch->watchPort(device->in->getPortName(unsigned(port)));
        else if (m_alsaWatch) {
            device->alsa = m_alsaWatch.get();
            device->address = followAlsa(*device->in, port);
        }
        device->in->openPort(unsigned(port), InputPortName);
        if (!device->in->isPortOpen())
            return DriverError;
        if (device->watch && !connectionTakes(*device->watch))
            return DeviceGone;
    } catch (const RtMidiError &) {
        return DriverError;
    }

    MidiHandle opened = NoMidiHandle;
    {
        std::lock_guard lock(m_mutex);
        opened = m_nextHandle++;
        m_ins[opened] = device;
    }
    *handle = opened;
    if (callback) {
        MidiNotification open;
        open.kind = MidiNotification::Open;
        callback(open);
    }
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::inPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!inDevice(handle))
        return InvalidHandle;
    return MidiPlatform::inPrepareHeader(handle, header);
}

MidiPlatform::Result RtMidiPlatform::inUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!inDevice(handle))
        return InvalidHandle;
    return MidiPlatform::inUnprepareHeader(handle, header);
}

MidiPlatform::Result RtMidiPlatform::inAddBuffer(MidiHandle handle, MidiHeader *header)
{
    const std::shared_ptr<RtMidiInDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    const Result queued = device->buffers.queue(header);
    if (queued == NoError)
        device->drain();
    return queued;
}

MidiPlatform::Result RtMidiPlatform::inStart(MidiHandle handle)
{
    const std::shared_ptr<RtMidiInDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    if (device->gone())
        return DeviceGone;
    if (!device->started) {
        device->started = true;
        device->startNs = m_clock.nowNs();
        device->parser.reset();
    }
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::inStop(MidiHandle handle)
{
    const std::shared_ptr<RtMidiInDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    device->started = false;
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::inReset(MidiHandle handle)
{
    const std::shared_ptr<RtMidiInDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    device->started = false;
    device->buffers.dropWaiting();
    device->parser.reset();
    std::vector<MidiNotification> back;
    device->buffers.handBackAll(device->sinceStartMs(), back);
    device->raise(back);
    return NoError;
}

MidiPlatform::Result RtMidiPlatform::inState(MidiHandle handle) const
{
    const std::shared_ptr<RtMidiInDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    return device->gone() ? DeviceGone : NoError;
}

MidiPlatform::Result RtMidiPlatform::inClose(MidiHandle handle)
{
    std::shared_ptr<RtMidiInDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    MidiCallback callback;
    {
        std::lock_guard deviceLock(device->mutex);
        if (device->buffers.queued() != 0)
            return StillQueued;
        std::lock_guard lock(m_mutex);
        m_ins.erase(handle);
        device->closed = true;
        device->started = false;
        device->buffers.dropWaiting();
        callback = device->callback;
        device->callback = nullptr;
    }
    // Ends RtMidi's input thread; a delivery in progress has seen `closed`.
    device->in.reset();
    device->watch.reset();
    if (callback) {
        MidiNotification close;
        close.kind = MidiNotification::Close;
        callback(close);
    }
    return NoError;
}
