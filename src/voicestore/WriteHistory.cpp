#include "WriteHistory.h"

#include "LibrarySql.h"
#include "SqlTransaction.h"
#include "VoiceStore.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace {

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

// Qt binds a null text as SQL NULL; the history's texts are never NULL.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

QVariant idOrNull(qint64 id)
{
    return id != 0 ? QVariant(id) : QVariant(QMetaType::fromType<qint64>());
}

void run(const QSqlDatabase &db, const QString &sql, const QVariantList &values)
{
    QSqlQuery query = LibrarySql::prepare(db, sql);
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    LibrarySql::exec(db, query);
}

} // namespace

WriteHistory::WriteHistory(VoiceStore &store) : m_store(store) {}

qint64 WriteHistory::begin(WriteRecord::Kind kind, int device,
                           const QList<WriteRecord::Place> &places, qint64 restores)
{
    const QSqlDatabase &db = m_store.m_db;
    SqlTransaction transaction(db);
    QSqlQuery write = LibrarySql::prepare(
        db, QStringLiteral("INSERT INTO writes (kind, device, started, restores) "
                           "VALUES (?, ?, ?, ?)"));
    write.bindValue(0, WriteRecord::kindText(kind));
    write.bindValue(1, device);
    write.bindValue(2, nowMs());
    write.bindValue(3, restores);
    LibrarySql::exec(db, write);
    const qint64 id = write.lastInsertId().toLongLong();
    QSqlQuery place = LibrarySql::prepare(
        db, QStringLiteral("INSERT INTO write_places (write_id, position, form, slot, name) "
                           "VALUES (?, ?, ?, ?, ?)"));
    for (int i = 0; i < places.size(); ++i) {
        place.bindValue(0, id);
        place.bindValue(1, i);
        place.bindValue(2, int(places[i].form));
        place.bindValue(3, places[i].slot);
        place.bindValue(4, notNull(places[i].name));
        LibrarySql::exec(db, place);
    }
    transaction.commit();
    return id;
}

void WriteHistory::setKept(qint64 id, int position, qint64 keptId, const QString &notKept)
{
    run(m_store.m_db,
        QStringLiteral("UPDATE write_places SET kept_id = ?, not_kept = ? "
                       "WHERE write_id = ? AND position = ?"),
        {idOrNull(keptId), notNull(notKept), id, position});
}

void WriteHistory::setPlaceState(qint64 id, int position, WriteRecord::PlaceState state,
                                 qint64 voiceId)
{
    run(m_store.m_db,
        QStringLiteral("UPDATE write_places SET state = ?, voice_id = coalesce(?, voice_id) "
                       "WHERE write_id = ? AND position = ?"),
        {WriteRecord::placeStateText(state), idOrNull(voiceId), id, position});
}

void WriteHistory::finish(qint64 id, WriteRecord::State state, const QString &failure)
{
    run(m_store.m_db,
        QStringLiteral("UPDATE writes SET state = ?, finished = ?, failure = ? WHERE id = ?"),
        {WriteRecord::stateText(state), nowMs(), notNull(failure), id});
}

QList<WriteRecord> WriteHistory::list(int count) const
{
    return read(QStringLiteral("1"), {}, count);
}

std::optional<WriteRecord> WriteHistory::entry(qint64 id) const
{
    const QList<WriteRecord> found = read(QStringLiteral("w.id = ?"), {id}, 1);
    return found.isEmpty() ? std::nullopt : std::optional<WriteRecord>(found.first());
}

std::optional<WriteRecord> WriteHistory::lastRestorable() const
{
    const QList<WriteRecord> found =
        read(QStringLiteral("EXISTS (SELECT 1 FROM write_places p WHERE p.write_id = w.id "
                            "AND p.kept_id IS NOT NULL "
                            "AND p.state IN ('written', 'verified', 'not-taken'))"),
             {}, 1);
    return found.isEmpty() ? std::nullopt : std::optional<WriteRecord>(found.first());
}

QList<WriteRecord> WriteHistory::read(const QString &condition, const QVariantList &values,
                                      int count) const
{
    const QSqlDatabase &db = m_store.m_db;
    QSqlQuery writes = LibrarySql::prepare(
        db, QStringLiteral("SELECT w.id, w.kind, w.device, w.started, w.finished, w.state, "
                           "w.restores, w.failure FROM writes w WHERE %1 ORDER BY w.id DESC %2")
                .arg(condition, count > 0 ? QStringLiteral("LIMIT %1").arg(count) : QString()));
    for (int i = 0; i < values.size(); ++i)
        writes.bindValue(i, values[i]);
    LibrarySql::exec(db, writes);
    QList<WriteRecord> records;
    while (writes.next()) {
        WriteRecord record;
        record.id = writes.value(0).toLongLong();
        record.kind =
            WriteRecord::kindFromText(writes.value(1).toString()).value_or(WriteRecord::Kind::Send);
        record.device = writes.value(2).toInt();
        record.started = QDateTime::fromMSecsSinceEpoch(writes.value(3).toLongLong());
        if (const qint64 finished = writes.value(4).toLongLong(); finished != 0)
            record.finished = QDateTime::fromMSecsSinceEpoch(finished);
        record.state = WriteRecord::stateFromText(writes.value(5).toString())
                           .value_or(WriteRecord::State::Unfinished);
        record.restores = writes.value(6).toLongLong();
        record.failure = writes.value(7).toString();
        records.append(record);
    }
    QSqlQuery places = LibrarySql::prepare(
        db, QStringLiteral("SELECT p.form, p.slot, p.name, coalesce(p.voice_id, 0), "
                           "coalesce(p.kept_id, 0), coalesce(k.name, ''), p.not_kept, p.state "
                           "FROM write_places p LEFT JOIN voices k ON k.id = p.kept_id "
                           "WHERE p.write_id = ? ORDER BY p.position"));
    for (WriteRecord &record : records) {
        places.bindValue(0, record.id);
        LibrarySql::exec(db, places);
        while (places.next()) {
            WriteRecord::Place place;
            place.form = VoiceDump::Form(places.value(0).toInt());
            place.slot = places.value(1).toInt();
            place.name = places.value(2).toString();
            place.voiceId = places.value(3).toLongLong();
            place.keptId = places.value(4).toLongLong();
            place.keptName = places.value(5).toString();
            place.notKept = places.value(6).toString();
            place.state = WriteRecord::placeStateFromText(places.value(7).toString())
                              .value_or(WriteRecord::PlaceState::Pending);
            record.places.append(place);
        }
        places.finish();
    }
    return records;
}
