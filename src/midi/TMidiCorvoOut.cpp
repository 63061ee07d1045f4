#include "TMidiCorvoOut.h"

#include "MidiBytes.h"
#include "MidiErrorText.h"
#include "VentaroError.h"

#include <QScopeGuard>

#include <chrono>

TMidiCorvoOut::TMidiCorvoOut(QObject *owner, MidiPlatform *platform, const RegRoot &settings)
    : QObject(owner), m_platform(platform), m_choice(platform, false, settings)
{
}

TMidiCorvoOut::TMidiCorvoOut(QObject *owner, const QString &regKeyName, MidiPlatform *platform,
                             const RegRoot &settings)
    : TMidiCorvoOut(owner, platform, settings)
{
    m_choice.setRegKeyName(regKeyName);
    Loaded();
}

TMidiCorvoOut::~TMidiCorvoOut()
{
    m_destroying = true;
    try {
        Close();
    } catch (const std::exception &) {
        // Nobody is left to show it; the handle is released all the same.
    }
    std::lock_guard lock(m_pendingMutex);
    m_pending.clear();
}

void TMidiCorvoOut::raiseError(MidiPlatform::Result code) const
{
    throw VentaroError(midiPortErrorMessage(code, false, m_choice.name(), m_platform));
}

void TMidiCorvoOut::Loaded()
{
    m_choice.restore();
}

void TMidiCorvoOut::setDeviceID(int value)
{
    if (value == m_choice.id())
        return;
    if (!m_choice.isValidId(value))
        throw VentaroError(
            midiPortErrorMessage(MidiPlatform::BadDeviceId, false, QString(), m_platform));
    const bool wasOpen = m_isOpen;
    Close();
    m_choice.choose(value);
    m_lost = false;
    if (wasOpen)
        Open();
}

void TMidiCorvoOut::setDeviceName(const QString &value)
{
    m_choice.setName(value);
    const int index = m_choice.indexOf(value);
    setDeviceID(index);
    if (index == -1)
        m_choice.setName(QString());
}

int TMidiCorvoOut::deviceState() const
{
    return m_isOpen ? m_platform->outState(m_handle) : MidiPlatform::NoError;
}

void TMidiCorvoOut::Open()
{
    // Its device went away while the MIDI system runs (unplugged, its client
    // ended): the handle goes, and the device of that name is opened as it is
    // listed now. One plugged in again is reached at the first send.
    if (m_isOpen && m_platform->outState(m_handle) == MidiPlatform::NotConnected)
        deviceLost();
    if (m_isOpen)
        return;
    // The name decides, on the list as it is now.
    if (!m_choice.refreshChosen())
        raiseError(m_lost ? MidiPlatform::DeviceGone : MidiPlatform::NotConnected);
    MidiHandle handle = NoMidiHandle;
    const MidiPlatform::Result code = m_platform->outOpen(
        &handle, m_choice.id(), [this](const MidiNotification &n) { HandleDriverMessage(n); });
    if (code != MidiPlatform::NoError) {
        m_handle = NoMidiHandle;
        raiseError(code);
    }
    m_handle = handle;
    m_isOpen = true;
    m_lost = false;
    forgetSendFailure();
}

void TMidiCorvoOut::Close()
{
    if (!m_isOpen)
        return;
    ReleaseHeldNotes();
    ResetControllers();
    m_isOpen = false;
    m_closing = true;
    const auto closed = qScopeGuard([this] { m_closing = false; });
    const MidiHandle handle = m_handle;
    const MidiPlatform::Result resetCode = m_platform->outReset(handle);
    if (resetCode != MidiPlatform::NoError) {
        // Never keep the device while the port reads as closed: the next
        // Open would open it a second time. Once closed, the platform
        // raises nothing more for the blocks, so they can go.
        m_platform->outClose(handle);
        m_handle = NoMidiHandle;
        releaseAllPending();
        forgetSendFailure();
        raiseError(resetCode);
    }
    releaseAllPending();
    const MidiPlatform::Result closeCode = m_platform->outClose(handle);
    m_handle = NoMidiHandle;
    forgetSendFailure();
    if (closeCode != MidiPlatform::NoError)
        raiseError(closeCode);
}

void TMidiCorvoOut::deviceLost()
{
    m_lost = true;
    if (!m_isOpen)
        return;
    m_isOpen = false;
    m_closing = true;
    const auto closed = qScopeGuard([this] { m_closing = false; });
    const MidiHandle handle = m_handle;
    m_platform->outReset(handle);
    releaseAllPending();
    m_platform->outClose(handle);
    m_handle = NoMidiHandle;
    forgetSendFailure();
    std::lock_guard lock(m_tableMutex);
    for (auto &channel : m_heldNotes)
        channel.fill(0);
}

int TMidiCorvoOut::SendShortMessage(const TEventData &msg)
{
    if (msg.status >= MidiBytes::FirstSystem)
        return MidiPlatform::NoError;
    std::lock_guard lock(m_tableMutex);
    const MidiPlatform::Result code = m_platform->outShortMessage(m_handle, msg.toWord());
    if (code == MidiPlatform::DeviceGone)
        m_lost = true;
    const int channel = msg.status & MidiBytes::ChannelMask;
    const quint8 kind = msg.status & MidiBytes::KindMask;
    const int number = msg.data1;
    if (number >= NoteCount)
        return code; // not a note or controller number: nothing to count
    if (kind == MidiBytes::NoteOff || (kind == MidiBytes::NoteOn && msg.data2 == 0)) {
        if (m_heldNotes[channel][number] > 0)
            --m_heldNotes[channel][number];
    } else if (kind == MidiBytes::NoteOn) {
        ++m_heldNotes[channel][number];
    } else if (kind == MidiBytes::ControlChange) {
        m_controllers[channel][number] = msg.data2;
    }
    return code;
}

