#pragma once

#include <QRectF>
#include <QSizeF>

// Where the pieces of a themed window's background go, apart from the painting. Rectangles are in
// the window's coordinates, y downwards.
namespace PolishedChrome
{

// No minimum size below 150 × 150.
constexpr qreal kSmallestMinimum = 150.0;
// The bar strips are made at least this wide and only their left part is used.
constexpr qreal kMinimumStripWidth = 300.0;
// The title sits this far below the window's top edge.
constexpr qreal kTitleTopMargin = 3.0;
// The window's content leaves this much of its bottom edge to the bottom bar.
constexpr qreal kBottomBorderThickness = 34.0;

QSizeF clampedMinimumSize(const QSizeF& size);

struct PieceSizes {
    QSizeF topLeft, topMiddle, topRight;
    QSizeF bottomLeft, bottomMiddle, bottomRight;
    QSizeF middleLeft, middleRight;
};

struct Layout {
    qreal stripWidth = 0; // the width the two strips are made at
    QRectF topStrip, bottomStrip; // where the used part of each strip goes
    QRectF topLeft, topRight, bottomLeft, bottomRight;
    QRectF middleLeft, middleRight; // stretched over the whole height
};

// The corners set the heights of the bars; the strips run between them.
Layout layout(const QSizeF& window, const PieceSizes& pieces);

// The top-left corner of the title of `titleSize`, centred, 3 points below the top edge.
QPointF titleOrigin(const QSizeF& window, const QSizeF& titleSize);

} // namespace PolishedChrome
