#include "CuisineMO.h"

int CuisineMO::compare(const ManagedObject* other) const
{
    if (!dynamic_cast<const CuisineMO*>(other))
        throw BadComparisonException("Non-cuisine comparison");
    const int order = valueForKey(QStringLiteral("name"))
                          .toString()
                          .compare(other->valueForKey(QStringLiteral("name")).toString());
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}
