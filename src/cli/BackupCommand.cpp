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

BackupCommand::Options BackupCommand::Parse(const QStringList &words)
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
    options.deviceId = DeviceNumberOption::Parse(arguments);
    options.replace = arguments.has(OutputFile::ForceOption);
    return options;
}

int BackupCommand::Run(const Options &options, CommandContext &context)
{
    OutputFile::CheckWritable(options.file, options.replace);
    CommandDevices devices(context);
    TMidiCorvoIn &input = devices.input(options.inPort);
    TMidiCorvoOut &output = devices.output(options.outPort);

    StoppableWait wait;
    // Nothing was played: closing the output would reset every channel's
    // controllers behind a backup.
    const auto leaveOutput = qScopeGuard([&output] { output.DeviceLost(); });
    const BackupJob::Io io{[&](const QByteArray &request) { devices.manager.SendSysEx(request); },
                           [&](int milliseconds) { return wait(milliseconds); },
                           devices.midi.sleeper(), input, [&wait] { wait.Wake(); }};
    const InstrumentBackup::Result result = BackupJob::Run(
        io, devices.deviceId(options.deviceId), [&](int, int, const QString &text) {
            context.progress(text);
            return !wait.stopped();
        });
    context.progress(QString());
    const int places = int(InstrumentBackup::Slots().size());

    if (result.fetched == 0) {
        if (!result.failure.isEmpty())
            throw VentaroError(result.failure);
        if (result.stopped)
            throw VentaroError(QStringLiteral("Stopped before a voice came: nothing was saved."));
        throw VentaroError(QStringLiteral("The instrument did not answer. Check --in, --out and "
                                          "--device (see \"ventaro find\"): nothing was saved."));
    }
    DumpFile::Write(options.file, result.bank);
    CommandSlotNames::Rename(context, devices.deviceId(options.deviceId) + 1,
                             VoiceBank::Parse(result.bank).voices);
    for (const QString &line : BackupJob::Lines(result))
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
