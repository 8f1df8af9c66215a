#include "ManagedObjectToNameOneWayTransformer.h"

#include "KeyValueCoding.h"

QVariant ManagedObjectToNameOneWayTransformer::transformedValue(const QVariant& value) const
{
    const KeyValueCoding* object = KeyValueCoding::fromVariant(value);
    return object ? object->valueForKey(QStringLiteral("name")) : QVariant();
}
