#pragma once

#include "MidiErrorText.h"
#include "MidiPlatform.h"
#include "VentaroError.h"

#include <QString>

// Sets a port of the device manager to the device named on the command
// line. The port's settings key is taken away first: the name given here
// is not the window's choice and is never stored. A name that is not
// listed now raises the port's "not connected" error, as opening it would.
class NamedPort
{
public:
    template <typename Port>
    static void Choose(Port &port, const QString &name, bool input, const MidiPlatform &platform)
    {
        port.setRegKeyName(QString());
        port.RefreshDevices();
        if (!port.DeviceNames().contains(name, Qt::CaseInsensitive))
            throw VentaroError(
                MidiPortErrorMessage(MidiPlatform::NotConnected, input, name, &platform));
        port.setDeviceName(name);
    }
};
