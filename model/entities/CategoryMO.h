#pragma once

#include "BaseMO.h"

// A recipe category, unique by "name".
class CategoryMO : public BaseMO
{
public:
    // Orders by name, case-sensitively: negative, zero or positive. Another class of object
    // throws BadComparisonException ("Non-category comparison").
    int compare(const ManagedObject* other) const;
};
