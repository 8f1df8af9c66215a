#pragma once

#include "BaseMO.h"

// The kitchen (source) a recipe comes from, unique by "name".
class KitchenMO : public BaseMO
{
};
