#include "PortsCommand.h"

#include "CommandContext.h"
#include "MidiDeviceChoice.h"
#include "ProgramMidi.h"
#include "SubcommandWords.h"

void PortsCommand::parse(const QStringList &words)
{
    SubcommandWords::read(words, {}, 0);
}

int PortsCommand::run(CommandContext &context)
{
    ProgramMidi &midi = context.midi();
    // The lists the ports take, so the names are the window's.
    for (const bool input : {true, false}) {
        const MidiDeviceChoice devices(&midi.platform(), input, context.settings);
        for (const QString &name : devices.names())
            context.out << (input ? "in\t" : "out\t") << name << '\n';
    }
    context.out.flush();
    return 0;
}
