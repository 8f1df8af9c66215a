#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

struct sqlite3_stmt;

// UTF-16 text from SQLite, which may hand out unaligned pointers into its pages.
QString stringFromUtf16Bytes(const void* data, int bytes);

// A prepared statement lent out by its connection's statement cache (SqlConnection::prepare).
// It does not own the statement: leaving scope resets it and clears its bindings, so an early
// return never leaves a cached statement mid-step (holding a read transaction open) or carrying
// stale bindings into its next use. Move-only; a default-constructed or moved-from handle is
// invalid and does nothing. It must not outlive its connection or a clearing of the cache, and is
// used on one thread at a time, as its connection is.
class SqlStatement
{
public:
    SqlStatement() = default;
    explicit SqlStatement(sqlite3_stmt* stmt)
        : m_stmt(stmt)
    {
    }
    ~SqlStatement();
    SqlStatement(SqlStatement&& other) noexcept;
    SqlStatement& operator=(SqlStatement&& other) noexcept;
    SqlStatement(const SqlStatement&) = delete;
    SqlStatement& operator=(const SqlStatement&) = delete;

    // False when preparing failed; no other member may then be called.
    bool isValid() const { return m_stmt != nullptr; }
    explicit operator bool() const { return isValid(); }

    // Back to before the first step, with all parameters NULL.
    void reset();
    // 1-based parameter index; an invalid QVariant binds NULL.
    void bind(int index, const QVariant& value);
    void bindInt64(int index, qint64 value);
    void bindText(int index, const QString& value);
    // Without a copy: the text must stay as it is until the statement has run.
    void bindTextInPlace(int index, const QString& value);
    void bindDouble(int index, double value);
    void bindBlob(int index, const QByteArray& value);
    void bindNull(int index);

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int step();
    // Runs to completion and rewinds, keeping the bindings; true when it ended without error.
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
    sqlite3_stmt* m_stmt = nullptr;
};
