#include "FindCommand.h"

#include "CommandContext.h"
#include "InstrumentFinder.h"
#include "ProgramMidi.h"
#include "StoppableWait.h"
#include "SubcommandWords.h"
#include "VentaroError.h"

void FindCommand::parse(const QStringList &words)
{
    SubcommandWords::read(words, {}, 0);
}

int FindCommand::run(CommandContext &context)
{
    ProgramMidi &midi = context.midi();
    StoppableWait wait;
    InstrumentFinder finder(midi.platform());
    const QList<InstrumentFinder::Found> found = finder.run(
        [&](int milliseconds) { return wait(milliseconds); },
        [&](int index, int count, const QString &output) {
            context.progress(
                QStringLiteral("Asking on %1 (%2 of %3)...").arg(output).arg(index + 1).arg(count));
            return !wait.stopped();
        });
    context.progress(QString());
    for (const InstrumentFinder::Found &one : found)
        context.out << one.input << '\t' << one.output << '\t' << one.deviceNumber + 1 << '\n';
    context.out.flush();
    if (found.isEmpty())
        throw VentaroError(wait.stopped()
                               ? QStringLiteral("Stopped before any instrument answered.")
                               : InstrumentFinder::NoAnswerText);
    return 0;
}
