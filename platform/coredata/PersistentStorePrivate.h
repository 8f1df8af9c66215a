#pragma once

// Helpers shared by the implementation files of PersistentStore; not for other users.

#include "CoreDataErrors.h"
#include "Error.h"

#include <QString>

namespace PersistentStorePrivate
{

// Marks our files ("KTCH"), so that a foreign SQLite file is told apart before anything is written.
constexpr int applicationID = 0x4B544348;
// The layout of the bookkeeping tables; the model's own version is in the metadata.
constexpr int schemaFormat = 1;

inline QString quoted(const QString& name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

inline QString attributeColumn(const QString& name)
{
    return QStringLiteral("a_") + name;
}

inline QString relationshipColumn(const QString& name)
{
    return QStringLiteral("r_") + name;
}

inline Error storeError(int code, const QString& path, const QString& message)
{
    Error error;
    error.domain = CoreDataErrors::domain;
    error.code = code;
    error.localizedDescription = message;
    error.userInfo.insert(CoreDataErrors::filePathKey, path);
    return error;
}

inline void setError(Error* target, const Error& error)
{
    if (target)
        *target = error;
}

} // namespace PersistentStorePrivate
