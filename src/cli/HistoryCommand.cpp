#include "HistoryCommand.h"

#include "CommandContext.h"
#include "SubcommandWords.h"
#include "UsageError.h"
#include "VoiceStore.h"
#include "WriteHistory.h"
#include "WriteReport.h"

namespace {

const QString CountOption = QStringLiteral("count");

} // namespace

HistoryCommand::Options HistoryCommand::parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words, {{CountOption, true}}, 0);
    Options options;
    options.count = arguments.number(CountOption, 1, MaxCount, 0);
    return options;
}

int HistoryCommand::run(const Options &options, CommandContext &context)
{
    VoiceStore store(VoiceStore::defaultPath());
    for (const WriteRecord &record : WriteHistory(store).list(options.count)) {
        context.out << QStringList{QString::number(record.id),
                                   record.started.toString(Qt::ISODate),
                                   QString::number(record.device + 1),
                                   WriteRecord::kindText(record.kind),
                                   WriteReport::placesOf(record),
                                   WriteReport::writtenOf(record),
                                   WriteReport::keptOf(record),
                                   WriteReport::stateOf(record)}
                           .join(QLatin1Char('\t'))
                    << '\n';
    }
    context.out.flush();
    return 0;
}
