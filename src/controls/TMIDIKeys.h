#pragma once

#include "MidiBytes.h"
#include "MidiPlatform.h"
#include "TKeys.h"

#include <bitset>

// The piano keyboard with a MIDI output of its own: every press and release
// becomes a Note On or Note Off on MIDIDevice and MIDIChannel. The output
// hangs on OnNoteOn and OnNoteOff, so a window that assigns its own handlers
// replaces it completely and the device is never opened.
class TMIDIKeys : public TKeys
{
    Q_OBJECT
    Q_PROPERTY(int MIDIDevice READ MIDIDevice WRITE setMIDIDevice)
    Q_PROPERTY(int MIDIChannel READ MIDIChannel WRITE setMIDIChannel)
    Q_PROPERTY(QString MIDIPortName READ MIDIPortName)
    Q_PROPERTY(bool MIDIPortOk READ MIDIPortOk)

public:
    static constexpr quint8 NoteOnStatus = MidiBytes::NoteOn;
    static constexpr quint8 NoteOffStatus = MidiBytes::NoteOff;
    static constexpr int ChannelCount = 16;
    static constexpr int DefaultDevice = -1;

    // The platform is not owned and must outlive the control; without one
    // the control plays nothing.
    explicit TMIDIKeys(MidiPlatform *platform, QWidget *parent = nullptr);
    ~TMIDIKeys() override;

    // Output device number; -1 is the platform's default output.
    int MIDIDevice() const { return m_midiDevice; }
    // Closes the device when the number changes and looks up the new name;
    // the next Note On opens the new device.
    void setMIDIDevice(int device);
    // 1..16; other values are brought into that range.
    int MIDIChannel() const { return m_midiChannel; }
    void setMIDIChannel(int channel);
    QString MIDIPortName() const { return m_midiPortName; }
    // True while the device is open.
    bool MIDIPortOk() const { return m_midiPortOk; }

    // Closes the device if open, then opens the device named MIDIPortName
    // on the list as it is now (-1: the platform's default); failures leave
    // MIDIPortOk false and are not reported.
    void OpenPort();
    // Opens the device first when it is closed (each Note On retries).
    void SendNoteOn(QObject *Sender, int note, int velocity);
    // Never opens the device.
    void SendNoteOff(QObject *Sender, int note, int velocity);

    // A note message packed for the platform: status + channel - 1, note,
    // velocity in bits 0..7, 8..15 and 16..23.
    static quint32 noteMessage(quint8 status, int channel, int note, int velocity);

private:
    void closePort();
    QStringList outputNames() const;
    void send(quint8 status, int note, int velocity);

    MidiPlatform *m_platform;
    MidiHandle PortHandle = NoMidiHandle;
    int m_midiDevice = DefaultDevice;
    int m_midiChannel = 1;
    QString m_midiPortName;
    bool m_midiPortOk = false;
    // Notes this control left sounding, per channel, silenced when it closes.
    std::bitset<ChannelCount * NoteCount> m_sounding;
};
