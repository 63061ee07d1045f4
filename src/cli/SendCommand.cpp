#include "SendCommand.h"

#include "BankSendPlan.h"
#include "BankSender.h"
#include "CommandArguments.h"
#include "CommandContext.h"
#include "CommandDevices.h"
#include "DeviceNumberOption.h"
#include "InstrumentBackup.h"
#include "OutputFile.h"
#include "ProgramMidi.h"
#include "SystemSleeper.h"
#include "TMidiCorvoOut.h"
#include "UsageError.h"
#include "VentaroError.h"
#include "VoiceBank.h"

#include <QDir>

namespace {

const QString OutOption = QStringLiteral("out");
const QString VoiceOption = QStringLiteral("voice");
const QString AllOption = QStringLiteral("all");
const QString ToOption = QStringLiteral("to");
const QString GapOption = QStringLiteral("gap");
const QString CurrentPlace = QStringLiteral("current");
const QString CustomPlace = QStringLiteral("custom");
const QString InternalPlace = QStringLiteral("internal");
constexpr QChar SlotSeparator = u':';
// A bank file holds at most this many voices (1 MiB of the shortest form).
constexpr int MaxVoiceNumber = int(VoiceBank::MaxFileBytes / VoiceDump::InternalLength);

} // namespace

SendCommand::Destination SendCommand::ParseDestination(const QString &text)
{
    if (text == CurrentPlace)
        return {};
    const qsizetype separator = text.indexOf(SlotSeparator);
    const QString kind = text.left(separator);
    const VoiceDump::Form form = kind == CustomPlace     ? VoiceDump::Form::Custom
                                 : kind == InternalPlace ? VoiceDump::Form::Internal
                                                         : VoiceDump::Form::Full;
    if (separator < 0 || form == VoiceDump::Form::Full)
        throw UsageError(
            QStringLiteral("--to must be current, custom:S or internal:S, not \"%1\"").arg(text),
            UsageError::Kind::Value);
    return {form,
            CommandArguments::Number(QStringLiteral("the slot of --to %1").arg(kind),
                                     text.mid(separator + 1), 1, BankSendPlan::SlotCount(form))};
}

SendCommand::Options SendCommand::Parse(const QStringList &words)
{
    const CommandArguments arguments = CommandArguments::Parse(words,
                                                               {{OutOption, true},
                                                                {VoiceOption, true},
                                                                {AllOption, false},
                                                                {ToOption, true},
                                                                {DeviceNumberOption::Name, true},
                                                                {GapOption, true}},
                                                               1);
    Options options;
    if (arguments.positionals.isEmpty())
        throw UsageError(QStringLiteral("send needs a FILE"));
    options.file = arguments.positionals.first();
    options.port = arguments.required(Name, OutOption, CommandDevices::PortValue);
    if (arguments.has(VoiceOption) && arguments.has(AllOption))
        throw UsageError(QStringLiteral("--voice and --all cannot go together"));
    options.voice = arguments.number(VoiceOption, 1, MaxVoiceNumber, 1);
    options.all = arguments.has(AllOption);
    if (arguments.has(ToOption))
        options.to = ParseDestination(arguments.value(ToOption));
    options.deviceId = DeviceNumberOption::Parse(arguments);
    if (arguments.has(GapOption))
        options.gapMs = arguments.number(GapOption, 0, BankSender::MaxGapMs, 0);
    return options;
}

int SendCommand::Run(const Options &options, CommandContext &context)
{
    // Everything that can stop the send is looked at before the first byte.
    const VoiceBank bank = VoiceBank::Read(options.file);
    const QString shownFile = QDir::toNativeSeparators(options.file);
    if (bank.voices.isEmpty())
        throw VentaroError(QStringLiteral("This is not a valid voice for VL70-m\n") + shownFile);
    if (!options.all && options.voice > bank.voices.size())
        throw VentaroError(QStringLiteral("There is no voice %1: the file holds %2.\n%3")
                               .arg(options.voice)
                               .arg(bank.voices.size())
                               .arg(shownFile));
    BankSendPlan::Options where;
    if (options.to) {
        where.order = BankSendPlan::Order::Consecutive;
        where.consecutiveTo = options.to->to;
        where.firstSlot = options.to->slot;
    } else {
        where.fullVoicesTo = VoiceDump::Form::Full;
    }
    if (!options.all)
        where.onlyVoice = options.voice - 1;
    const BankSendPlan plan = BankSendPlan::Make(bank, where);

    CommandDevices devices(context);
    TMidiCorvoOut &port = devices.output(options.port);
    const quint8 deviceId = devices.deviceId(options.deviceId);
    const int gapMs = options.gapMs.value_or(BankSender::StoredGapMs(context.settings));

    BankSender::Events events;
    events.starting = [&](int i) {
        const BankSendPlan::Step &step = plan.steps[i];
        context.progress(QStringLiteral("Voice %1 of %2: %3 to %4")
                             .arg(i + 1)
                             .arg(plan.steps.size())
                             .arg(bank.voices[step.voice].name.trimmed(),
                                  BankSendPlan::PlaceText(step.to, step.slot)));
        return true;
    };
    BankSender sender([&](const QByteArray &message) { devices.manager.SendSysEx(message); },
                      devices.midi.sleeper(), gapMs);
    int sent = 0;
    events.sent = [&](int) { ++sent; };
    try {
        sender.Run(bank, plan, deviceId, events);
    } catch (const VentaroError &e) {
        context.progress(QString());
        throw VentaroError(
            e.text() + QStringLiteral("\nvoices sent: %1 of %2").arg(sent).arg(plan.steps.size()));
    }
    context.progress(QString());
    QList<InstrumentBackup::Slot> places;
    for (const BankSendPlan::Step &step : plan.steps)
        places.append({step.to, step.slot});
    context.err << QStringLiteral("%1 sent to %2\n")
                       .arg(OutputFile::VoiceCount(sent), InstrumentBackup::PlacesText(places));
    context.err.flush();
    // Nothing was played, so nothing is silenced: closing the port would
    // set every channel's controllers to their defaults, changing the
    // instrument's mix behind a send of voices.
    port.DeviceLost();
    return 0;
}
