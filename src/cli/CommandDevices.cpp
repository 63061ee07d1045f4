#include "CommandDevices.h"

#include "CommandContext.h"
#include "MidiErrorText.h"
#include "ProgramMidi.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"

namespace {

template <typename Port>
Port &choose(Port &port, const QString &name, bool input, const MidiPlatform &platform)
{
    port.setRegKeyName(QString());
    port.RefreshDevices();
    if (!port.DeviceNames().contains(name, Qt::CaseInsensitive))
        throw VentaroError(
            MidiPortErrorMessage(MidiPlatform::NotConnected, input, name, &platform));
    port.setDeviceName(name);
    return port;
}

} // namespace

CommandDevices::CommandDevices(CommandContext &context)
    : midi(context.midi()), manager(nullptr, &midi.platform(), context.settings)
{
}

TMidiCorvoIn &CommandDevices::input(const QString &name)
{
    return choose(*manager.MidiIn(), name, true, midi.platform());
}

TMidiCorvoOut &CommandDevices::output(const QString &name)
{
    return choose(*manager.MidiOut(), name, false, midi.platform());
}

quint8 CommandDevices::deviceId(std::optional<quint8> given) const
{
    return given.value_or(manager.DeviceID());
}
