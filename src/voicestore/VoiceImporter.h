#pragma once

#include "VoiceStore.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Fills the library from files: ".syx" single voices and banks (VoiceBank),
// ".lib" libraries (TVlLibReader), and folders, whose ".syx" and ".lib"
// files are taken at any depth. Each file is one transaction: a program
// stopped or killed during an import keeps the files before it whole and
// nothing of the one it was in. A file without a whole voice is refused,
// named in the summary, and the import goes on.
class VoiceImporter
{
public:
    struct Progress
    {
        int done = 0;  // files handled so far
        int total = 0; // files found
        QString file;  // the one just handled
    };
    // Told after each file; returning false stops before the next one.
    using ProgressCall = std::function<bool(const Progress &progress)>;

    struct Refusal
    {
        QString file;
        QString reason;
    };

    struct Summary
    {
        int added = 0;
        int known = 0;
        QList<Refusal> refused;
        int files = 0;        // files found
        bool stopped = false; // the progress call asked to stop

        // "N new, K known, R refused" (voices new and known, files refused).
        QString text() const;
    };

    explicit VoiceImporter(VoiceStore &store);

    // Imports `paths` (files and folders). A file that cannot be read or
    // holds no whole voice is refused; a library that cannot be written
    // raises VentaroError (the file being imported is then not in it).
    Summary import(const QStringList &paths, const ProgressCall &progress = {});

    // The files `paths` name: files as given, folders' ".syx" and ".lib"
    // files at any depth, each in name order; absolute paths.
    static QStringList filesIn(const QStringList &paths);
    // The whole voices of one file, each with its file source; raises
    // VentaroError when the file cannot be read or holds no whole voice.
    static QList<VoiceStore::Met> read(const QString &fileName);

private:
    VoiceStore &m_store;
};
