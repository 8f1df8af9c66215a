#include "PropertyList.h"

#include "PropertyListCodec.h"

#include <QFile>
#include <QSaveFile>

namespace
{

void setError(Error* error, PropertyList::ErrorCode code, const QString& message, const QString& path = {})
{
    if (!error)
        return;
    *error = Error { PropertyList::errorDomain(), code, message, {} };
    if (!path.isEmpty())
        error->userInfo.insert(QStringLiteral("path"), path);
}

QString describe(const QString& path)
{
    return path.isEmpty() ? QStringLiteral("The data") : QStringLiteral("The file “%1”").arg(path);
}

QVariant parse(const QByteArray& data, const QString& path, PropertyList::Format* format, Error* error)
{
    if (data.isEmpty()) {
        setError(error, PropertyList::ReadCorruptError,
            QStringLiteral("%1 is not a property list: it is empty.").arg(describe(path)), path);
        return {};
    }
    const bool binary = data.startsWith("bplist");
    QString reason;
    QVariant value
        = binary ? PropertyListCodec::readBinary(data, &reason) : PropertyListCodec::readXml(data, &reason);
    if (!value.isValid()) {
        setError(error, PropertyList::ReadCorruptError,
            QStringLiteral("%1 is not a valid property list: %2.").arg(describe(path), reason), path);
        return {};
    }
    if (format)
        *format = binary ? PropertyList::Format::Binary : PropertyList::Format::Xml;
    return value;
}

bool readFile(const QString& path, QByteArray* data, Error* error)
{
    QFile file(path);
    if (!file.exists()) {
        setError(error, PropertyList::ReadNoSuchFileError,
            QStringLiteral("The file “%1” doesn’t exist.").arg(path), path);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, PropertyList::ReadFailedError,
            QStringLiteral("The file “%1” could not be read: %2.").arg(path, file.errorString()), path);
        return false;
    }
    *data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        setError(error, PropertyList::ReadFailedError,
            QStringLiteral("The file “%1” could not be read: %2.").arg(path, file.errorString()), path);
        return false;
    }
    return true;
}

QString topTypeName(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
        return QStringLiteral("a dictionary");
    case QMetaType::QVariantList:
        return QStringLiteral("an array");
    case QMetaType::QString:
        return QStringLiteral("a string");
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return QStringLiteral("an integer");
    case QMetaType::Double:
        return QStringLiteral("a real number");
    case QMetaType::Bool:
        return QStringLiteral("a boolean");
    case QMetaType::QDateTime:
        return QStringLiteral("a date");
    case QMetaType::QByteArray:
        return QStringLiteral("data");
    default:
        return QStringLiteral("something else");
    }
}

template <typename T>
std::optional<T> expectTop(
    const QVariant& value, QMetaType::Type type, const char* wanted, const QString& path, Error* error)
{
    if (!value.isValid())
        return std::nullopt;
    if (value.metaType().id() != type) {
        setError(error, PropertyList::WrongTypeError,
            QStringLiteral("%1 holds %2 where %3 was expected.")
                .arg(describe(path), topTypeName(value), QLatin1String(wanted)),
            path);
        return std::nullopt;
    }
    return value.value<T>();
}

QVariant parseFile(const QString& path, PropertyList::Format* format, Error* error)
{
    QByteArray data;
    if (!readFile(path, &data, error))
        return {};
    return parse(data, path, format, error);
}

} // namespace

QVariant PropertyList::propertyListWithData(const QByteArray& data, Format* format, Error* error)
{
    return parse(data, {}, format, error);
}

QVariant PropertyList::propertyListWithContentsOfFile(const QString& path, Format* format, Error* error)
{
    return parseFile(path, format, error);
}

std::optional<QVariantMap> PropertyList::dictionaryWithData(const QByteArray& data, Error* error)
{
    return expectTop<QVariantMap>(
        parse(data, {}, nullptr, error), QMetaType::QVariantMap, "a dictionary", {}, error);
}

std::optional<QVariantMap> PropertyList::dictionaryWithContentsOfFile(const QString& path, Error* error)
{
    return expectTop<QVariantMap>(
        parseFile(path, nullptr, error), QMetaType::QVariantMap, "a dictionary", path, error);
}

std::optional<QVariantList> PropertyList::arrayWithData(const QByteArray& data, Error* error)
{
    return expectTop<QVariantList>(
        parse(data, {}, nullptr, error), QMetaType::QVariantList, "an array", {}, error);
}

std::optional<QVariantList> PropertyList::arrayWithContentsOfFile(const QString& path, Error* error)
{
    return expectTop<QVariantList>(
        parseFile(path, nullptr, error), QMetaType::QVariantList, "an array", path, error);
}

QByteArray PropertyList::dataWithPropertyList(const QVariant& plist, Format format, Error* error)
{
    QByteArray out;
    QString reason;
    const bool ok = format == Format::Binary ? PropertyListCodec::writeBinary(plist, &out, &reason)
                                             : PropertyListCodec::writeXml(plist, &out, &reason);
    if (!ok) {
        setError(
            error, WriteInvalidError, QStringLiteral("The property list cannot be written: %1.").arg(reason));
        return {};
    }
    return out;
}

bool PropertyList::writePropertyList(const QVariant& plist, const QString& path, Format format, Error* error)
{
    const QByteArray data = dataWithPropertyList(plist, format, error);
    if (data.isEmpty()) {
        if (error)
            error->userInfo.insert(QStringLiteral("path"), path);
        return false;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        setError(error, WriteFailedError,
            QStringLiteral("The file “%1” could not be written: %2.").arg(path, file.errorString()), path);
        return false;
    }
    return true;
}
