#include "CommandDevices.h"

#include "CommandContext.h"
#include "ProgramMidi.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"

namespace {

template <typename Port>
Port &choose(Port &port, const QString &name, bool input)
{
    port.setRegKeyName(QString());
    port.refreshDevices();
    const QStringList names = port.DeviceNames();
    if (!names.contains(name, Qt::CaseInsensitive)) {
        // Said with the names there are, so a mistyped name or an input
        // given as an output is seen at once.
        const QString kind = input ? QStringLiteral("input") : QStringLiteral("output");
        throw VentaroError(QStringLiteral("There is no MIDI %1 named \"%2\"; the %1s are: %3")
                               .arg(kind, name,
                                    names.isEmpty() ? QStringLiteral("none")
                                                    : QStringLiteral("\"%1\"").arg(
                                                        names.join(QStringLiteral("\", \"")))));
    }
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
    return choose(*manager.MidiIn(), name, true);
}

TMidiCorvoOut &CommandDevices::output(const QString &name)
{
    return choose(*manager.MidiOut(), name, false);
}

quint8 CommandDevices::deviceId(std::optional<quint8> given) const
{
    return given.value_or(manager.DeviceID());
}
