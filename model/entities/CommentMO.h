#pragma once

#include "BaseMO.h"

// A comment on a recipe.
class CommentMO : public BaseMO
{
};
