#include "RtMidiPlatform.h"

#include "RtMidiInputParser.h"
#include "RtMidiAlsaWatch.h"
#include "RtMidiJackWatch.h"
#include "Sleeper.h"

#include <RtMidi.h>

#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>
#include <atomic>
#include <cstring>
#include <deque>
#include <vector>

namespace {

constexpr const char *OutputPortName = "MIDI out";
constexpr const char *InputPortName = "MIDI in";
constexpr const char *WatchSuffix = " watch";
constexpr const char *DevicesSuffix = " devices";
constexpr const char *AlsaSequencerPath = "/dev/snd/seq";
constexpr qint64 NsPerMs = 1000000;

struct BackendName
{
    RtMidiPlatform::Backend backend;
    const char *name;
};

constexpr BackendName BackendNames[] = {
    {RtMidiPlatform::Backend::Alsa, "alsa"},
    {RtMidiPlatform::Backend::Jack, "jack"},
    {RtMidiPlatform::Backend::SystemDefault, "system"},
};

bool compiled(RtMidi::Api api)
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    return std::find(apis.begin(), apis.end(), api) != apis.end();
}

// RtMidi reports through this instead of printing or throwing.
void ignoreError(RtMidiError::Type, const std::string &, void *) {}

bool alsaSequencerOpens(const std::string &clientName)
{
#ifdef Q_OS_LINUX
    // Without the device node the attempt only prints ALSA's complaint.
    if (!QFile::exists(QString::fromLatin1(AlsaSequencerPath)))
        return false;
#endif
    try {
        RtMidiIn probe(RtMidi::LINUX_ALSA, clientName);
        return true;
    } catch (const RtMidiError &) {
        return false;
    }
}

// Position, in a fresh list of port names, of the occurrence of `name` that
// was the (occurrence)th in the listed names; -1 when it is gone.
int findPort(RtMidi &midi, const QString &name, int occurrence)
{
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (RtMidiPlatform::deviceName(midi.getPortName(i)) == name && occurrence-- == 0)
            return int(i);
    }
    return -1;
}

int occurrenceOf(const QStringList &names, int deviceId)
{
    const QString &name = names.at(deviceId);
    int occurrence = 0;
    for (int i = 0; i < deviceId; ++i)
        if (names.at(i) == name)
            ++occurrence;
    return occurrence;
}

} // namespace

// Carries the news of the JACK server's end from JACK's thread to the thread
// that opened the device, through a QObject living there.
struct RtMidiPlatform::EndRelay
{
    std::mutex mutex;
    QObject *notifier = nullptr; // cleared before the notifier goes
    MidiHandle handle = NoMidiHandle;
};

struct RtMidiPlatform::OutDevice
{
    std::mutex sending;   // held while RtMidi sends; close takes it
    bool closed = false;  // guarded by sending
    std::unique_ptr<RtMidiOut> out;
    std::unique_ptr<RtMidiJackWatch> watch;
    // ALSA: the platform's announce watch and the device's address.
    RtMidiAlsaWatch *alsa = nullptr;
    RtMidiAlsaWatch::Address address{-1, -1};
    MidiCallback callback;
    std::unique_ptr<QObject> notifier;  // lives on the opening thread
    std::shared_ptr<EndRelay> relay = std::make_shared<EndRelay>();
    std::atomic<bool> failed{false};
    std::atomic<bool> errorSeen{false};

    // Called on the notifier's thread before the device is let go.
    void silence()
    {
        {
            std::lock_guard lock(relay->mutex);
            relay->notifier = nullptr;
        }
        notifier.reset();
    }

    static void onError(RtMidiError::Type, const std::string &, void *self)
    {
        static_cast<OutDevice *>(self)->errorSeen = true;
    }
    // Its server ended, or the device it is connected to went away.
    bool gone()
    {
        return failed || (watch && (!watch->alive() || watch->portGone()))
               || (alsa && alsa->gone(address));
    }
};