int TMidiCorvoOut::SendShortMessage(quint8 status, quint8 data1, quint8 data2)
{
    TEventData msg;
    msg.status = status;
    msg.data1 = data1;
    msg.data2 = data2;
    return SendShortMessage(msg);
}

int TMidiCorvoOut::SendLongMessage(const quint8 *data, int length)
{
    if (!data || length <= 0)
        return MidiPlatform::InvalidParameter;
    auto owned = std::make_unique<MidiHeader>();
    owned->data.assign(data, data + length);
    owned->user = m_choice.id();
    MidiHeader *header = owned.get();
    const MidiHandle handle = m_handle;
    m_platform->outPrepareHeader(handle, header);
    {
        std::lock_guard lock(m_pendingMutex);
        m_pending.push_back(std::move(owned));
    }
    const MidiPlatform::Result code = m_platform->outLongMessage(handle, header);
    if (code == MidiPlatform::DeviceGone)
        m_lost = true;
    if (code != MidiPlatform::NoError)
        releasePending(header); // the platform never took it
    return code;
}

int TMidiCorvoOut::SendLongMessage(const QByteArray &bytes)
{
    return SendLongMessage(reinterpret_cast<const quint8 *>(bytes.constData()), int(bytes.size()));
}

void TMidiCorvoOut::ReleaseHeldNotes()
{
    std::lock_guard lock(m_tableMutex);
    for (int channel = 0; channel < ChannelCount; ++channel)
        for (int note = 0; note < NoteCount; ++note)
            while (m_heldNotes[channel][note] > 0)
                SendShortMessage(quint8(MidiBytes::NoteOff + channel), quint8(note), 0);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        const qint32 sustainDefault = DefaultControllerValues[SustainController];
        if (m_controllers[channel][SustainController] != sustainDefault)
            SendShortMessage(quint8(MidiBytes::ControlChange + channel), quint8(SustainController),
                             quint8(sustainDefault));
    }
}

void TMidiCorvoOut::ResetControllers()
{
    std::lock_guard lock(m_tableMutex);
    for (int channel = 0; channel < ChannelCount; ++channel) {
        for (int controller = 0; controller < ControllerCount; ++controller) {
            const qint32 value = DefaultControllerValues[size_t(controller)];
            if (m_controllers[channel][controller] == value)
                continue;
            TEventData msg;
            msg.status = quint8(MidiBytes::ControlChange + channel);
            msg.data1 = quint8(controller);
            msg.data2 = quint8(value);
            m_platform->outShortMessage(m_handle, msg.toWord());
            m_controllers[channel][controller] = value;
        }
    }
}

qint32 TMidiCorvoOut::heldNotes(int channel, int note) const
{
    if (channel < 0 || channel >= ChannelCount || note < 0 || note >= NoteCount)
        return 0;
    std::lock_guard lock(m_tableMutex);
    return m_heldNotes[channel][note];
}

qint32 TMidiCorvoOut::controllerValue(int channel, int controller) const
{
    if (channel < 0 || channel >= ChannelCount || controller < 0 || controller >= ControllerCount)
        return 0;
    std::lock_guard lock(m_tableMutex);
    return m_controllers[channel][controller];
}

int TMidiCorvoOut::waitSent(int timeoutMs)
{
    std::unique_lock lock(m_pendingMutex);
    const bool allDone = m_pendingChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                                   [this] { return m_pending.empty(); });
    int code = m_sendFailure;
    m_sendFailure = MidiPlatform::NoError;
    if (code == MidiPlatform::DeviceGone)
        m_lost = true;
    if (code == MidiPlatform::NoError && !allDone)
        code = MidiPlatform::Timeout;
    return code;
}

int TMidiCorvoOut::pendingCount() const
{
    std::lock_guard lock(m_pendingMutex);
    return int(m_pending.size());
}

void TMidiCorvoOut::releasePending(MidiHeader *header, int result)
{
    std::lock_guard lock(m_pendingMutex);
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        if (it->get() == header) {
            m_platform->outUnprepareHeader(m_handle, header);
            m_pending.erase(it);
            if (result != MidiPlatform::NoError && m_sendFailure == MidiPlatform::NoError)
                m_sendFailure = result;
            m_pendingChanged.notify_all();
            return;
        }
    }
}

void TMidiCorvoOut::forgetSendFailure()
{
    std::lock_guard lock(m_pendingMutex);
    m_sendFailure = MidiPlatform::NoError;
}

void TMidiCorvoOut::releaseAllPending()
{
    std::lock_guard lock(m_pendingMutex);
    if (!m_pending.empty() && m_sendFailure == MidiPlatform::NoError)
        m_sendFailure = MidiPlatform::DeviceGone;
    while (!m_pending.empty()) {
        m_platform->outUnprepareHeader(m_handle, m_pending.front().get());
        m_pending.pop_front();
    }
    m_pendingChanged.notify_all();
}

void TMidiCorvoOut::HandleDriverMessage(const MidiNotification &notification)
{
    switch (notification.kind) {
    case MidiNotification::Open:
        m_isOpen = true;
        if (OnStateChanged)
            OnStateChanged(this);
        break;
    case MidiNotification::Close:
        if (!m_closing)
            m_lost = true; // closed under the port: the device went away
        m_isOpen = false;
        m_handle = NoMidiHandle;
        if (OnStateChanged && !m_destroying)
            OnStateChanged(this);
        break;
    case MidiNotification::Done:
        releasePending(notification.header, notification.result);
        break;
    default:
        break;
    }
}
