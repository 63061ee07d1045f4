#include "VoiceStore.h"

#include "LibrarySql.h"
#include "SearchText.h"
#include "SqlTransaction.h"
#include "UnreadableLibraryError.h"
#include "VentaroError.h"
#include "VoiceIdentity.h"
#include "VoiceStoreSchema.h"

#include <QAtomicInteger>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QProcessEnvironment>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QVariant>

namespace {

// The first bytes of every SQLite 3 file.
constexpr char SqliteHeader[] = "SQLite format 3";
constexpr int SqliteHeaderLength = sizeof(SqliteHeader); // its NUL included
// SQLite's companions of a file in WAL mode.
const QStringList WalSuffixes{QStringLiteral("-wal"), QStringLiteral("-shm")};
// Needles shorter than a trigram are looked for row by row.
constexpr int TrigramLength = 3;

QString shown(const QString &fileName)
{
    return QDir::toNativeSeparators(fileName);
}

qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}

QDateTime fromMs(const QVariant &value)
{
    return QDateTime::fromMSecsSinceEpoch(value.toLongLong());
}

// A file that is there and does not begin as SQLite is no library; an empty
// one is a library not yet written.
bool looksLikeSqlite(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return true; // left for SQLite to say why it cannot be opened
    const QByteArray head = file.read(SqliteHeaderLength);
    return head.isEmpty() || head == QByteArray(SqliteHeader, SqliteHeaderLength);
}

// An FTS5 phrase: the text in double quotes, its own quotes doubled.
QString phrase(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

VoiceSource sourceFrom(const QSqlQuery &query, int first)
{
    VoiceSource source;
    source.kind =
        VoiceSource::kindFromText(query.value(first).toString()).value_or(VoiceSource::Kind::File);
    source.file = query.value(first + 1).toString();
    source.position = query.value(first + 2).toInt();
    source.device = query.value(first + 3).toInt();
    source.slot = query.value(first + 4).toInt();
    source.when = fromMs(query.value(first + 5));
    return source;
}

// Qt binds a null text as SQL NULL; the library's texts are never NULL.
QString notNull(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

const QString SourceColumns = QStringLiteral("kind, file, position, device, slot, met");

} // namespace

QString VoiceStore::defaultPath()
{
    const QString named = QProcessEnvironment::systemEnvironment().value(PathVariable);
    if (!named.isEmpty())
        return named;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Ventaro/") + FileName;
}

VoiceStore::VoiceStore(const QString &fileName) : m_fileName(fileName)
{
    static QAtomicInteger<quint64> instances;
    m_connection = QStringLiteral("ventaro-voicestore-%1").arg(++instances);
    try {
        open();
    } catch (...) {
        close();
        throw;
    }
}

VoiceStore::~VoiceStore()
{
    close();
}

void VoiceStore::open()
{
    const QFileInfo info(m_fileName);
    if (info.exists() && !info.isFile())
        throw VentaroError(
            QStringLiteral("The voice library \"%1\" is not a file.").arg(shown(m_fileName)));
    if (info.exists() && !looksLikeSqlite(m_fileName))
        throw UnreadableLibraryError(LibrarySql::damagedText(m_fileName));
    if (!info.exists() && !QDir().mkpath(info.absolutePath()))
        throw VentaroError(QStringLiteral("Cannot create the folder \"%1\" of the voice library.")
                               .arg(shown(info.absolutePath())));

    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!m_db.isValid())
        throw VentaroError(QStringLiteral("Qt's SQLite driver (Debian package libqt6sql6-sqlite) "
                                          "is missing: the voice library cannot be opened."));
    m_db.setDatabaseName(m_fileName);
    m_db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!m_db.open())
        LibrarySql::fail(m_db, m_db.lastError());

    // Reading the schema is where a damaged file shows itself.
    LibrarySql::value(m_db, QStringLiteral("SELECT count(*) FROM sqlite_master"));
    const auto checkVersion = [this] {
        const int version = VoiceStoreSchema::version(m_db);
        if (version > VoiceStoreSchema::currentVersion())
            throw UnreadableLibraryError(
                QStringLiteral("The voice library \"%1\" was written by a newer version of "
                               "Ventaro (library version %2, this program knows up to %3); it "
                               "was left as it is.")
                    .arg(shown(m_fileName))
                    .arg(version)
                    .arg(VoiceStoreSchema::currentVersion()));
        return version;
    };
    checkVersion();
    const QString journal = walMode();
    if (journal.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        throw VentaroError(QStringLiteral("The voice library \"%1\" cannot be shared between "
                                          "programs (journal mode %2).")
                               .arg(shown(m_fileName), journal));
    // In WAL mode a commit is durable against a killed program without a
    // sync per transaction.
    LibrarySql::exec(m_db, QStringLiteral("PRAGMA synchronous = NORMAL"));
    LibrarySql::exec(m_db, QStringLiteral("PRAGMA foreign_keys = ON"));

    if (checkVersion() < VoiceStoreSchema::currentVersion()) {
        SqlTransaction transaction(m_db);
        // Another program may have brought it up to date meanwhile.
        if (checkVersion() < VoiceStoreSchema::currentVersion()) {
            VoiceStoreSchema::migrateTo(m_db, VoiceStoreSchema::currentVersion());
            transaction.commit();
        }
    }
}

