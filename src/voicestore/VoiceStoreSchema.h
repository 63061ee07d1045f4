#pragma once

#include <QList>
#include <QSqlDatabase>

#include <functional>

// The library file's tables and how a file of an older version becomes one
// of this version. The version is SQLite's `user_version`: 0 for a new file,
// n once the first n steps ran. Every step runs inside the caller's write
// transaction, so a file is at one version or the next, never between.
//
// Version 1: voices (one row per voice identity, bytes as first met),
// sources (where each was met), tags.
// Version 2: the folded search text of each voice and its trigram index.
// Version 3: the history of writes to the instrument (writes, write_places).
class VoiceStoreSchema
{
public:
    using Step = std::function<void(const QSqlDatabase &db)>;

    // Step i takes a file from version i to version i + 1.
    static const QList<Step> &steps();
    static int currentVersion() { return int(steps().size()); }

    static int version(const QSqlDatabase &db);
    // Runs the steps from the file's version up to `target` (the caller
    // holds a write transaction).
    static void migrateTo(const QSqlDatabase &db, int target);
};