struct RtMidiPlatform::InDevice
{
    explicit InDevice(Sleeper &clock) : clock(clock) {}

    // Every notification of the device is raised with this held, in order.
    std::recursive_mutex mutex;
    Sleeper &clock;
    std::unique_ptr<RtMidiIn> in;
    std::unique_ptr<RtMidiJackWatch> watch;
    RtMidiAlsaWatch *alsa = nullptr;
    RtMidiAlsaWatch::Address address{-1, -1};
    MidiCallback callback;
    bool started = false;
    bool closed = false;
    qint64 startNs = 0;
    RtMidiInputParser parser{InputBufferBytes};
    std::deque<MidiHeader *> buffers;                 // queued, in order
    std::deque<std::vector<unsigned char>> waiting;   // whole SysEx messages not yet in a buffer
    std::size_t waitingOffset = 0;                    // bytes of waiting.front() handed over

    qint64 sinceStartMs() const { return (clock.nowNs() - startNs) / NsPerMs; }

    // Nothing will come any more: its server ended (sweep let RtMidi's
    // client go) or the device went away. Called with `mutex` held.
    bool gone()
    {
        return !in || (watch && (!watch->alive() || watch->portGone()))
               || (alsa && alsa->gone(address));
    }

    void raise(const MidiNotification &notification)
    {
        if (callback)
            callback(notification);
    }

    // Fills queued buffers with waiting messages, one message (or the next
    // part of a long one) per buffer.
    void drain()
    {
        while (!buffers.empty() && !waiting.empty()) {
            MidiHeader *header = buffers.front();
            buffers.pop_front();
            const std::vector<unsigned char> &message = waiting.front();
            const std::size_t count =
                std::min<std::size_t>(header->data.size(), message.size() - waitingOffset);
            std::memcpy(header->data.data(), message.data() + waitingOffset, count);
            header->bytesRecorded = quint32(count);
            waitingOffset += count;
            if (waitingOffset >= message.size()) {
                waiting.pop_front();
                waitingOffset = 0;
            }
            header->flags = (header->flags | MidiHeader::Done) & ~quint32(MidiHeader::InQueue);
            MidiNotification filled;
            filled.kind = MidiNotification::LongData;
            filled.header = header;
            filled.timeMs = sinceStartMs();
            raise(filled);
        }
    }

    void take(const unsigned char *bytes, std::size_t count)
    {
        parser.feed(
            bytes, count,
            [this](quint32 message) {
                MidiNotification data;
                data.kind = MidiNotification::Data;
                data.message = message;
                data.timeMs = sinceStartMs();
                raise(data);
            },
            [this](const std::vector<unsigned char> &block) {
                if (waiting.size() >= MaxWaitingMessages)
                    return; // nobody takes input: what is new is dropped
                waiting.push_back(block);
                drain();
            });
    }
};

RtMidiPlatform::Backend RtMidiPlatform::backendFromName(const QString &name)
{
    const QString wanted = name.trimmed().toLower();
    for (const BackendName &entry : BackendNames)
        if (wanted == QLatin1String(entry.name))
            return entry.backend;
    return Backend::Automatic;
}

RtMidiPlatform::Backend RtMidiPlatform::backendFromEnvironment()
{
    return backendFromName(qEnvironmentVariable(BackendVariable));
}

RtMidiPlatform::Backend RtMidiPlatform::resolve(Backend backend, const QString &clientName)
{
    if (backend != Backend::Automatic)
        return backend;
    if (compiled(RtMidi::LINUX_ALSA) && alsaSequencerOpens(clientName.toStdString()))
        return Backend::Alsa;
    if (compiled(RtMidi::UNIX_JACK))
        return Backend::Jack;
    return Backend::SystemDefault;
}

