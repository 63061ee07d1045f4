#pragma once

#include <QSqlDatabase>

// A write transaction on the library taken at once (BEGIN IMMEDIATE), so
// that two writers queue on the busy timeout instead of one failing when it
// upgrades a read lock. Rolled back unless committed.
class SqlTransaction
{
public:
    explicit SqlTransaction(const QSqlDatabase &db);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction &) = delete;
    SqlTransaction &operator=(const SqlTransaction &) = delete;

    void commit();

private:
    QSqlDatabase m_db;
    bool m_committed = false;
};
