#include "PortsCommand.h"

#include "CommandArguments.h"
#include "CommandContext.h"
#include "MidiDeviceChoice.h"
#include "ProgramMidi.h"

void PortsCommand::Parse(const QStringList &words)
{
    CommandArguments::Parse(words, {}, 0);
}

int PortsCommand::Run(CommandContext &context)
{
    ProgramMidi &midi = context.midi();
    // The lists the ports take, so the names are the window's.
    for (const bool input : {true, false}) {
        const MidiDeviceChoice devices(&midi.platform(), input, context.settings);
        for (const QString &name : devices.Names())
            context.out << (input ? "in\t" : "out\t") << name << '\n';
    }
    context.out.flush();
    return 0;
}
