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

HistoryCommand::Options HistoryCommand::Parse(const QStringList &words)
{
    const SubcommandWords arguments = SubcommandWords::read(words, {{CountOption, true}}, 0);
    Options options;
    options.count = arguments.number(CountOption, 1, MaxCount, 0);
    return options;
}

int HistoryCommand::Run(const Options &options, CommandContext &context)
{
    VoiceStore store(VoiceStore::DefaultPath());
    for (const WriteRecord &record : WriteHistory(store).list(options.count)) {
        context.out << QStringList{QString::number(record.id),
                                   record.started.toString(Qt::ISODate),
                                   QString::number(record.device + 1),
                                   WriteRecord::KindText(record.kind),
                                   WriteReport::PlacesOf(record),
                                   WriteReport::WrittenOf(record),
                                   WriteReport::KeptOf(record),
                                   WriteReport::StateOf(record)}
                           .join(QLatin1Char('\t'))
                    << '\n';
    }
    context.out.flush();
    return 0;
}
