#pragma once

#include "SqlStatement.h"

#include <QHash>
#include <QString>
#include <memory>
#include <unordered_map>

struct sqlite3;
struct sqlite3_stmt;

// One SQLite connection with a cache of prepared statements keyed by their text. The cache owns
// the statements; prepare() lends one out as a handle that rewinds it when it leaves scope.
// Used on one thread at a time.
class SqlConnection
{
public:
    SqlConnection() = default;
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // flags are sqlite3_open_v2 flags. On failure the connection stays closed and error is set.
    bool open(const QString& path, int flags, QString* error);
    // Finalizes every cached statement: no handle from prepare() may be alive.
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Runs one or more statements without results.
    bool exec(const QString& sql, QString* error = nullptr);
    // A statement from the cache, reset and with its bindings cleared; an invalid handle on error
    // (with error set). The handle must not outlive the connection or clearStatementCache().
    SqlStatement prepare(const QString& sql, QString* error = nullptr);
    QString lastError() const;
    void clearStatementCache();

private:
    struct Finalizer {
        void operator()(sqlite3_stmt* stmt) const;
    };
    using StatementPtr = std::unique_ptr<sqlite3_stmt, Finalizer>;

    sqlite3* m_db = nullptr;
    std::unordered_map<QString, StatementPtr> m_statements;
};