RtMidiPlatform::RtMidiPlatform(Sleeper &clock, Backend backend, const QString &clientName)
    : m_clock(clock), m_backend(resolve(backend, clientName)),
      m_clientName(clientName.toStdString())
{
    m_queue = std::make_unique<MidiSendQueue>(
        [this](const MidiSendQueue::Item &item) { return transmit(item); });
}

RtMidiPlatform::~RtMidiPlatform()
{
    // The sender first: it may still be sending through a device.
    m_queue.reset();
    std::map<MidiHandle, std::shared_ptr<InDevice>> ins;
    std::map<MidiHandle, std::shared_ptr<OutDevice>> outs;
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
        Remains remains;
        remains.watch = std::move(m_deviceWatch);
        bury(std::move(remains));
    }
    m_deviceWatch.reset();
    // Clients of a dead server are closed before any other.
    {
        std::lock_guard lock(m_reapMutex);
        m_reaperStopping = true;
    }
    m_reapWake.notify_all();
    if (m_reaper.joinable())
        m_reaper.join();
    for (auto &[handle, device] : outs)
        device->silence();
}

QString RtMidiPlatform::nameOf(Backend backend)
{
    for (const BackendName &entry : BackendNames)
        if (entry.backend == backend)
            return QString::fromLatin1(entry.name);
    return QString();
}

int RtMidiPlatform::rtMidiApi(Backend backend)
{
    switch (backend) {
    case Backend::Alsa:
        return RtMidi::LINUX_ALSA;
    case Backend::Jack:
        return RtMidi::UNIX_JACK;
    default:
        return RtMidi::UNSPECIFIED;
    }
}

QString RtMidiPlatform::deviceName(const std::string &portName)
{
    static const QRegularExpression alsaNumbers(QStringLiteral("\\s+\\d+:\\d+$"));
    QString name = QString::fromStdString(portName);
    name.remove(alsaNumbers);
    return name;
}

bool RtMidiPlatform::ownPort(const QString &name) const
{
    // JACK gives a second client of the same name a "-NN" suffix.
    const QRegularExpression own(
        QStringLiteral("^%1(-\\d+)?:")
            .arg(QRegularExpression::escape(QString::fromStdString(m_clientName))));
    return own.match(name).hasMatch();
}

QStringList RtMidiPlatform::listPorts(bool input) const
{
    // Listing opens a client: the dead ones must be gone first (RtMidi takes
    // about a second to close a client of a server that ended). Then the
    // list is that of whatever server runs now: one started again under the
    // same name is reached in the same process.
    const_cast<RtMidiPlatform *>(this)->sweep();
    waitForReaper();
    watchDevices();
    QStringList names;
    auto list = [&](RtMidi &midi) {
        midi.setErrorCallback(&ignoreError);
        const unsigned count = midi.getPortCount();
        for (unsigned i = 0; i < count; ++i) {
            const QString name = deviceName(midi.getPortName(i));
            if (!name.isEmpty() && !ownPort(name))
                names << name;
        }
    };
    try {
        if (input) {
            RtMidiIn midi(RtMidi::Api(apiCode()), m_clientName);
            list(midi);
        } else {
            RtMidiOut midi(RtMidi::Api(apiCode()), m_clientName);
            list(midi);
        }
    } catch (const RtMidiError &) {
        // No MIDI system: no devices.
    }
    return names;
}

void RtMidiPlatform::watchDevices() const
{
    auto *self = const_cast<RtMidiPlatform *>(this);
    if (m_backend == Backend::Alsa && !m_alsaWatch) {
        m_alsaWatch = std::make_unique<RtMidiAlsaWatch>([self] { self->devicesChanged(); });
        if (!m_alsaWatch->alive())
            m_alsaWatch.reset();
    }
    if (m_backend != Backend::Jack || m_deviceWatch)
        return;
    m_deviceWatch = std::make_unique<RtMidiJackWatch>(
        m_clientName + DevicesSuffix, [self] { self->devicesChanged(); },
        [self] { self->devicesChanged(); });
    if (!m_deviceWatch->alive())
        m_deviceWatch.reset(); // no server: tried again at the next listing
}

