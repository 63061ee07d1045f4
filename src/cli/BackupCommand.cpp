#include "BackupCommand.h"

#include "BackupJob.h"
#include "CommandContext.h"
#include "CommandDevices.h"
#include "CommandLine.h"
#include "CommandSlotNames.h"
#include "DeviceNumberOption.h"
#include "DumpFile.h"
#include "InstrumentBackup.h"
#include "OutputFile.h"
#include "ProgramMidi.h"
#include "StoppableWait.h"
#include "SubcommandWords.h"
#include "SystemSleeper.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"

#include <QDir>
#include <QScopeGuard>

namespace {

const QString InOption = QStringLiteral("in");
const QString OutOption = QStringLiteral("out");
const QString SaveOption = QStringLiteral("save");

} // namespace

BackupCommand::Options BackupCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words,
                                                            {{InOption, true},
                                                             {OutOption, true},
                                                             {SaveOption, true},
                                                             {DeviceNumberOption::Name, true},
                                                             {OutputFile::ForceOption, false}},
                                                            0);
    Options options;
    options.inPort = arguments.required(Name, InOption, CommandDevices::PortValue);
    options.outPort = arguments.required(Name, OutOption, CommandDevices::PortValue);
    options.file = arguments.required(Name, SaveOption, QStringLiteral("FILE"));
    options.deviceId = DeviceNumberOption::parse(arguments);
    options.replace = arguments.has(OutputFile::ForceOption);
    return options;
}

int BackupCommand::run(const Options &options, CommandContext &context)
{
    OutputFile::checkWritable(options.file, options.replace);
    CommandDevices devices(context);
    TMidiCorvoIn &input = devices.input(options.inPort);
    TMidiCorvoOut &output = devices.output(options.outPort);

    StoppableWait wait;
    // Nothing was played: closing the output would reset every channel's
    // controllers behind a backup.
    const auto leaveOutput = qScopeGuard([&output] { output.deviceLost(); });
    const BackupJob::Io io{[&](const QByteArray &request) { devices.manager.sendSysEx(request); },
                           [&](int milliseconds) { return wait(milliseconds); },
                           devices.midi.sleeper(), input, [&wait] { wait.wake(); }};
    const InstrumentBackup::Result result = BackupJob::run(
        io, devices.deviceId(options.deviceId), [&](int, int, const QString &text) {
            context.progress(text);
            return !wait.stopped();
        });
    context.progress(QString());
    const int places = int(InstrumentBackup::allSlots().size());

    if (result.fetched == 0) {
        if (!result.failure.isEmpty())
            throw VentaroError(result.failure);
        if (result.stopped)
            throw VentaroError(QStringLiteral("Stopped before a voice came: nothing was saved."));
        throw VentaroError(QStringLiteral("The instrument did not answer. Check --in, --out and "
                                          "--device (see \"ventaro find\"): nothing was saved."));
    }
    DumpFile::write(options.file, result.bank);
    CommandSlotNames::rename(context, devices.deviceId(options.deviceId) + 1,
                             VoiceBank::parse(result.bank).voices);
    for (const QString &line : BackupJob::lines(result))
        context.say(line);
    if (!result.failure.isEmpty())
        context.say(result.failure);
    const QString count =
        result.fetched == places
            ? OutputFile::VoiceCount(result.fetched)
            : QStringLiteral("%1 of %2 voices").arg(result.fetched).arg(places);
    context.err
        << QStringLiteral("%1 saved to %2\n").arg(count, QDir::toNativeSeparators(options.file));
    context.err.flush();
    return result.fetched == places ? int(CommandLine::Success) : int(CommandLine::Failure);
}
