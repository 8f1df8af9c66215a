#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QVariant>
#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class SqlStatement;

// UTF-16 text from SQLite, which may hand out unaligned pointers into its pages.
QString stringFromUtf16Bytes(const void* data, int bytes);

// One SQLite connection with a cache of prepared statements keyed by their text.
class SqlConnection
{
public:
    SqlConnection() = default;
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    // flags are sqlite3_open_v2 flags. On failure the connection stays closed and error is set.
    bool open(const QString& path, int flags, QString* error);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    sqlite3* handle() const { return m_db; }

    // Runs one or more statements without results.
    bool exec(const QString& sql, QString* error = nullptr);
    // A prepared statement from the cache, reset and with its bindings cleared; nullptr on error.
    SqlStatement* prepare(const QString& sql, QString* error = nullptr);
    QString lastError() const;
    void clearStatementCache();

private:
    sqlite3* m_db = nullptr;
    QHash<QString, SqlStatement*> m_statements;
};

// A prepared statement. Owned by its connection's cache.
class SqlStatement
{
public:
    explicit SqlStatement(sqlite3_stmt* stmt)
        : m_stmt(stmt)
    {
    }
    ~SqlStatement();
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    void reset();
    // 1-based parameter index; an invalid QVariant binds NULL.
    void bind(int index, const QVariant& value);
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& value);
    void bindBlob(int index, const QByteArray& value);
    void bindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Runs to completion; true when it ended without error.
    bool run();

    int columnCount() const;
    bool isNull(int column) const;
    int columnType(int column) const;
    qint64 int64(int column) const;
    double real(int column) const;
    QString text(int column) const;
    QByteArray blob(int column) const;
    // The column's value in its stored SQL type (integer, real, text, blob or invalid for NULL).
    QVariant value(int column) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    sqlite3_stmt* m_stmt;
};
