#pragma once

// Helpers shared by the implementation files of ManagedObjectContext; not for other users.

#include "CoreDataErrors.h"
#include "Error.h"
#include "ManagedObject.h"
#include "ManagedObjectID.h"

#include <QList>
#include <QString>
#include <QVariant>

namespace ContextInternals
{

// The payload of the context's notifications: object pointers and object IDs as variants.
inline QVariantList objectList(const QList<ManagedObject*>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (ManagedObject* object : objects)
        list.append(QVariant::fromValue(object));
    return list;
}

inline QVariantList idList(const QList<ManagedObjectID>& ids)
{
    QVariantList list;
    list.reserve(ids.size());
    for (const ManagedObjectID& id : ids)
        list.append(QVariant::fromValue(id));
    return list;
}

// Fills *error, when asked for, with a store error of this code.
inline void setError(Error* error, int code, const QString& message)
{
    if (!error)
        return;
    *error = Error { CoreDataErrors::domain, code, message, {} };
}

} // namespace ContextInternals
