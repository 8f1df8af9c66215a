#include "RecipeMO.h"

ParagraphStyle RecipeMO::defaultParagraphStyle()
{
    ParagraphStyle style;
    style.lineSpacing = 2.0;
    return style;
}
