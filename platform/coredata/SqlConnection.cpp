#include "SqlConnection.h"

#include <sqlite3.h>

void SqlConnection::Finalizer::operator()(sqlite3_stmt* stmt) const
{
    sqlite3_finalize(stmt);
}

SqlConnection::~SqlConnection()
{
    close();
}

bool SqlConnection::open(const QString& path, int flags, QString* error)
{
    close();
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (error)
            *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_close(db);
        return false;
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    m_db = db;
    return true;
}

void SqlConnection::close()
{
    clearStatementCache();
    if (m_db) {
        sqlite3_close(m_db);
        m_db = nullptr;
    }
}

void SqlConnection::clearStatementCache()
{
    m_statements.clear();
}

bool SqlConnection::exec(const QString& sql, QString* error)
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("database is not open");
        return false;
    }
    char* message = nullptr;
    const int rc = sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        if (error)
            *error = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(message);
        return false;
    }
    return true;
}

SqlStatement SqlConnection::prepare(const QString& sql, QString* error)
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("database is not open");
        return SqlStatement();
    }
    if (auto cached = m_statements.find(sql); cached != m_statements.end()) {
        // Rewound even so: a caller further up may still hold this statement mid-step.
        SqlStatement statement(cached->second.get());
        statement.reset();
        return statement;
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(
        m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    StatementPtr owned(stmt);
    if (rc != SQLITE_OK || !stmt) {
        if (error)
            *error = lastError();
        return SqlStatement();
    }
    return SqlStatement(m_statements.emplace(sql, std::move(owned)).first->second.get());
}

QString SqlConnection::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("database is not open");
}
