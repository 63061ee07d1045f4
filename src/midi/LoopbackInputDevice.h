#pragma once

#include "MidiInputBuffers.h"
#include "MidiNotification.h"
#include "MidiPlatform.h"
#include "MidiStreamParser.h"

#include <QByteArray>
#include <QString>

#include <mutex>
#include <vector>

// One input device of LoopbackMidi: who has it open, and what was injected
// for it, read as a MIDI stream off a cable.
//
// Locks: `delivery` is held while the device's notifications are raised, so
// they keep arrival order; LoopbackMidi takes its m_mutex inside it, never
// the other way round. The other members are guarded by LoopbackMidi's m_mutex.
class LoopbackInputDevice
{
public:
    // A cable's stream: running status, messages may span injections, and a
    // SysEx cut short by a status byte is handed on as far as it came.
    static MidiStreamParser::Options parsing();

    explicit LoopbackInputDevice(const QString &name);

    // Opened anew: nothing queued, nothing waiting, nothing half read.
    void open(MidiHandle opened, MidiCallback openedCallback);
    // Forgets what waits and what was half read (the buffers stay queued).
    void forgetInput();
    // Reads injected bytes; what they complete is added to `out` stamped timeMs.
    void read(const QByteArray &bytes, qint64 timeMs, std::vector<MidiNotification> &out);

    QString name;
    bool unplugged = false;
    MidiHandle handle = NoMidiHandle;
    MidiCallback callback;
    bool started = false;
    qint64 startNs = 0;
    MidiInputBuffers buffers;
    std::recursive_mutex delivery;

private:
    MidiStreamParser m_parser{parsing()};
};
