#include "TMidiCorvoIn.h"

#include "MidiErrorText.h"
#include "TMidiFilter.h"
#include "VentaroError.h"

#include <QMetaObject>
#include <QtDebug>

TMidiCorvoIn::TMidiCorvoIn(QObject *owner, MidiPlatform *platform, const RegRoot &settings)
    : QObject(owner), m_platform(platform), m_choice(platform, true, settings)
{
}

TMidiCorvoIn::TMidiCorvoIn(QObject *owner, const QString &regKeyName, MidiPlatform *platform,
                           const RegRoot &settings)
    : TMidiCorvoIn(owner, platform, settings)
{
    m_choice.setRegKeyName(regKeyName);
    Loaded();
}

TMidiCorvoIn::~TMidiCorvoIn()
{
    m_destroying = true;
    if (m_state != Closed) {
        try {
            Close();
        } catch (const std::exception &) {
            // Close raises nothing itself; nobody is left to show it anyway.
        }
    }
    destroyHandoff();
    freeBuffers();
}

void TMidiCorvoIn::raiseError(MidiPlatform::Result code) const
{
    throw VentaroError(midiPortErrorMessage(code, true, m_choice.name(), m_platform));
}

void TMidiCorvoIn::Loaded()
{
    m_choice.restore();
}

void TMidiCorvoIn::setDeviceID(int value)
{
    if (value == m_choice.id())
        return;
    if (!m_choice.isValidId(value))
        throw VentaroError(
            midiPortErrorMessage(MidiPlatform::BadDeviceId, true, QString(), m_platform));
    const TMidiInState remembered = m_state;
    if (remembered != Closed)
        Close();
    m_choice.choose(value);
    if (remembered == Opened)
        Open(false);
    else if (remembered == Started)
        Open(true);
}

void TMidiCorvoIn::setDeviceName(const QString &value)
{
    m_choice.setName(value);
    const int index = m_choice.indexOf(value);
    setDeviceID(index);
    if (index == -1)
        m_choice.setName(QString());
}

void TMidiCorvoIn::setMidiFilter(TMidiFilter *filter)
{
    TMidiFilter *previous = m_filter.exchange(filter);
    if (previous)
        disconnect(previous, &QObject::destroyed, this, nullptr);
    if (filter)
        connect(
            filter, &QObject::destroyed, this,
            [this, filter]() mutable { m_filter.compare_exchange_strong(filter, nullptr); },
            Qt::DirectConnection);
}

void TMidiCorvoIn::Open(bool StartNow)
{
    if (m_state == Opened) {
        try {
            Start();
            return;
        } catch (const VentaroError &) {
            if (m_state != Closed)
                throw;
            // The device went away under the open port: open the device of
            // that name afresh, wherever it is now, and start it.
            StartNow = true;
        }
    }
    if (m_state == Started)
        return; // already running on its device
    // The name decides, on the list as it is now; never another device.
    if (!m_choice.refreshChosen())
        raiseError(MidiPlatform::NotConnected);
    MidiHandle handle = NoMidiHandle;
    const MidiPlatform::Result code = m_platform->inOpen(
        &handle, m_choice.id(), [this](const MidiNotification &n) { HandleDriverMessage(n); });
    if (code != MidiPlatform::NoError) {
        m_handle = NoMidiHandle;
        raiseError(code);
    }
    m_handle = handle;
    if (StartNow)
        Start();
}

void TMidiCorvoIn::Start()
{
    if (m_state == Started)
        return;
    // The hand-off exists before input runs, so no returned buffer is missed.
    {
        std::lock_guard lock(m_handoffMutex);
        if (!m_handoff)
            m_handoff = new QObject(this);
    }
    const MidiPlatform::Result code = m_platform->inStart(m_handle);
    if (code != MidiPlatform::NoError) {
        destroyHandoff();
        if (code == MidiPlatform::DeviceGone) {
            // Nothing will ever come from it: let the handle go, so that the
            // next Open looks the device up again by name.
            m_platform->inClose(m_handle);
            m_handle = NoMidiHandle;
            m_state = Closed;
        }
        raiseError(code);
    }
    try {
        for (int i = 0; i < SysExBufferCount; ++i)
            AddSysExBuffer();
    } catch (const VentaroError &) {
        // Input does not keep running without its buffers: undo the start.
        m_platform->inStop(m_handle);
        m_platform->inReset(m_handle);
        destroyHandoff();
        freeBuffers();
        throw;
    }
    m_state = Started;
}

