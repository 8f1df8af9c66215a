#include "SqlConnection.h"

#include <cstring>
#include <sqlite3.h>

QString stringFromUtf16Bytes(const void* data, int bytes)
{
    if (!data)
        return QString();
    QString text(bytes / int(sizeof(QChar)), Qt::Uninitialized);
    memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    return text;
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
    qDeleteAll(m_statements);
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

SqlStatement* SqlConnection::prepare(const QString& sql, QString* error)
{
    if (!m_db) {
        if (error)
            *error = QStringLiteral("database is not open");
        return nullptr;
    }
    if (SqlStatement* cached = m_statements.value(sql)) {
        cached->reset();
        return cached;
    }
    sqlite3_stmt* stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    const int rc = sqlite3_prepare_v3(
        m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK || !stmt) {
        if (error)
            *error = lastError();
        sqlite3_finalize(stmt);
        return nullptr;
    }
    auto* statement = new SqlStatement(stmt);
    m_statements.insert(sql, statement);
    return statement;
}

QString SqlConnection::lastError() const
{
    return m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("database is not open");
}

SqlStatement::~SqlStatement()
{
    sqlite3_finalize(m_stmt);
}

void SqlStatement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

void SqlStatement::bind(int index, const QVariant& value)
{
    if (!value.isValid() || value.isNull()) {
        bindNull(index);
        return;
    }
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        bindInt64(index, value.toLongLong());
        return;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(m_stmt, index, value.toDouble());
        return;
    case QMetaType::QByteArray:
        bindBlob(index, value.toByteArray());
        return;
    default:
        bindText(index, value.toString());
        return;
    }
}

void SqlStatement::bindInt64(int index, qint64 value)
{
    sqlite3_bind_int64(m_stmt, index, value);
}

void SqlStatement::bindText(int index, const QString& value)
{
    // UTF-16 in, UTF-16 out: the store's text encoding is UTF-16, so lone surrogates survive.
    sqlite3_bind_text16(m_stmt, index, value.utf16(), int(value.size() * sizeof(char16_t)), SQLITE_TRANSIENT);
}

void SqlStatement::bindBlob(int index, const QByteArray& value)
{
    // A zero-length blob must stay a blob, not NULL.
    sqlite3_bind_blob64(m_stmt, index, value.isEmpty() ? "" : value.constData(), sqlite3_uint64(value.size()),
        SQLITE_TRANSIENT);
}

void SqlStatement::bindNull(int index)
{
    sqlite3_bind_null(m_stmt, index);
}

int SqlStatement::step()
{
    return sqlite3_step(m_stmt);
}

bool SqlStatement::run()
{
    int rc;
    while ((rc = step()) == SQLITE_ROW) { }
    const bool ok = rc == SQLITE_DONE;
    sqlite3_reset(m_stmt);
    return ok;
}

int SqlStatement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

bool SqlStatement::isNull(int column) const
{
    return sqlite3_column_type(m_stmt, column) == SQLITE_NULL;
}

int SqlStatement::columnType(int column) const
{
    return sqlite3_column_type(m_stmt, column);
}

qint64 SqlStatement::int64(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

double SqlStatement::real(int column) const
{
    return sqlite3_column_double(m_stmt, column);
}

QString SqlStatement::text(int column) const
{
    const void* data = sqlite3_column_text16(m_stmt, column);
    return stringFromUtf16Bytes(data, sqlite3_column_bytes16(m_stmt, column));
}

QByteArray SqlStatement::blob(int column) const
{
    const void* data = sqlite3_column_blob(m_stmt, column);
    const int bytes = sqlite3_column_bytes(m_stmt, column);
    if (!data)
        return QByteArray("", 0); // an empty blob, which is not NULL
    return QByteArray(static_cast<const char*>(data), bytes);
}

QVariant SqlStatement::value(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant::fromValue<qint64>(int64(column));
    case SQLITE_FLOAT:
        return real(column);
    case SQLITE_TEXT:
        return text(column);
    case SQLITE_BLOB:
        return blob(column);
    default:
        return QVariant();
    }
}
