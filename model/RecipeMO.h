#pragma once

#include "BaseMO.h"
#include "ParagraphStyle.h"

// One recipe of the library (entity "Recipe").
class RecipeMO : public BaseMO {
public:
    // The base style of every paragraph of the recipe card.
    static ParagraphStyle defaultParagraphStyle();
};
