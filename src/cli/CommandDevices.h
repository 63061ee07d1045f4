#pragma once

#include "TVLManager.h"

#include <QString>

#include <optional>

class ProgramMidi;
class TMidiCorvoIn;
class TMidiCorvoOut;
struct CommandContext;

// The device manager as a subcommand uses it: on the program's MIDI devices,
// with the settings read, and ports set to the devices named on the command
// line. A port's settings key is taken away first: the name given here is
// not the window's choice and is never stored. A name that is not listed now
// raises the port's "not connected" error, as opening it would.
class CommandDevices
{
public:
    // What a port option takes, as a usage error says it.
    static inline const QString PortValue = QStringLiteral("PORT (see \"ventaro ports\")");

    explicit CommandDevices(CommandContext &context);

    TMidiCorvoIn &input(const QString &name);
    TMidiCorvoOut &output(const QString &name);
    // The device number given on the command line, else the stored one.
    quint8 deviceId(std::optional<quint8> given) const;

    ProgramMidi &midi;
    TVLManager manager;
};