void RtMidiPlatform::devicesChanged()
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

std::shared_ptr<RtMidiPlatform::OutDevice> RtMidiPlatform::outDevice(MidiHandle handle) const
{
    std::lock_guard lock(m_mutex);
    auto found = m_outs.find(handle);
    return found == m_outs.end() ? nullptr : found->second;
}

std::shared_ptr<RtMidiPlatform::InDevice> RtMidiPlatform::inDevice(MidiHandle handle) const
{
    std::lock_guard lock(m_mutex);
    auto found = m_ins.find(handle);
    return found == m_ins.end() ? nullptr : found->second;
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

int RtMidiPlatform::outOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    if (!handle)
        return InvalidParameter;
    *handle = NoMidiHandle;
    if (deviceId == -1)
        return NoDeviceChosen;
    sweep();
    // Clients of a server that ended a moment ago are still being closed:
    // a new one must not be opened meanwhile, and the device is surely gone.
    if (reaping())
        return DeviceGone;
    QString name;
    int occurrence = 0;
    {
        std::lock_guard lock(m_mutex);
        if (deviceId < 0 || deviceId >= m_outNames.size())
            return BadDeviceId;
        name = m_outNames.at(deviceId);
        occurrence = occurrenceOf(m_outNames, deviceId);
    }

    auto device = std::make_shared<OutDevice>();
    try {
        device->out = std::make_unique<RtMidiOut>(RtMidi::Api(apiCode()), m_clientName);
        device->out->setErrorCallback(&OutDevice::onError, device.get());
        const int port = findPort(*device->out, name, occurrence);
        if (port < 0)
            return DeviceGone;
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
            device->watch->watchPort(device->out->getPortName(unsigned(port)));
        } else if (m_alsaWatch) {
            device->alsa = m_alsaWatch.get();
            device->address = RtMidiAlsaWatch::addressOf(device->out->getPortName(unsigned(port)));
            device->alsa->watch(device->address);
        }
        device->out->openPort(unsigned(port), OutputPortName);
        int code = NoError;
        if (!device->out->isPortOpen())
            code = DriverError;
        // JACK drops what is sent before the new connection takes effect.
        else if (device->watch && !device->watch->waitPeriods(ConnectPeriods, SendWaitMs))
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

int RtMidiPlatform::outShortMessage(MidiHandle handle, quint32 message)
{
    const std::shared_ptr<OutDevice> device = outDevice(handle);
    if (!device)
        return InvalidHandle;
    const int length = RtMidiInputParser::shortMessageLength(quint8(message & 0xFF));
    if (length == 0)
        return InvalidParameter;
    if (device->gone())
        return DeviceGone;
    MidiSendQueue::Item item;
    item.handle = handle;
    item.word = message;
    for (int i = 0; i < length; ++i)
        item.bytes.append(char((message >> (8 * i)) & 0xFF));
    item.stampNs = m_clock.nowNs();
    return m_queue->post(std::move(item)) ? NoError : InvalidHandle;
}

int RtMidiPlatform::outPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!outDevice(handle))
        return InvalidHandle;
    return MidiPlatform::outPrepareHeader(handle, header);
}

int RtMidiPlatform::outUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!outDevice(handle))
        return InvalidHandle;
    return MidiPlatform::outUnprepareHeader(handle, header);
}

