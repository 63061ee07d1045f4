#include "SendCommand.h"

#include "BankSendPlan.h"
#include "CommandContext.h"
#include "CommandWrite.h"
#include "SubcommandWords.h"
#include "UsageError.h"
#include "VentaroError.h"
#include "VoiceBank.h"

#include <QDir>

namespace {

const QString VoiceOption = QStringLiteral("voice");
const QString AllOption = QStringLiteral("all");
const QString ToOption = QStringLiteral("to");
const QString CurrentPlace = QStringLiteral("current");
const QString CustomPlace = QStringLiteral("custom");
const QString InternalPlace = QStringLiteral("internal");
constexpr QChar SlotSeparator = u':';
// A bank file holds at most this many voices (1 MiB of the shortest form).
constexpr int MaxVoiceNumber = int(VoiceBank::MaxFileBytes / VoiceDump::InternalLength);

} // namespace

SendCommand::Destination SendCommand::parseDestination(const QString &text)
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
    return {form, SubcommandWords::wholeNumber(QStringLiteral("the slot of --to %1").arg(kind),
                                               text.mid(separator + 1), 1,
                                               BankSendPlan::slotCount(form))};
}

SendCommand::Options SendCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments =
        SubcommandWords::read(words,
                              CommandWrite::optionList()
                                  + QList<SubcommandWords::Option>{{VoiceOption, true},
                                                                   {AllOption, false},
                                                                   {ToOption, true}},
                              1);
    Options options;
    if (arguments.positionals().isEmpty())
        throw UsageError(QStringLiteral("send needs a FILE"));
    options.file = arguments.positionals().first();
    options.write = CommandWrite::read(arguments, QLatin1String(Name));
    if (arguments.has(VoiceOption) && arguments.has(AllOption))
        throw UsageError(QStringLiteral("--voice and --all cannot go together"));
    options.voice = arguments.number(VoiceOption, 1, MaxVoiceNumber, 1);
    options.all = arguments.has(AllOption);
    if (arguments.has(ToOption))
        options.to = parseDestination(arguments.value(ToOption));
    return options;
}

int SendCommand::run(const Options &options, CommandContext &context)
{
    // Everything that can stop the send is looked at before the first byte.
    const VoiceBank bank = VoiceBank::read(options.file);
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
    const BankSendPlan plan = BankSendPlan::make(bank, where);

    return CommandWrite::run(bank, plan,
                             options.all ? WriteRecord::Kind::SendAll : WriteRecord::Kind::Send, 0,
                             nullptr, options.write, context);
}
