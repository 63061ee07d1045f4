#include "SqlTransaction.h"

#include "LibrarySql.h"

#include <QSqlQuery>

SqlTransaction::SqlTransaction(const QSqlDatabase &db) : m_db(db)
{
    LibrarySql::exec(m_db, QStringLiteral("BEGIN IMMEDIATE"));
}

SqlTransaction::~SqlTransaction()
{
    if (!m_committed)
        QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
}

void SqlTransaction::commit()
{
    LibrarySql::exec(m_db, QStringLiteral("COMMIT"));
    m_committed = true;
}
