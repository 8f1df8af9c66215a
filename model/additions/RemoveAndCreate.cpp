#include "RemoveAndCreate.h"

namespace RemoveAndCreate
{

QVariantMap dictionaryByRemovingObjectsForKeys(const QVariantMap& dictionary, const QStringList& keys)
{
    QVariantMap copy = dictionary;
    for (const QString& key : keys)
        copy.remove(key);
    return copy;
}

} // namespace RemoveAndCreate
