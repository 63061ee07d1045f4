#include "BackupJob.h"

#include "BankSendPlan.h"
#include "ListeningInput.h"

InstrumentBackup::Result BackupJob::run(const Io &io, quint8 deviceId, const Starting &starting,
                                        const TextTranslation &translate)
{
    VoiceFetcher fetcher(io.send, io.wait, deviceId, io.sleeper);
    const ListeningInput listening(
        io.input, [&fetcher](QByteArrayView message) { fetcher.take(message); }, io.arrived);
    const QList<InstrumentBackup::Slot> places = InstrumentBackup::allSlots();
    const int count = int(places.size());
    return InstrumentBackup::run(fetcher, [&](int index) {
        const InstrumentBackup::Slot &place = places[index];
        const QString text = textIn(translate, QStringLiteral("Voice %1 of %2: %3"))
                                 .arg(index + 1)
                                 .arg(count)
                                 .arg(textIn(translate,
                                             BankSendPlan::placeText(place.form, place.slot)));
        return !starting || starting(index, count, text);
    });
}

QStringList BackupJob::lines(const InstrumentBackup::Result &result,
                             const TextTranslation &translate)
{
    QStringList lines;
    if (!result.missed.isEmpty())
        lines << textIn(translate, QStringLiteral("Not answered: %1"))
                     .arg(InstrumentBackup::placesText(result.missed));
    if (result.stopped)
        lines << textIn(translate, QStringLiteral("Stopped before the end."));
    return lines;
}
