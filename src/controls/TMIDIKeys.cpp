#include "TMIDIKeys.h"

#include "MidiDeviceChoice.h"

namespace {

constexpr int MaxDataByte = MidiBytes::DataMask;

} // namespace

TMIDIKeys::TMIDIKeys(MidiPlatform *platform, QWidget *parent) : TKeys(parent), m_platform(platform)
{
    OnNoteOn = [this](QObject *sender, int note, int velocity) {
        SendNoteOn(sender, note, velocity);
    };
    OnNoteOff = [this](QObject *sender, int note, int velocity) {
        SendNoteOff(sender, note, velocity);
    };
    m_midiDevice = DefaultDevice;
    m_midiPortName = QStringLiteral("Microsoft MIDI Mapper");
    m_midiChannel = 1;
}

TMIDIKeys::~TMIDIKeys()
{
    closePort();
}

quint32 TMIDIKeys::noteMessage(quint8 status, int channel, int note, int velocity)
{
    using namespace MidiBytes;
    const quint32 statusByte = (status & KindMask) | quint32(channel - 1);
    return statusByte | quint32(note & PackedByteMask) << PackedByteBits
           | quint32(velocity & PackedByteMask) << (2 * PackedByteBits);
}

void TMIDIKeys::setMIDIChannel(int channel)
{
    m_midiChannel = qBound(1, channel, ChannelCount);
}

void TMIDIKeys::setMIDIDevice(int device)
{
    if (device == m_midiDevice)
        return;
    closePort();
    m_midiDevice = device;
    const QStringList names = outputNames();
    m_midiPortName = device >= 0 && device < names.size() ? names[device] : QString();
}

QStringList TMIDIKeys::outputNames() const
{
    // Named as the window's output list names them, twins apart.
    QStringList names;
    const int count = m_platform ? m_platform->outDeviceCount() : 0;
    for (int id = 0; id < count; ++id)
        names << m_platform->outDeviceName(id);
    return MidiDeviceChoice::distinctNames(names);
}

void TMIDIKeys::closePort()
{
    if (PortHandle != NoMidiHandle) {
        // The platform's reset only empties the queue: silence what we left sounding.
        for (std::size_t i = 0; i < m_sounding.size(); ++i) {
            if (m_sounding.test(i))
                m_platform->outShortMessage(
                    PortHandle,
                    noteMessage(NoteOffStatus, int(i / NoteCount) + 1, int(i % NoteCount), 0));
        }
        m_platform->outReset(PortHandle);
        m_platform->outClose(PortHandle);
        PortHandle = NoMidiHandle;
    }
    m_sounding.reset();
    m_midiPortOk = false;
}

void TMIDIKeys::OpenPort()
{
    closePort();
    if (!m_platform)
        return;
    // The device is the one of that name on the list as it is now: devices
    // come and go, and a number of an older list may name another one.
    int device = m_midiDevice;
    if (device >= 0) {
        device = outputNames().indexOf(m_midiPortName);
        if (device < 0)
            return; // not connected now
    }
    MidiHandle handle = NoMidiHandle;
    if (m_platform->outOpen(&handle, device, MidiCallback()) == MidiPlatform::NoError
        && handle != NoMidiHandle) {
        PortHandle = handle;
        m_midiPortOk = true;
    }
}

void TMIDIKeys::SendNoteOn(QObject *, int note, int velocity)
{
    if (PortHandle == NoMidiHandle)
        OpenPort();
    send(NoteOnStatus, note, velocity);
}

void TMIDIKeys::SendNoteOff(QObject *, int note, int velocity)
{
    send(NoteOffStatus, note, velocity);
}

void TMIDIKeys::send(quint8 status, int note, int velocity)
{
    // A note or velocity beyond seven bits would put a status byte into the stream.
    if (!m_midiPortOk || PortHandle == NoMidiHandle || note < 0 || note > MaxDataByte)
        return;
    velocity = qBound(0, velocity, MaxDataByte);
    const int code =
        m_platform->outShortMessage(PortHandle, noteMessage(status, m_midiChannel, note, velocity));
    if (code == MidiPlatform::DeviceGone) {
        closePort(); // the next Note On looks the device up again by name
        return;
    }
    if (code != MidiPlatform::NoError)
        return;
    const std::size_t slot = std::size_t((m_midiChannel - 1) * NoteCount + note);
    m_sounding.set(slot, status == NoteOnStatus && velocity > 0);
}