int RtMidiPlatform::outLongMessage(MidiHandle handle, MidiHeader *header)
{
    const std::shared_ptr<OutDevice> device = outDevice(handle);
    if (!device)
        return InvalidHandle;
    if (!header || header->data.empty())
        return InvalidParameter;
    if (!(header->flags & MidiHeader::Prepared))
        return Unprepared;
    if (header->flags & MidiHeader::InQueue)
        return StillQueued;
    // JACK drops a message its ring buffer cannot hold whole, without a word.
    if (device->watch
        && header->data.size() + RtMidiJackWatch::MessageOverhead > RtMidiJackWatch::RingBytes)
        return InvalidParameter;
    if (device->gone())
        return DeviceGone;
    header->flags = (header->flags | MidiHeader::InQueue) & ~quint32(MidiHeader::Done);
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

int RtMidiPlatform::outReset(MidiHandle handle)
{
    if (!outDevice(handle))
        return InvalidHandle;
    return m_queue->flush(handle, ResetWaitMs) ? NoError : Timeout;
}

int RtMidiPlatform::outClose(MidiHandle handle)
{
    std::shared_ptr<OutDevice> device;
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

void RtMidiPlatform::sweep()
{
    // libjack frees the clients of a server that has ended as soon as this
    // process opens a new client, and closing them after that crashes: they
    // are closed here, before anything new is opened. All of this program's
    // clients live on the one server, so the first of them told of its end
    // speaks for all: each is told on a thread of its own, and one not told
    // yet must not be left open while a listing opens a new client.
    // The ports keep their handles: the next send fails at once, without a
    // new client (which would have to wait for these to close), and the
    // port lets it go.
    std::vector<std::pair<MidiHandle, std::shared_ptr<OutDevice>>> outs;
    std::vector<std::shared_ptr<InDevice>> ins;
    {
        std::lock_guard lock(m_mutex);
        for (const auto &[handle, device] : m_outs)
            outs.emplace_back(handle, device);
        for (const auto &[handle, device] : m_ins)
            ins.push_back(device);
    }
    bool serverEnded = m_deviceWatch && !m_deviceWatch->alive();
    for (auto &[handle, device] : outs) {
        std::lock_guard sending(device->sending);
        serverEnded = serverEnded || (device->watch && !device->watch->alive());
    }
    for (const std::shared_ptr<InDevice> &device : ins) {
        std::lock_guard deviceLock(device->mutex);
        serverEnded = serverEnded || (device->watch && !device->watch->alive());
    }

    if (serverEnded && m_deviceWatch) {
        Remains remains;
        remains.watch = std::move(m_deviceWatch);
        bury(std::move(remains));
    }
    for (auto &[handle, device] : outs) {
        Remains remains;
        {
            std::lock_guard sending(device->sending);
            // A device that went from a server still running goes too.
            if (!device->out || !(serverEnded ? bool(device->watch) : device->gone()))
                continue;
            device->failed = true;
            remains.out = std::move(device->out);
            remains.watch = std::move(device->watch);
        }
        // Blocks still queued are handed back as not sent.
        m_queue->flush(handle, 0, DeviceGone);
        remains.keep = device;
        bury(std::move(remains));
    }
    if (!serverEnded)
        return;
    for (const std::shared_ptr<InDevice> &device : ins) {
        Remains remains;
        {
            std::lock_guard deviceLock(device->mutex);
            if (!device->in || !device->watch)
                continue;
            remains.in = std::move(device->in);
            remains.watch = std::move(device->watch);
        }
        remains.keep = device;
        bury(std::move(remains));
    }
}

void RtMidiPlatform::let(std::shared_ptr<OutDevice> device)
{
    Remains remains;
    {
        // Waits for a message of it being sent.
        std::lock_guard sending(device->sending);
        device->closed = true;
        if (device->gone()) {
            remains.out = std::move(device->out);
            remains.watch = std::move(device->watch);
        }
    }
    device->silence();
    const MidiCallback callback = device->callback;
    if (remains.out || remains.watch) {
        // RtMidi waits a second for a JACK server that has ended: not here.
        remains.keep = device;
        bury(std::move(remains));
    }
    device.reset();
    if (callback) {
        MidiNotification close;
        close.kind = MidiNotification::Close;
        callback(close);
    }
}

void RtMidiPlatform::bury(Remains remains)
{
    {
        std::lock_guard lock(m_reapMutex);
        m_toReap.push_back(std::move(remains));
        if (!m_reaper.joinable())
            m_reaper = std::thread([this] { reap(); });
    }
    m_reapWake.notify_all();
}

void RtMidiPlatform::reap()
{
    std::unique_lock lock(m_reapMutex);
    for (;;) {
        m_reapWake.wait(lock, [this] { return m_reaperStopping || !m_toReap.empty(); });
        if (m_toReap.empty())
            return;
        std::vector<Remains> remains;
        remains.swap(m_toReap);
        m_reaping = true;
        lock.unlock();
        for (Remains &each : remains) {
            each.out.reset();
            each.in.reset();
            each.watch.reset();
        }
        remains.clear();
        lock.lock();
        m_reaping = false;
        m_reapWake.notify_all();
    }
}

void RtMidiPlatform::waitForReaper() const
{
    std::unique_lock lock(m_reapMutex);
    m_reapWake.wait_for(lock, std::chrono::milliseconds(ReapWaitMs),
                        [this] { return !m_reaping && m_toReap.empty(); });
}

bool RtMidiPlatform::reaping() const
{
    std::lock_guard lock(m_reapMutex);
    return m_reaping || !m_toReap.empty();
}

int RtMidiPlatform::transmit(const MidiSendQueue::Item &item)
{
    const std::shared_ptr<OutDevice> device = outDevice(item.handle);
    if (!device)
        return InvalidHandle; // closed meanwhile
    std::lock_guard sending(device->sending);
    if (device->closed)
        return InvalidHandle;
    if (device->gone())
        return DeviceGone;
    if (device->watch
        && !device->watch->waitForRoom(std::size_t(item.bytes.size()), SendWaitMs)) {
        device->failed = true;
        return DeviceGone;
    }
    device->errorSeen = false;
    try {
        device->out->sendMessage(reinterpret_cast<const unsigned char *>(item.bytes.constData()),
                                 std::size_t(item.bytes.size()));
    } catch (const RtMidiError &) {
        device->failed = true;
    }
    if (device->errorSeen)
        device->failed = true;
    // A block counts as sent once the server has taken it: JACK moves it
    // from RtMidi's ring buffer into the port in the next period. A server
    // that ended a moment ago still takes the ring buffer's bytes, and only
    // a period that never comes tells it.
    if (!device->failed && item.header && device->watch
        && !device->watch->waitPeriods(TakenPeriods, SendWaitMs))
        device->failed = true;
    return device->failed ? DeviceGone : NoError;
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

void RtMidiPlatform::onInput(double, std::vector<unsigned char> *message, void *self)
{
    auto *device = static_cast<InDevice *>(self);
    if (!message || message->empty())
        return;
    std::lock_guard lock(device->mutex);
    if (device->closed || !device->started)
        return;
    device->take(message->data(), message->size());
}

int RtMidiPlatform::inOpen(MidiHandle *handle, int deviceId, MidiCallback callback)
{
    if (!handle)
        return InvalidParameter;
    *handle = NoMidiHandle;
    if (deviceId == -1)
        return NoDeviceChosen;
    sweep();
    // Clients of a server that ended a moment ago are still being closed:
    // a new one must not be opened meanwhile, and the device is surely gone.
    if (reaping())
        return DeviceGone;
    QString name;
    int occurrence = 0;
    {
        std::lock_guard lock(m_mutex);
        if (deviceId < 0 || deviceId >= m_inNames.size())
            return BadDeviceId;
        name = m_inNames.at(deviceId);
        occurrence = occurrenceOf(m_inNames, deviceId);
    }

    auto device = std::make_shared<InDevice>(m_clock);
    device->callback = callback;
    try {
        device->in = std::make_unique<RtMidiIn>(RtMidi::Api(apiCode()), m_clientName);
        device->in->setErrorCallback(&ignoreError);
        const int port = findPort(*device->in, name, occurrence);
        if (port < 0)
            return DeviceGone;
        // SysEx, timing and sensing all come through; the parser sorts them.
        device->in->ignoreTypes(false, false, false);
        device->in->setBufferSize(InputBufferBytes, InputBufferCount);
        device->in->setCallback(&RtMidiPlatform::onInput, device.get());
        if (m_backend == Backend::Jack) {
            device->watch = std::make_unique<RtMidiJackWatch>(m_clientName + WatchSuffix);
            if (!device->watch->alive())
                return DeviceGone;
            device->watch->watchPort(device->in->getPortName(unsigned(port)));
        } else if (m_alsaWatch) {
            device->alsa = m_alsaWatch.get();
            device->address = RtMidiAlsaWatch::addressOf(device->in->getPortName(unsigned(port)));
            device->alsa->watch(device->address);
        }
        device->in->openPort(unsigned(port), InputPortName);
        if (!device->in->isPortOpen())
            return DriverError;
        // JACK drops what arrives before the new connection takes effect.
        if (device->watch && !device->watch->waitPeriods(ConnectPeriods, SendWaitMs))
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

int RtMidiPlatform::inPrepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!inDevice(handle))
        return InvalidHandle;
    return MidiPlatform::inPrepareHeader(handle, header);
}

int RtMidiPlatform::inUnprepareHeader(MidiHandle handle, MidiHeader *header)
{
    if (!inDevice(handle))
        return InvalidHandle;
    return MidiPlatform::inUnprepareHeader(handle, header);
}

int RtMidiPlatform::inAddBuffer(MidiHandle handle, MidiHeader *header)
{
    const std::shared_ptr<InDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    if (!header || header->data.empty())
        return InvalidParameter;
    std::lock_guard lock(device->mutex);
    if (!(header->flags & MidiHeader::Prepared))
        return Unprepared;
    if (header->flags & MidiHeader::InQueue)
        return StillQueued;
    header->flags = (header->flags | MidiHeader::InQueue) & ~quint32(MidiHeader::Done);
    header->bytesRecorded = 0;
    device->buffers.push_back(header);
    device->drain();
    return NoError;
}

int RtMidiPlatform::inStart(MidiHandle handle)
{
    const std::shared_ptr<InDevice> device = inDevice(handle);
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

int RtMidiPlatform::inStop(MidiHandle handle)
{
    const std::shared_ptr<InDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    device->started = false;
    return NoError;
}

int RtMidiPlatform::inReset(MidiHandle handle)
{
    const std::shared_ptr<InDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    device->started = false;
    device->waiting.clear();
    device->waitingOffset = 0;
    device->parser.reset();
    std::deque<MidiHeader *> buffers;
    buffers.swap(device->buffers);
    for (MidiHeader *header : buffers) {
        header->bytesRecorded = 0;
        header->flags = (header->flags | MidiHeader::Done) & ~quint32(MidiHeader::InQueue);
        MidiNotification back;
        back.kind = MidiNotification::LongData;
        back.header = header;
        back.timeMs = device->sinceStartMs();
        device->raise(back);
    }
    return NoError;
}

int RtMidiPlatform::inState(MidiHandle handle) const
{
    const std::shared_ptr<InDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    std::lock_guard lock(device->mutex);
    return device->gone() ? DeviceGone : NoError;
}

int RtMidiPlatform::inClose(MidiHandle handle)
{
    std::shared_ptr<InDevice> device = inDevice(handle);
    if (!device)
        return InvalidHandle;
    MidiCallback callback;
    {
        std::lock_guard deviceLock(device->mutex);
        if (!device->buffers.empty())
            return StillQueued;
        std::lock_guard lock(m_mutex);
        m_ins.erase(handle);
        device->closed = true;
        device->started = false;
        device->waiting.clear();
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
