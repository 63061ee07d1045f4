#pragma once

#include "StoredVoice.h"
#include "VoiceBank.h"
#include "VoiceFilter.h"
#include "VoiceSource.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariant>

#include <optional>

// The voice library: one SQLite file where every voice the program meets is
// kept once (VoiceIdentity), with every place it was met (its sources), the
// user's tags, favourite mark and note. The bytes of a voice are kept as
// first met and never changed.
//
// Each instance holds a connection of its own, so the window and a worker
// thread (or another process) can use the same file at once: the file is in
// WAL mode, writers wait for each other up to BusyTimeoutMs, and every
// write is one transaction, so a program killed in the middle leaves the
// file as it was before that write. An instance is used from one thread.
class VoiceStore
{
public:
    static constexpr int BusyTimeoutMs = 5000;
    static constexpr int BusyRetryMs = 10;
    static inline const QString BusyCode = QStringLiteral("5"); // SQLite's SQLITE_BUSY
    static inline const QString FileName = QStringLiteral("library.sqlite");
    static inline const QString PathVariable = QStringLiteral("VENTARO_LIBRARY");

    // The file named by VENTARO_LIBRARY, else library.sqlite in the
    // per-user data folder ($XDG_DATA_HOME/Ventaro).
    static QString defaultPath();

    // Opens the library, creating it (and its folder) when missing and
    // bringing an older file up to this version. A file that is not a
    // library, is damaged or was written by a newer version raises
    // UnreadableLibraryError and is left untouched; any other failure (no
    // room, no permission) raises VentaroError.
    explicit VoiceStore(const QString &fileName);
    ~VoiceStore();
    VoiceStore(const VoiceStore &) = delete;
    VoiceStore &operator=(const VoiceStore &) = delete;

    QString fileName() const { return m_fileName; }

    // Renames a library file the user gave up on, with its WAL files, to
    // "<file>.damaged-<date and time>" beside it, and returns that name. The
    // next VoiceStore on `fileName` starts a new library. Raises VentaroError
    // when the file cannot be renamed (it is then left as it was).
    static QString setAside(const QString &fileName);

    struct Met
    {
        VoiceBank::Voice voice; // form and bytes; the name is read from them
        VoiceSource source;
    };
    struct Counts
    {
        int added = 0;
        int known = 0;
        QList<qint64> ids; // the voice of each one met, in order
    };

    // Keeps the voices met, all in one transaction: a voice not yet in the
    // library is added, one already there gets the source (a source met
    // again in the same place only updates its time).
    Counts record(const QList<Met> &voices);
    // One voice as the window holds it (one whole voice dump of any form);
    // other bytes raise VentaroError.
    Counts record(const QByteArray &voiceBytes, const VoiceSource &source);

    // The voices the filter lets through, by name then id; without bytes,
    // with their first source.
    QList<StoredVoice> list(const VoiceFilter &filter = {}) const;
    // The same voices' ids alone: what a table needs at each keystroke, its
    // rows read by rows() as they come into view.
    QList<qint64> find(const VoiceFilter &filter) const;
    // The voices of `ids` as list() gives them, in the order of `ids`; ids
    // no longer in the library are left out.
    QList<StoredVoice> rows(const QList<qint64> &ids) const;
    // A voice with its bytes and every source, or nothing.
    std::optional<StoredVoice> voice(qint64 id) const;
    int count() const;
    // Every tag in use, sorted.
    QStringList tags() const;

    // Changes to a voice; an id not in the library raises VentaroError.
    void addTag(qint64 id, const QString &tag);
    void removeTag(qint64 id, const QString &tag);
    void setFavourite(qint64 id, bool favourite);
    void setNote(qint64 id, const QString &note);
    // Takes voices out of the library (never out of any file or slot).
    void remove(const QList<qint64> &ids);

private:
    // The history of writes shares the file and its connection.
    friend class WriteHistory;

    void open();
    QString walMode(); // the journal mode after asking for WAL
    void close();
    void requireVoice(qint64 id) const;
    void refreshSearchText(qint64 id);
    QSqlQuery select(const QString &sql, const QVariantList &values) const;
    QList<StoredVoice> rowsWhere(const QString &condition, const QVariantList &values) const;
    // Runs `sql` (value first, then the voice's id) on a voice that must be
    // there; `searched`: the change is to a text the search looks in.
    void change(qint64 id, const QString &sql, const QVariant &value, bool searched);

    QString m_fileName;
    QString m_connection;
    QSqlDatabase m_db;
};
