#pragma once

#include "Range.h"

#include <QPointF>
#include <QRectF>

// What the editing rules ask of the laid-out card, in view coordinates (the text container's
// origin is the view's). The widget answers from its document layout; tests use fixed metrics.
class RecipeTextLayout
{
public:
    virtual ~RecipeTextLayout() = default;

    // The union of the rectangles of the characters of range; empty for an empty range.
    virtual QRectF boundingRectForRange(Range range) const = 0;
    // The character laid out at point, or Range::NotFound where there is none.
    virtual qsizetype characterIndexForPoint(QPointF point) const = 0;
    // The rectangle of the line that holds index, as wide as the text on it.
    virtual QRectF lineRectForCharacter(qsizetype index) const = 0;
    // The rectangle all laid-out text covers.
    virtual QRectF usedRect() const = 0;
};
