#include "CommandWrite.h"

#include "CommandContext.h"
#include "CommandDevices.h"
#include "CommandLine.h"
#include "CommandSlotNames.h"
#include "DeviceNumberOption.h"
#include "ListeningInput.h"
#include "ProgramMidi.h"
#include "StoppableWait.h"
#include "SystemSleeper.h"
#include "TMidiCorvoIn.h"
#include "TMidiCorvoOut.h"
#include "VentaroError.h"
#include "VoiceStore.h"
#include "WriteReport.h"

#include <QScopeGuard>

#include <algorithm>
#include <memory>

namespace {

const QString InOption = QStringLiteral("in");
const QString OutOption = QStringLiteral("out");
const QString GapOption = QStringLiteral("gap");
const QString NoKeepOption = QStringLiteral("no-keep");
const QString NoVerifyOption = QStringLiteral("no-verify");
const QString NotKeptEnd = QStringLiteral("Nothing was written (--no-keep writes without keeping).");

QList<InstrumentBackup::Slot> unanswered(const GuardedWrite::Result &result)
{
    const QString noAnswer = GuardedWrite::notKeptText(GuardedWrite::NotKept::NoAnswer);
    QList<InstrumentBackup::Slot> places;
    for (const WriteRecord::Place &place : result.places)
        if (place.notKept == noAnswer)
            places.append({place.form, place.slot});
    return places;
}

} // namespace

QList<SubcommandWords::Option> CommandWrite::optionList()
{
    return {{OutOption, true},     {InOption, true},        {DeviceNumberOption::Name, true},
            {GapOption, true},     {NoKeepOption, false},   {NoVerifyOption, false}};
}

CommandWrite::Options CommandWrite::read(const SubcommandWords &arguments, const QString &command)
{
    Options options;
    options.outPort = arguments.required(command, OutOption, CommandDevices::PortValue);
    if (arguments.has(InOption))
        options.inPort = arguments.required(command, InOption, CommandDevices::PortValue);
    options.deviceId = DeviceNumberOption::parse(arguments);
    if (arguments.has(GapOption))
        options.gapMs = arguments.number(GapOption, 0, BankSender::MaxGapMs, 0);
    options.keep = !arguments.has(NoKeepOption);
    options.verify = !arguments.has(NoVerifyOption);
    return options;
}

int CommandWrite::run(const VoiceBank &bank, const BankSendPlan &plan, WriteRecord::Kind kind,
                      qint64 restores, VoiceStore *store, const Options &options,
                      CommandContext &context)
{
    CommandDevices devices(context);
    TMidiCorvoOut &port = devices.output(options.outPort);
    TMidiCorvoIn *input = options.inPort ? &devices.input(*options.inPort) : nullptr;
    const quint8 deviceId = devices.deviceId(options.deviceId);
    const bool toSlots = std::any_of(plan.steps.cbegin(), plan.steps.cend(),
                                     [](const BankSendPlan::Step &step) {
                                         return step.to != VoiceDump::Form::Full;
                                     });
    std::unique_ptr<VoiceStore> opened;
    QString libraryProblem;
    if (!store) {
        try {
            opened = std::make_unique<VoiceStore>(VoiceStore::defaultPath());
            store = opened.get();
        } catch (const VentaroError &error) {
            libraryProblem = error.text();
        }
    }
    if (!store && input && options.keep && toSlots)
        throw VentaroError(QStringLiteral("The voice library cannot be opened, so what the slots "
                                          "hold cannot be kept. ")
                           + NotKeptEnd + QLatin1Char('\n') + libraryProblem);

    GuardedWrite::Settings settings;
    settings.keep = options.keep;
    settings.verify = options.verify;
    // The library keeps what was written over; what is written is in its file.
    settings.recordWritten = false;
    settings.gapMs = options.gapMs.value_or(BankSender::storedGapMs(context.settings));

    // Nothing was played, so nothing is silenced: closing the port would
    // set every channel's controllers to their defaults, changing the
    // instrument's mix behind a write of voices.
    const auto leaveOutput = qScopeGuard([&port] { port.deviceLost(); });
    StoppableWait wait;
    GuardedWrite *writer = nullptr;
    std::optional<ListeningInput> listening;
    if (input && toSlots && (options.keep || options.verify))
        listening.emplace(
            *input,
            [&writer](QByteArrayView message) {
                if (writer)
                    writer->take(message);
            },
            [&wait] { wait.wake(); });
    const GuardedWrite::Io io{
        [&](const QByteArray &message) { devices.manager.sendSysEx(message); },
        [&](int milliseconds) { return wait(milliseconds); }, devices.midi.sleeper(),
        listening.has_value()};
    GuardedWrite write(io, store, settings);
    writer = &write;

    bool refused = false;
    GuardedWrite::Events events;
    events.starting = [&](GuardedWrite::Phase phase, int index, int count,
                          const BankSendPlan::Step &step) {
        context.progress(WriteReport::progress(phase, index, count, bank, step));
        return !wait.stopped();
    };
    events.unkept = [&refused](const BankSendPlan::Step &, GuardedWrite::NotKept why) {
        if (why != GuardedWrite::NotKept::NoAnswer)
            return GuardedWrite::Choice::Write;
        refused = true;
        return GuardedWrite::Choice::Cancel;
    };
    const GuardedWrite::Result result = write.run(bank, plan, deviceId, kind, restores, events);
    writer = nullptr;
    context.progress(QString());

    // The slots that took a voice (as far as can be known) are named after it.
    QList<VoiceBank::Voice> reachedVoices;
    for (int i = 0; i < plan.steps.size(); ++i) {
        const WriteRecord::PlaceState state = result.places[i].state;
        if (state != WriteRecord::PlaceState::Written
            && state != WriteRecord::PlaceState::Verified)
            continue;
        VoiceBank::Voice voice = bank.voices[plan.steps[i].voice];
        voice.form = plan.steps[i].to;
        voice.slot = plan.steps[i].slot;
        reachedVoices.append(voice);
    }
    CommandSlotNames::rename(context, deviceId + 1, reachedVoices);

    if (refused)
        throw VentaroError(QStringLiteral("The instrument did not say what %1 holds, so it cannot "
                                          "be kept. ")
                               .arg(InstrumentBackup::placesText(unanswered(result)))
                           + NotKeptEnd);
    if (const QString notKept = WriteReport::notKept(result); !notKept.isEmpty())
        context.say(notKept);
    const int reached = result.count(WriteRecord::PlaceState::Written)
                        + result.count(WriteRecord::PlaceState::Verified);
    if (!result.failure.isEmpty())
        throw VentaroError(result.failure
                           + QStringLiteral("\nvoices sent: %1 of %2")
                                 .arg(reached)
                                 .arg(plan.steps.size()));
    if (const QString line = WriteReport::line(bank, plan, result); !line.isEmpty())
        context.err << line << '\n';
    if (result.kept > 0 && reached > 0)
        context.err << QStringLiteral("What was written over is kept: \"ventaro restore %1\" "
                                      "puts it back\n")
                           .arg(result.entry);
    context.err.flush();
    if (result.stopped) {
        context.say(QStringLiteral("Stopped before the end."));
        return CommandLine::Failure;
    }
    if (const QString notTaken = WriteReport::notTaken(result, deviceId); !notTaken.isEmpty()) {
        context.say(notTaken);
        return CommandLine::Failure;
    }
    return CommandLine::Success;
}
