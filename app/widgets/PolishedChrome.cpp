#include "PolishedChrome.h"

#include <algorithm>

namespace PolishedChrome
{

QSizeF clampedMinimumSize(const QSizeF& size)
{
    return { std::max(size.width(), kSmallestMinimum), std::max(size.height(), kSmallestMinimum) };
}

Layout layout(const QSizeF& window, const PieceSizes& pieces)
{
    const qreal width = window.width();
    const qreal height = window.height();
    Layout result;
    result.stripWidth = std::max(width, kMinimumStripWidth);
    result.middleLeft = QRectF(0, 0, pieces.middleLeft.width(), height);
    result.middleRight
        = QRectF(width - pieces.middleRight.width() + 1.0, 0, pieces.middleRight.width(), height);

    const QSizeF bl = pieces.bottomLeft;
    const QSizeF br = pieces.bottomRight;
    result.bottomStrip
        = QRectF(bl.width(), height - bl.height(), width - bl.width() - br.width(), bl.height());
    result.bottomLeft = QRectF(QPointF(0, height - bl.height()), bl);
    result.bottomRight = QRectF(QPointF(width - br.width(), height - br.height()), br);

    const QSizeF tl = pieces.topLeft;
    const QSizeF tr = pieces.topRight;
    result.topStrip = QRectF(tl.width(), 0, width - tl.width() - tr.width(), tl.height());
    result.topLeft = QRectF(QPointF(0, 0), tl);
    result.topRight = QRectF(QPointF(width - tr.width(), 0), tr);
    return result;
}

QPointF titleOrigin(const QSizeF& window, const QSizeF& titleSize)
{
    return { window.width() / 2.0 - titleSize.width() / 2.0, kTitleTopMargin };
}

} // namespace PolishedChrome
