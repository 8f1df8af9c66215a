#pragma once

#include <QStringList>
#include <QVariantMap>

namespace RemoveAndCreate
{

// A copy of the dictionary without the given keys.
QVariantMap dictionaryByRemovingObjectsForKeys(const QVariantMap& dictionary, const QStringList& keys);

} // namespace RemoveAndCreate
