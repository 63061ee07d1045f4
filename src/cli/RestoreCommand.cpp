#include "RestoreCommand.h"

#include "SubcommandWords.h"
#include "UsageError.h"
#include "VentaroError.h"
#include "VoiceStore.h"
#include "WriteHistory.h"

#include <limits>

namespace {

// The history's entries are numbered from 1 by the library file.
constexpr int MaxId = std::numeric_limits<int>::max();

} // namespace

RestoreCommand::Options RestoreCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words, CommandWrite::optionList(), 1);
    if (arguments.positionals().isEmpty())
        throw UsageError(QStringLiteral("restore needs the ID of a write (see \"ventaro history\")"));
    Options options;
    options.id = SubcommandWords::wholeNumber(QStringLiteral("the ID"),
                                              arguments.positionals().first(), 1, MaxId);
    options.write = CommandWrite::read(arguments, QLatin1String(Name));
    return options;
}

int RestoreCommand::run(const Options &options, CommandContext &context)
{
    VoiceStore store(VoiceStore::defaultPath());
    const std::optional<WriteRecord> record = WriteHistory(store).entry(options.id);
    if (!record)
        throw VentaroError(QStringLiteral("There is no write %1 in the history (see \"ventaro "
                                          "history\").")
                               .arg(options.id));
    const GuardedWrite::Restore restore = GuardedWrite::restoreOf(*record, store);
    CommandWrite::Options write = options.write;
    if (!write.deviceId)
        write.deviceId = quint8(record->device);
    return CommandWrite::run(restore.bank, restore.plan, WriteRecord::Kind::Restore, record->id,
                             &store, write, context);
}
