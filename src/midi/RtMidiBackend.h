#pragma once

#include <QString>
#include <QStringList>

#include <string>

class RtMidi;

// Which MIDI system RtMidi talks to, and how its ports are named in the
// device lists.
//
// Backend: ALSA when its sequencer can be opened, else JACK; on systems
// without either, RtMidi's own default. The environment variable
// VENTARO_MIDI_API ("alsa", "jack" or "system") forces one.
//
// Port names are listed without ALSA's trailing client:port numbers (they
// change when a device is plugged in again) and without the program's own
// ports (those of its client name).
class RtMidiBackend
{
public:
    enum class Kind { Automatic, Alsa, Jack, SystemDefault };

    static constexpr const char *Variable = "VENTARO_MIDI_API";

    // The backend VENTARO_MIDI_API asks for; Automatic when unset or unknown.
    static Kind fromEnvironment();
    // "alsa", "jack", "system" or anything else (Automatic).
    static Kind fromName(const QString &name);
    // The backend Automatic stands for on this machine; others unchanged.
    static Kind resolve(Kind kind, const QString &clientName);
    // RtMidi's API number for a resolved backend.
    static int rtMidiApi(Kind kind);
    // "alsa", "jack", "system"; empty for Automatic.
    static QString nameOf(Kind kind);

    // A port name as listed: ALSA's trailing " client:port" taken away.
    static QString deviceName(const std::string &portName);
    // Whether a listed name is one of the ports of clientName.
    static bool ownPort(const std::string &clientName, const QString &name);
    // The ports of `midi` as listed, the own ones left out.
    static QStringList list(RtMidi &midi, const std::string &clientName);
    // Position, in a fresh list of port names, of the occurrence of `name`
    // that was the (occurrence)th in the listed names; -1 when it is gone.
    static int findPort(RtMidi &midi, const QString &name, int occurrence);
    // How many names before names[deviceId] are the same as it.
    static int occurrenceOf(const QStringList &names, int deviceId);
};
