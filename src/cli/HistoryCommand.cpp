#include "HistoryCommand.h"

#include "CommandArguments.h"
#include "CommandContext.h"
#include "InstrumentBackup.h"
#include "UsageError.h"
#include "VoiceStore.h"
#include "WriteHistory.h"

namespace {

const QString CountOption = QStringLiteral("count");

QString placesOf(const WriteRecord &record)
{
    QList<InstrumentBackup::Slot> places;
    for (const WriteRecord::Place &place : record.places)
        places.append({place.form, place.slot});
    return InstrumentBackup::PlacesText(places);
}

QString writtenOf(const WriteRecord &record)
{
    QString text = QStringLiteral("%1 of %2 written")
                       .arg(record.writtenCount())
                       .arg(record.places.size());
    if (const int verified = record.count(WriteRecord::PlaceState::Verified); verified > 0)
        text += QStringLiteral(", %1 verified").arg(verified);
    if (const int notTaken = record.count(WriteRecord::PlaceState::NotTaken); notTaken > 0)
        text += QStringLiteral(", %1 not taken").arg(notTaken);
    return text;
}

QString keptOf(const WriteRecord &record)
{
    int kept = 0;
    QStringList why;
    for (const WriteRecord::Place &place : record.places) {
        kept += place.keptId != 0 ? 1 : 0;
        if (place.keptId == 0 && !place.notKept.isEmpty() && !why.contains(place.notKept))
            why << place.notKept;
    }
    QString text = QStringLiteral("%1 kept").arg(kept);
    if (!why.isEmpty())
        text += QStringLiteral(", not kept: ") + why.join(QStringLiteral(", "));
    return text;
}

} // namespace

HistoryCommand::Options HistoryCommand::Parse(const QStringList &words)
{
    const CommandArguments arguments = CommandArguments::Parse(words, {{CountOption, true}}, 0);
    Options options;
    options.count = arguments.number(CountOption, 1, MaxCount, 0);
    return options;
}

int HistoryCommand::Run(const Options &options, CommandContext &context)
{
    VoiceStore store(VoiceStore::DefaultPath());
    for (const WriteRecord &record : WriteHistory(store).list(options.count)) {
        QString state = WriteRecord::StateText(record.state);
        if (record.kind == WriteRecord::Kind::Restore && record.restores != 0)
            state += QStringLiteral(" (restores %1)").arg(record.restores);
        context.out << QStringList{QString::number(record.id),
                                   record.started.toString(Qt::ISODate),
                                   QString::number(record.device + 1),
                                   WriteRecord::KindText(record.kind),
                                   placesOf(record),
                                   writtenOf(record),
                                   keptOf(record),
                                   state}
                           .join(QLatin1Char('\t'))
                    << '\n';
    }
    context.out.flush();
    return 0;
}
