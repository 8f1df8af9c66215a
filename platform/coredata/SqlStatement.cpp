#include "SqlStatement.h"

#include <cstring>
#include <sqlite3.h>
#include <utility>

QString stringFromUtf16Bytes(const void* data, int bytes)
{
    if (!data)
        return QString();
    QString text(bytes / int(sizeof(QChar)), Qt::Uninitialized);
    memcpy(text.data(), data, size_t(text.size()) * sizeof(QChar));
    return text;
}

SqlStatement::~SqlStatement()
{
    if (m_stmt)
        reset();
}

SqlStatement::SqlStatement(SqlStatement&& other) noexcept
    : m_stmt(std::exchange(other.m_stmt, nullptr))
{
}

SqlStatement& SqlStatement::operator=(SqlStatement&& other) noexcept
{
    if (this != &other) {
        if (m_stmt)
            reset();
        m_stmt = std::exchange(other.m_stmt, nullptr);
    }
    return *this;
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

void SqlStatement::bindTextInPlace(int index, const QString& value)
{
    // The length is given, so the text needs no terminator (utf16() would copy one into place);
    // an empty text binds '' as bindText does, never NULL.
    const void* text = value.isEmpty() ? static_cast<const void*>(u"") : value.constData();
    sqlite3_bind_text16(m_stmt, index, text, int(value.size() * sizeof(char16_t)), SQLITE_STATIC);
}

void SqlStatement::bindDouble(int index, double value)
{
    sqlite3_bind_double(m_stmt, index, value);
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
