#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// Running the library's statements: a statement the database refuses raises
// VentaroError naming the library file and SQLite's reason; a file found
// damaged on the way raises UnreadableLibraryError.
class LibrarySql
{
public:
    static QSqlQuery prepare(const QSqlDatabase &db, const QString &sql);
    static void exec(const QSqlDatabase &db, QSqlQuery &query);
    static QSqlQuery exec(const QSqlDatabase &db, const QString &sql);
    // The first column of the first row of `sql`.
    static QVariant value(const QSqlDatabase &db, const QString &sql);

    // "The voice library "<file>" is damaged or is not a voice library; it was left as it is."
    static QString damagedText(const QString &fileName);
    [[noreturn]] static void fail(const QSqlDatabase &db, const QSqlError &error);
};
