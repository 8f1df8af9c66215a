#include "CategoryMO.h"

int CategoryMO::compare(const ManagedObject* other) const
{
    if (!dynamic_cast<const CategoryMO*>(other))
        throw BadComparisonException("Non-category comparison");
    const int order = valueForKey(QStringLiteral("name"))
                          .toString()
                          .compare(other->valueForKey(QStringLiteral("name")).toString());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
