#pragma once

#include "BaseMO.h"

// A recipe cuisine, unique by "name".
class CuisineMO : public BaseMO
{
public:
    // Orders by name, case-sensitively: negative, zero or positive. Another class of object
    // throws BadComparisonException ("Non-cuisine comparison").
    int compare(const ManagedObject* other) const;
};
