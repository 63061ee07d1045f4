#include "WriteReport.h"

#include <QMap>

namespace {

using PlaceState = WriteRecord::PlaceState;

bool written(PlaceState state)
{
    return state == PlaceState::Written || state == PlaceState::Verified;
}

} // namespace

QString WriteReport::progress(GuardedWrite::Phase phase, int index, int count,
                              const VoiceBank &bank, const BankSendPlan::Step &step,
                              const TextTranslation &translate)
{
    switch (phase) {
    case GuardedWrite::Phase::Keeping:
        return textIn(translate, QStringLiteral("Keeping what the slots hold: %1 of %2"))
            .arg(index + 1)
            .arg(count);
    case GuardedWrite::Phase::Writing:
        return textIn(translate, QStringLiteral("Voice %1 of %2: %3 to %4"))
            .arg(index + 1)
            .arg(count)
            .arg(bank.voices[step.voice].name.trimmed(),
                 textIn(translate, BankSendPlan::placeText(step.to, step.slot)));
    case GuardedWrite::Phase::Verifying:
        return textIn(translate, QStringLiteral("Checking what the slots took: %1 of %2"))
            .arg(index + 1)
            .arg(count);
    }
    return {};
}

QString WriteReport::line(const VoiceBank &bank, const BankSendPlan &plan,
                          const GuardedWrite::Result &result, const TextTranslation &translate)
{
    const int verified = result.count(PlaceState::Verified);
    const int count = result.count(PlaceState::Written) + verified;
    if (count == 0)
        return {};
    QList<InstrumentBackup::Slot> places;
    QString name;
    for (int i = 0; i < plan.steps.size(); ++i) {
        if (written(result.places[i].state)) {
            places.append({plan.steps[i].to, plan.steps[i].slot});
            name = bank.voices[plan.steps[i].voice].name.trimmed();
        }
    }
    const QString where = places.size() == 1 && places.first().form == VoiceDump::Form::Full
                              ? textIn(translate, QStringLiteral("the current voice"))
                              : InstrumentBackup::placesText(places);
    QString line = count == 1
                       ? textIn(translate, QStringLiteral("Sent \"%1\" to %2")).arg(name, where)
                       : textIn(translate, QStringLiteral("%1 voices sent to %2"))
                             .arg(count)
                             .arg(where);
    if (verified == count)
        line += textIn(translate, QStringLiteral(", verified"));
    else if (verified > 0)
        line += textIn(translate, QStringLiteral(", %1 verified")).arg(verified);
    else if (places.first().form != VoiceDump::Form::Full)
        line += textIn(translate, QStringLiteral(", not verified"));
    return line;
}

QString WriteReport::notTaken(const GuardedWrite::Result &result, quint8 deviceId,
                              const TextTranslation &translate)
{
    const QList<InstrumentBackup::Slot> notTaken = result.placesIn(PlaceState::NotTaken);
    if (notTaken.isEmpty())
        return {};
    return textIn(translate, GuardedWrite::NotTakenText)
        .arg(InstrumentBackup::placesText(notTaken))
        .arg(deviceId + 1);
}

QString WriteReport::notKept(const GuardedWrite::Result &result)
{
    // Places by reason, in the order the reasons first come.
    QStringList reasons;
    QMap<QString, QList<InstrumentBackup::Slot>> places;
    for (const WriteRecord::Place &place : result.places) {
        if (place.form == VoiceDump::Form::Full || place.keptId != 0 || place.notKept.isEmpty()
            || place.notKept == GuardedWrite::notKeptText(GuardedWrite::NotKept::KeepingOff)
            || !(written(place.state) || place.state == PlaceState::NotTaken))
            continue;
        if (!reasons.contains(place.notKept))
            reasons << place.notKept;
        places[place.notKept].append({place.form, place.slot});
    }
    QStringList parts;
    for (const QString &reason : std::as_const(reasons))
        parts << QStringLiteral("%1 (%2)").arg(InstrumentBackup::placesText(places[reason]),
                                                reason);
    if (parts.isEmpty())
        return {};
    return QStringLiteral("Not kept: %1").arg(parts.join(QStringLiteral("; ")));
}

QString WriteReport::placesOf(const WriteRecord &record)
{
    QList<InstrumentBackup::Slot> places;
    for (const WriteRecord::Place &place : record.places)
        places.append({place.form, place.slot});
    return InstrumentBackup::placesText(places);
}

QString WriteReport::writtenOf(const WriteRecord &record, const TextTranslation &translate)
{
    QString text = textIn(translate, QStringLiteral("%1 of %2 written"))
                       .arg(record.writtenCount())
                       .arg(record.places.size());
    if (const int verified = record.count(PlaceState::Verified); verified > 0)
        text += textIn(translate, QStringLiteral(", %1 verified")).arg(verified);
    if (const int notTaken = record.count(PlaceState::NotTaken); notTaken > 0)
        text += textIn(translate, QStringLiteral(", %1 not taken")).arg(notTaken);
    return text;
}

QString WriteReport::keptOf(const WriteRecord &record, const TextTranslation &translate)
{
    int kept = 0;
    QStringList why;
    for (const WriteRecord::Place &place : record.places) {
        kept += place.keptId != 0 ? 1 : 0;
        const QString reason = textIn(translate, place.notKept);
        if (place.keptId == 0 && !place.notKept.isEmpty() && !why.contains(reason))
            why << reason;
    }
    QString text = textIn(translate, QStringLiteral("%1 kept")).arg(kept);
    if (!why.isEmpty())
        text += textIn(translate, QStringLiteral(", not kept: ")) + why.join(QStringLiteral(", "));
    return text;
}

QString WriteReport::stateOf(const WriteRecord &record, const TextTranslation &translate)
{
    QString state = textIn(translate, WriteRecord::stateText(record.state));
    if (record.kind == WriteRecord::Kind::Restore && record.restores != 0)
        state += textIn(translate, QStringLiteral(" (restores %1)")).arg(record.restores);
    return state;
}
