#include "LibrarySql.h"

#include "UnreadableLibraryError.h"

#include <QDir>
#include <QSqlError>
#include <QVariant>

namespace {

// SQLite's result codes for a file that is no database or whose pages are broken.
const QString SqliteCorrupt = QStringLiteral("11");
const QString SqliteNotADatabase = QStringLiteral("26");

} // namespace

QString LibrarySql::damagedText(const QString &fileName)
{
    return QStringLiteral("The voice library \"%1\" is damaged or is not a voice library; it was "
                          "left as it is.")
        .arg(QDir::toNativeSeparators(fileName));
}

void LibrarySql::fail(const QSqlDatabase &db, const QSqlError &error)
{
    const QString code = error.nativeErrorCode();
    if (code == SqliteCorrupt || code == SqliteNotADatabase)
        throw UnreadableLibraryError(damagedText(db.databaseName()));
    throw VentaroError(
        QStringLiteral("The voice library \"%1\" cannot be used: %2")
            .arg(QDir::toNativeSeparators(db.databaseName()),
                 error.databaseText().isEmpty() ? error.text() : error.databaseText()));
}

QSqlQuery LibrarySql::prepare(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.prepare(sql))
        fail(db, query.lastError());
    return query;
}

void LibrarySql::exec(const QSqlDatabase &db, QSqlQuery &query)
{
    if (!query.exec())
        fail(db, query.lastError());
}

QSqlQuery LibrarySql::exec(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        fail(db, query.lastError());
    return query;
}

QVariant LibrarySql::value(const QSqlDatabase &db, const QString &sql)
{
    QSqlQuery query = exec(db, sql);
    return query.next() ? query.value(0) : QVariant();
}