QString VoiceStore::walMode()
{
    // Turning a new file to WAL takes a lock SQLite does not wait for (the
    // busy timeout does not apply): a second program opening the same new
    // library at that moment tries again for as long.
    const QDeadlineTimer deadline(BusyTimeoutMs);
    for (;;) {
        QSqlQuery query(m_db);
        if (query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && query.next())
            return query.value(0).toString();
        if (deadline.hasExpired() || query.lastError().nativeErrorCode() != BusyCode)
            LibrarySql::fail(m_db, query.lastError());
        QThread::msleep(BusyRetryMs);
    }
}

void VoiceStore::close()
{
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

QString VoiceStore::setAside(const QString &fileName)
{
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"));
    QString aside = QStringLiteral("%1.damaged-%2").arg(fileName, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = QStringLiteral("%1.damaged-%2-%3").arg(fileName, stamp).arg(n);
    if (!QFile::rename(fileName, aside))
        throw VentaroError(QStringLiteral("Cannot rename the voice library \"%1\" to \"%2\".")
                               .arg(shown(fileName), shown(aside)));
    // Its log goes with it: a new library must not take up the old one's.
    for (const QString &suffix : WalSuffixes)
        if (QFileInfo::exists(fileName + suffix))
            QFile::rename(fileName + suffix, aside + suffix);
    return aside;
}

VoiceStore::Counts VoiceStore::record(const QList<Met> &voices)
{
    Counts counts;
    SqlTransaction transaction(m_db);
    QSqlQuery find =
        LibrarySql::prepare(m_db, QStringLiteral("SELECT id FROM voices WHERE identity = ?"));
    QSqlQuery add = LibrarySql::prepare(
        m_db, QStringLiteral("INSERT INTO voices (form, name, identity, bytes, first_met, "
                             "last_met, search) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    QSqlQuery touch =
        LibrarySql::prepare(m_db, QStringLiteral("UPDATE voices SET last_met = ? WHERE id = ?"));
    QSqlQuery source = LibrarySql::prepare(
        m_db, QStringLiteral("INSERT INTO sources (voice_id, %1) VALUES (?, ?, ?, ?, ?, ?, ?) "
                             "ON CONFLICT (voice_id, kind, file, position, device, slot) "
                             "DO UPDATE SET met = excluded.met")
                  .arg(SourceColumns));
    const qint64 now = nowMs();
    for (const Met &met : voices) {
        const VoiceBank::Voice &voice = met.voice;
        if (VoiceDump::formOf(voice.bytes) != voice.form)
            throw VentaroError(QStringLiteral("Not a whole voice: nothing was kept."));
        const QByteArray key = VoiceIdentity::key(voice.form, voice.bytes);
        find.bindValue(0, key);
        LibrarySql::exec(m_db, find);
        qint64 id = 0;
        if (find.next()) {
            id = find.value(0).toLongLong();
            touch.bindValue(0, now);
            touch.bindValue(1, id);
            LibrarySql::exec(m_db, touch);
            ++counts.known;
        } else {
            add.bindValue(0, int(voice.form));
            add.bindValue(1, voice.name);
            add.bindValue(2, key);
            add.bindValue(3, voice.bytes);
            add.bindValue(4, now);
            add.bindValue(5, now);
            add.bindValue(6, SearchText::ofVoice(voice.name, {}, {}));
            LibrarySql::exec(m_db, add);
            id = add.lastInsertId().toLongLong();
            ++counts.added;
        }
        find.finish();
        const int device = met.source.device >= 0 ? met.source.device
                                                  : quint8(voice.bytes.at(VoiceDump::DeviceOffset))
                                                        & VoiceDump::DeviceMask;
        source.bindValue(0, id);
        source.bindValue(1, VoiceSource::kindText(met.source.kind));
        source.bindValue(2, notNull(met.source.file));
        source.bindValue(3, met.source.position);
        source.bindValue(4, device);
        source.bindValue(5, met.source.slot);
        source.bindValue(6, now);
        LibrarySql::exec(m_db, source);
        counts.ids << id;
    }
    transaction.commit();
    return counts;
}

VoiceStore::Counts VoiceStore::record(const QByteArray &voiceBytes, const VoiceSource &source)
{
    const VoiceBank bank = VoiceBank::parse(voiceBytes);
    if (bank.voices.size() != 1 || bank.skipped != 0)
        throw VentaroError(QStringLiteral("Not a whole voice: nothing was kept."));
    return record({{bank.voices.first(), source}});
}

namespace {

// The filter as SQL conditions on the voices `v`, joined by AND, with the
// values they bind in order.
QString conditionsOf(const VoiceFilter &filter, QVariantList &values)
{
    QStringList conditions;
    const QString needle = SearchText::fold(filter.search.trimmed());
    if (needle.size() >= TrigramLength) {
        conditions << QStringLiteral(
            "v.id IN (SELECT rowid FROM voice_search WHERE voice_search MATCH ?)");
        values << phrase(needle);
    } else if (!needle.isEmpty()) {
        // Read from the index that also gives the order, not from the rows.
        conditions << QStringLiteral("instr(v.search, ?) > 0");
        values << needle;
    }
    if (filter.form) {
        conditions << QStringLiteral("v.form = ?");
        values << int(*filter.form);
    }
    if (!filter.tag.isEmpty()) {
        conditions << QStringLiteral("v.id IN (SELECT voice_id FROM tags WHERE tag = ?)");
        values << filter.tag;
    }
    if (filter.favouritesOnly)
        conditions << QStringLiteral("v.favourite <> 0");
    if (filter.sourceKind) {
        conditions << QStringLiteral("v.id IN (SELECT voice_id FROM sources WHERE kind = ?)");
        values << VoiceSource::kindText(*filter.sourceKind);
    }
    return conditions.isEmpty() ? QStringLiteral("1") : conditions.join(QStringLiteral(" AND "));
}

} // namespace

QSqlQuery VoiceStore::select(const QString &sql, const QVariantList &values) const
{
    QSqlQuery query = LibrarySql::prepare(m_db, sql);
    query.setForwardOnly(true);
    for (qsizetype i = 0; i < values.size(); ++i)
        query.bindValue(int(i), values[i]);
    LibrarySql::exec(m_db, query);
    return query;
}

QList<StoredVoice> VoiceStore::rowsWhere(const QString &condition, const QVariantList &values) const
{
    QSqlQuery query = select(
        QStringLiteral("SELECT v.id, v.form, v.name, v.first_met, v.last_met, v.favourite, v.note,"
                       " (SELECT group_concat(tag, char(10)) FROM"
                       "  (SELECT tag FROM tags WHERE voice_id = v.id ORDER BY tag)),"
                       " s.kind, s.file, s.position, s.device, s.slot, s.met"
                       " FROM voices v LEFT JOIN sources s"
                       "  ON s.id = (SELECT min(id) FROM sources WHERE voice_id = v.id)"
                       " WHERE %1 ORDER BY v.name, v.id")
            .arg(condition),
        values);
    QList<StoredVoice> voices;
    while (query.next()) {
        StoredVoice voice;
        voice.id = query.value(0).toLongLong();
        voice.form = VoiceDump::Form(query.value(1).toInt());
        voice.name = query.value(2).toString();
        voice.firstMet = fromMs(query.value(3));
        voice.lastMet = fromMs(query.value(4));
        voice.favourite = query.value(5).toBool();
        voice.note = query.value(6).toString();
        voice.tags = query.value(7).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        if (!query.isNull(8))
            voice.sources << sourceFrom(query, 8);
        voices << voice;
    }
    return voices;
}

QList<StoredVoice> VoiceStore::list(const VoiceFilter &filter) const
{
    QVariantList values;
    const QString condition = conditionsOf(filter, values);
    return rowsWhere(condition, values);
}

QList<qint64> VoiceStore::find(const VoiceFilter &filter) const
{
    QVariantList values;
    const QString condition = conditionsOf(filter, values);
    QSqlQuery query = select(
        QStringLiteral("SELECT v.id FROM voices v WHERE %1 ORDER BY v.name, v.id").arg(condition),
        values);
    QList<qint64> ids;
    while (query.next())
        ids << query.value(0).toLongLong();
    return ids;
}

QList<StoredVoice> VoiceStore::rows(const QList<qint64> &ids) const
{
    if (ids.isEmpty())
        return {};
    // Whole numbers only, so they are written into the statement.
    QStringList numbers;
    for (const qint64 id : ids)
        numbers << QString::number(id);
    const QList<StoredVoice> found =
        rowsWhere(QStringLiteral("v.id IN (%1)").arg(numbers.join(QLatin1Char(','))), {});
    QHash<qint64, qsizetype> at;
    for (qsizetype i = 0; i < found.size(); ++i)
        at.insert(found[i].id, i);
    QList<StoredVoice> ordered;
    for (const qint64 id : ids)
        if (at.contains(id))
            ordered << found[at.value(id)];
    return ordered;
}

std::optional<StoredVoice> VoiceStore::voice(qint64 id) const
{
    QSqlQuery query = LibrarySql::prepare(
        m_db, QStringLiteral("SELECT form, name, bytes, first_met, last_met, favourite, note "
                             "FROM voices WHERE id = ?"));
    query.bindValue(0, id);
    LibrarySql::exec(m_db, query);
    if (!query.next())
        return std::nullopt;
    StoredVoice voice;
    voice.id = id;
    voice.form = VoiceDump::Form(query.value(0).toInt());
    voice.name = query.value(1).toString();
    voice.bytes = query.value(2).toByteArray();
    voice.firstMet = fromMs(query.value(3));
    voice.lastMet = fromMs(query.value(4));
    voice.favourite = query.value(5).toBool();
    voice.note = query.value(6).toString();

    QSqlQuery tags = LibrarySql::prepare(
        m_db, QStringLiteral("SELECT tag FROM tags WHERE voice_id = ? ORDER BY tag"));
    tags.bindValue(0, id);
    LibrarySql::exec(m_db, tags);
    while (tags.next())
        voice.tags << tags.value(0).toString();

    QSqlQuery sources = LibrarySql::prepare(
        m_db,
        QStringLiteral("SELECT %1 FROM sources WHERE voice_id = ? ORDER BY id").arg(SourceColumns));
    sources.bindValue(0, id);
    LibrarySql::exec(m_db, sources);
    while (sources.next())
        voice.sources << sourceFrom(sources, 0);
    return voice;
}

int VoiceStore::count() const
{
    return LibrarySql::value(m_db, QStringLiteral("SELECT count(*) FROM voices")).toInt();
}

QStringList VoiceStore::tags() const
{
    QSqlQuery query =
        LibrarySql::exec(m_db, QStringLiteral("SELECT DISTINCT tag FROM tags ORDER BY tag"));
    QStringList tags;
    while (query.next())
        tags << query.value(0).toString();
    return tags;
}

void VoiceStore::requireVoice(qint64 id) const
{
    QSqlQuery query =
        LibrarySql::prepare(m_db, QStringLiteral("SELECT 1 FROM voices WHERE id = ?"));
    query.bindValue(0, id);
    LibrarySql::exec(m_db, query);
    if (!query.next())
        throw VentaroError(QStringLiteral("There is no voice %1 in the library.").arg(id));
}

void VoiceStore::refreshSearchText(qint64 id)
{
    const std::optional<StoredVoice> kept = voice(id);
    QSqlQuery query =
        LibrarySql::prepare(m_db, QStringLiteral("UPDATE voices SET search = ? WHERE id = ?"));
    query.bindValue(0, SearchText::ofVoice(kept->name, kept->tags, kept->note));
    query.bindValue(1, id);
    LibrarySql::exec(m_db, query);
}

void VoiceStore::change(qint64 id, const QString &sql, const QVariant &value, bool searched)
{
    SqlTransaction transaction(m_db);
    requireVoice(id);
    QSqlQuery query = LibrarySql::prepare(m_db, sql);
    query.bindValue(0, value);
    query.bindValue(1, id);
    LibrarySql::exec(m_db, query);
    if (searched)
        refreshSearchText(id);
    transaction.commit();
}

void VoiceStore::addTag(qint64 id, const QString &tag)
{
    const QString trimmed = tag.trimmed();
    if (trimmed.isEmpty())
        throw VentaroError(QStringLiteral("A tag cannot be empty."));
    change(id, QStringLiteral("INSERT OR IGNORE INTO tags (tag, voice_id) VALUES (?, ?)"), trimmed,
           true);
}

void VoiceStore::removeTag(qint64 id, const QString &tag)
{
    change(id, QStringLiteral("DELETE FROM tags WHERE tag = ? AND voice_id = ?"), tag.trimmed(),
           true);
}

void VoiceStore::setFavourite(qint64 id, bool favourite)
{
    change(id, QStringLiteral("UPDATE voices SET favourite = ? WHERE id = ?"), favourite ? 1 : 0,
           false);
}

void VoiceStore::setNote(qint64 id, const QString &note)
{
    change(id, QStringLiteral("UPDATE voices SET note = ? WHERE id = ?"), notNull(note), true);
}

void VoiceStore::remove(const QList<qint64> &ids)
{
    SqlTransaction transaction(m_db);
    QSqlQuery query = LibrarySql::prepare(m_db, QStringLiteral("DELETE FROM voices WHERE id = ?"));
    for (const qint64 id : ids) {
        requireVoice(id);
        query.bindValue(0, id);
        LibrarySql::exec(m_db, query);
    }
    transaction.commit();
}
