#include "VoiceStoreSchema.h"

#include "LibrarySql.h"
#include "SearchText.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace {

void version1(const QSqlDatabase &db)
{
    for (const char *sql : {
             "CREATE TABLE voices ("
             " id INTEGER PRIMARY KEY,"
             " form INTEGER NOT NULL,"
             " name TEXT NOT NULL,"
             " identity BLOB NOT NULL UNIQUE,"
             " bytes BLOB NOT NULL,"
             " first_met INTEGER NOT NULL,"
             " last_met INTEGER NOT NULL,"
             " favourite INTEGER NOT NULL DEFAULT 0,"
             " note TEXT NOT NULL DEFAULT '')",
             // Columns that do not apply hold '' / 0 / -1, so that one met
             // again in the same place is one row (NULLs never compare equal).
             "CREATE TABLE sources ("
             " id INTEGER PRIMARY KEY,"
             " voice_id INTEGER NOT NULL REFERENCES voices(id) ON DELETE CASCADE,"
             " kind TEXT NOT NULL,"
             " file TEXT NOT NULL DEFAULT '',"
             " position INTEGER NOT NULL DEFAULT 0,"
             " device INTEGER NOT NULL DEFAULT -1,"
             " slot INTEGER NOT NULL DEFAULT 0,"
             " met INTEGER NOT NULL,"
             " UNIQUE (voice_id, kind, file, position, device, slot))",
             "CREATE INDEX sources_kind ON sources(kind, voice_id)",
             "CREATE TABLE tags ("
             " voice_id INTEGER NOT NULL REFERENCES voices(id) ON DELETE CASCADE,"
             " tag TEXT NOT NULL,"
             " PRIMARY KEY (voice_id, tag)) WITHOUT ROWID",
             "CREATE INDEX tags_tag ON tags(tag)",
         })
        LibrarySql::exec(db, QLatin1String(sql));
}

void version2(const QSqlDatabase &db)
{
    LibrarySql::exec(db, QStringLiteral("ALTER TABLE voices ADD COLUMN search TEXT NOT NULL "
                                        "DEFAULT ''"));
    // The folding is the program's (accents, Unicode case), so the texts of
    // the voices already kept are computed here.
    QSqlQuery rows = LibrarySql::exec(
        db, QStringLiteral("SELECT id, name, note, (SELECT group_concat(tag, char(10)) FROM "
                           "(SELECT tag FROM tags WHERE voice_id = voices.id ORDER BY tag)) "
                           "FROM voices"));
    QSqlQuery update =
        LibrarySql::prepare(db, QStringLiteral("UPDATE voices SET search = ? WHERE id = ?"));
    while (rows.next()) {
        const QStringList tags =
            rows.value(3).toString().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        update.bindValue(
            0, SearchText::ofVoice(rows.value(1).toString(), tags, rows.value(2).toString()));
        update.bindValue(1, rows.value(0));
        LibrarySql::exec(db, update);
    }
    // Trigrams find a part of a word in a moment on any number of voices;
    // the index holds no copy of the texts (content=voices). A needle too
    // short for trigrams is looked for in the ordering index, which holds
    // the texts and gives the table's order without reading the voices.
    for (const char *sql : {
             "CREATE INDEX voices_order ON voices(name, id, search)",
             "CREATE VIRTUAL TABLE voice_search USING fts5(search, tokenize='trigram', "
             "content='voices', content_rowid='id')",
             "CREATE TRIGGER voices_search_insert AFTER INSERT ON voices BEGIN"
             " INSERT INTO voice_search(rowid, search) VALUES (new.id, new.search); END",
             "CREATE TRIGGER voices_search_delete AFTER DELETE ON voices BEGIN"
             " INSERT INTO voice_search(voice_search, rowid, search)"
             " VALUES ('delete', old.id, old.search); END",
             "CREATE TRIGGER voices_search_update AFTER UPDATE OF search ON voices BEGIN"
             " INSERT INTO voice_search(voice_search, rowid, search)"
             " VALUES ('delete', old.id, old.search);"
             " INSERT INTO voice_search(rowid, search) VALUES (new.id, new.search); END",
             "INSERT INTO voice_search(voice_search) VALUES ('rebuild')",
         })
        LibrarySql::exec(db, QLatin1String(sql));
}

void version3(const QSqlDatabase &db)
{
    // Every write to the instrument and, per place written, what it held
    // before (kept as a voice of the library) and what became of the write.
    // A write whose program was killed stays 'unfinished'.
    for (const char *sql : {
             "CREATE TABLE writes ("
             " id INTEGER PRIMARY KEY,"
             " kind TEXT NOT NULL,"
             " device INTEGER NOT NULL,"
             " started INTEGER NOT NULL,"
             " finished INTEGER NOT NULL DEFAULT 0,"
             " state TEXT NOT NULL DEFAULT 'unfinished',"
             " restores INTEGER NOT NULL DEFAULT 0,"
             " failure TEXT NOT NULL DEFAULT '')",
             "CREATE TABLE write_places ("
             " write_id INTEGER NOT NULL REFERENCES writes(id) ON DELETE CASCADE,"
             " position INTEGER NOT NULL,"
             " form INTEGER NOT NULL,"
             " slot INTEGER NOT NULL,"
             " name TEXT NOT NULL,"
             " voice_id INTEGER REFERENCES voices(id) ON DELETE SET NULL,"
             " kept_id INTEGER REFERENCES voices(id) ON DELETE SET NULL,"
             " not_kept TEXT NOT NULL DEFAULT '',"
             " state TEXT NOT NULL DEFAULT 'pending',"
             " PRIMARY KEY (write_id, position)) WITHOUT ROWID",
             "CREATE INDEX write_places_kept ON write_places(kept_id)",
             "CREATE INDEX write_places_voice ON write_places(voice_id)",
         })
        LibrarySql::exec(db, QLatin1String(sql));
}

} // namespace

const QList<VoiceStoreSchema::Step> &VoiceStoreSchema::steps()
{
    static const QList<Step> steps{version1, version2, version3};
    return steps;
}

int VoiceStoreSchema::version(const QSqlDatabase &db)
{
    return LibrarySql::value(db, QStringLiteral("PRAGMA user_version")).toInt();
}

void VoiceStoreSchema::migrateTo(const QSqlDatabase &db, int target)
{
    for (int from = version(db); from < target && from < currentVersion(); ++from) {
        steps().at(from)(db);
        LibrarySql::exec(db, QStringLiteral("PRAGMA user_version = %1").arg(from + 1));
    }
}
