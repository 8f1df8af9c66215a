#pragma once

#include <QVariant>

// Shows an object by its "name", for columns and menus that list model objects.
class ManagedObjectToNameOneWayTransformer
{
public:
    // The object's "name"; nothing for a value that is no object.
    QVariant transformedValue(const QVariant& value) const;
    // One way only: the value comes back as it is.
    QVariant reverseTransformedValue(const QVariant& value) const { return value; }
};
