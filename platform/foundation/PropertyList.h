#pragma once

#include "Error.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <optional>

// Property lists, XML or binary, as QVariant trees:
//   dict -> QVariantMap, array (and set) -> QVariantList, string -> QString,
//   integer -> qint64 (quint64 above qint64's range), real -> double, bool -> bool,
//   date -> QDateTime in UTC, data -> QByteArray,
//   uid (keyed archives) -> QVariantMap {"CF$UID": qint64}.
// Writing accepts those types plus the other integer types, float, QVariantHash and QStringList.
// Dates keep milliseconds in binary; XML carries whole seconds, as every reader of it expects
// (a fraction is still accepted when read).
// A damaged, truncated or unsupported input is an error result, never a partial value.
class PropertyList
{
public:
    enum class Format { Xml, Binary };

    enum ErrorCode {
        ReadCorruptError = 1, // not a property list, damaged or truncated
        ReadNoSuchFileError,
        ReadFailedError, // the file exists but could not be read
        WrongTypeError, // a property list, but not the expected type at the top
        WriteInvalidError, // the value holds something a property list cannot
        WriteFailedError,
    };
    static QString errorDomain() { return QStringLiteral("PropertyList"); }

    // An invalid QVariant with *error set when the bytes are not a property list.
    static QVariant propertyListWithData(
        const QByteArray& data, Format* format = nullptr, Error* error = nullptr);
    static QVariant propertyListWithContentsOfFile(
        const QString& path, Format* format = nullptr, Error* error = nullptr);

    // The same, expecting a dictionary or an array at the top.
    static std::optional<QVariantMap> dictionaryWithData(const QByteArray& data, Error* error = nullptr);
    static std::optional<QVariantMap> dictionaryWithContentsOfFile(
        const QString& path, Error* error = nullptr);
    static std::optional<QVariantList> arrayWithData(const QByteArray& data, Error* error = nullptr);
    static std::optional<QVariantList> arrayWithContentsOfFile(const QString& path, Error* error = nullptr);

    // Empty bytes with *error set when the value cannot be written.
    static QByteArray dataWithPropertyList(const QVariant& plist, Format format, Error* error = nullptr);
    // Atomic: the file is either the old one or the complete new one.
    static bool writePropertyList(
        const QVariant& plist, const QString& path, Format format, Error* error = nullptr);
};
