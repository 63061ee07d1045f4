#include "InstrumentBackup.h"

#include "BankSendPlan.h"
#include "VentaroError.h"

#include <QStringList>

QList<InstrumentBackup::Slot> InstrumentBackup::allSlots()
{
    QList<Slot> places;
    for (int slot = 1; slot <= VoiceDump::CustomSlotCount; ++slot)
        places.append({VoiceDump::Form::Custom, slot});
    for (int slot = 1; slot <= VoiceDump::InternalSlotCount; ++slot)
        places.append({VoiceDump::Form::Internal, slot});
    return places;
}

InstrumentBackup::Result InstrumentBackup::run(VoiceFetcher &fetcher, const Starting &starting)
{
    Result result;
    const QList<Slot> places = allSlots();
    int missesInARow = 0;
    for (int i = 0; i < places.size(); ++i) {
        if (i > 0 && places[i].form != places[i - 1].form)
            missesInARow = 0; // a bank of its own: asked afresh
        if (missesInARow >= MissesInARow) {
            result.missed.append(places[i]); // not asked: the bank stayed silent
            continue;
        }
        if (starting && !starting(i)) {
            result.stopped = true;
            break;
        }
        VoiceFetcher::Result voice;
        try {
            voice = fetcher.fetch(places[i].form, places[i].slot);
        } catch (const VentaroError &e) {
            result.failure = e.text();
            result.missed.append(places.mid(i));
            break;
        }
        if (voice.outcome == VoiceFetcher::Outcome::Stopped) {
            result.stopped = true;
            break;
        }
        if (voice.outcome == VoiceFetcher::Outcome::Whole) {
            result.bank += voice.bytes;
            ++result.fetched;
            missesInARow = 0;
        } else {
            result.missed.append(places[i]);
            ++missesInARow;
        }
    }
    return result;
}

QString InstrumentBackup::placesText(const QList<Slot> &places)
{
    QStringList parts;
    for (qsizetype i = 0; i < places.size();) {
        qsizetype end = i;
        while (end + 1 < places.size() && places[end + 1].form == places[i].form
               && places[end + 1].slot == places[end].slot + 1)
            ++end;
        QString part = BankSendPlan::placeText(places[i].form, places[i].slot);
        if (end > i)
            part += QStringLiteral("-%1").arg(places[end].slot);
        parts << part;
        i = end + 1;
    }
    return parts.join(QStringLiteral(", "));
}