void TMidiCorvoIn::AddSysExBuffer()
{
    auto owned = std::make_unique<MidiHeader>();
    owned->data.resize(SysExBufferSize);
    owned->flags = 0;
    owned->user = m_choice.id();
    MidiHeader *header = owned.get();
    MidiPlatform::Result code = m_platform->inPrepareHeader(m_handle, header);
    if (code != MidiPlatform::NoError)
        raiseError(code);
    // Owned before it is queued: the platform may hand it back at once.
    m_buffers.push_back(std::move(owned));
    code = m_platform->inAddBuffer(m_handle, header);
    if (code != MidiPlatform::NoError) {
        m_platform->inUnprepareHeader(m_handle, header);
        m_buffers.pop_back();
        raiseError(code);
    }
}

int TMidiCorvoIn::deviceState() const
{
    if (m_state == Closed)
        return MidiPlatform::NoError;
    return m_platform->inState(m_handle);
}

void TMidiCorvoIn::Stop()
{
    if (m_state != Started)
        return;
    m_platform->inStop(m_handle);
    m_platform->inReset(m_handle);
    m_state = Opened;
    destroyHandoff();
    freeBuffers();
}

void TMidiCorvoIn::Close()
{
    if (m_state == Closed)
        return;
    Stop();
    m_platform->inClose(m_handle);
    m_handle = NoMidiHandle;
    // Closed even if the platform said nothing: the handle is gone.
    m_state = Closed;
}

bool TMidiCorvoIn::reconnect()
{
    if (m_state == Closed || m_choice.isAbsent() || deviceState() != MidiPlatform::DeviceGone)
        return false;
    const bool started = m_state == Started;
    try {
        Close();
        Open(started);
    } catch (const VentaroError &) {
        return false;
    }
    return true;
}

void TMidiCorvoIn::destroyHandoff()
{
    QObject *handoff = nullptr;
    {
        std::lock_guard lock(m_handoffMutex);
        handoff = m_handoff;
        m_handoff = nullptr;
    }
    if (!handoff)
        return;
    // Deleting it discards the hand-offs still waiting; inside a delivery it
    // must outlive the running one.
    if (m_delivering > 0)
        handoff->deleteLater();
    else
        delete handoff;
}

void TMidiCorvoIn::freeBuffers()
{
    for (const std::unique_ptr<MidiHeader> &header : m_buffers)
        m_platform->inUnprepareHeader(m_handle, header.get());
    m_buffers.clear();
}

bool TMidiCorvoIn::ownsBuffer(const MidiHeader *header) const
{
    for (const std::unique_ptr<MidiHeader> &owned : m_buffers)
        if (owned.get() == header)
            return true;
    return false;
}

void TMidiCorvoIn::HandleDriverMessage(const MidiNotification &notification)
{
    switch (notification.kind) {
    case MidiNotification::Open:
        m_state = Opened;
        if (OnStateChanged)
            OnStateChanged(this);
        break;
    case MidiNotification::Close:
        m_state = Closed;
        if (OnStateChanged && !m_destroying)
            OnStateChanged(this);
        break;
    case MidiNotification::Data: {
        TEventData event = TEventData::fromWord(notification.message);
        // Nothing may leave the platform's callback.
        try {
            if (TMidiFilter *filter = m_filter.load())
                filter->ProcessEvent(event);
            if (OnEventReceived)
                OnEventReceived(this, event);
        } catch (const std::exception &error) {
            qWarning("MIDI input handler failed: %s", error.what());
        }
        break;
    }
    case MidiNotification::LongData: {
        std::lock_guard lock(m_handoffMutex);
        if (QObject *handoff = m_handoff) {
            MidiHeader *header = notification.header;
            QMetaObject::invokeMethod(
                handoff, [this, handoff, header] { deliverSysEx(handoff, header); },
                Qt::QueuedConnection);
        }
        break;
    }
    default:
        break;
    }
}

void TMidiCorvoIn::deliverSysEx(QObject *handoff, MidiHeader *header)
{
    auto current = [&] {
        std::lock_guard lock(m_handoffMutex);
        return handoff == m_handoff && ownsBuffer(header);
    };
    if (!current())
        return; // stopped since it was handed over
    if (OnSysexReceived && header->bytesRecorded > 0) {
        ++m_delivering;
        try {
            OnSysexReceived(this, header->data.data(), qint32(header->bytesRecorded));
        } catch (const std::exception &error) {
            qWarning("SysEx handler failed: %s", error.what());
        }
        --m_delivering;
        if (!current())
            return; // the handler stopped or restarted the port
    }
    m_platform->inUnprepareHeader(m_handle, header);
    if (m_state == Started) {
        header->bytesRecorded = 0;
        header->offset = 0;
        m_platform->inPrepareHeader(m_handle, header);
        m_platform->inAddBuffer(m_handle, header);
    }
}
