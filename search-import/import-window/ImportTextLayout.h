#pragma once

#include "Range.h"

#include <QRectF>

// The geometry of the import text that the areas need, in the view's document coordinates
// (y grows downwards). A glyph is one UTF-16 unit of the text.
class ImportTextLayout
{
public:
    virtual ~ImportTextLayout() = default;

    // The glyphs of every line the rectangle touches vertically, first to last; {NotFound, 0}
    // when it touches none.
    virtual Range glyphRangeForBoundingRect(const QRectF& rect) const = 0;
    // The union of the glyphs' rectangles; a null rectangle for an empty range.
    virtual QRectF boundingRectForGlyphRange(Range range) const = 0;
    // One glyph's rectangle: its advance across, its line's height down.
    virtual QRectF boundingRectForGlyph(qsizetype index) const = 0;
};
