#include "CocoaDevCategory.h"

#include <QPainter>
#include <QtMath>
#include <cmath>
#include <gtest/gtest.h>

using CocoaDevCategory::bezierPathWithRoundRectInRect;

namespace
{

QList<QPointF> points(const QPainterPath& path)
{
    QList<QPointF> list;
    for (int i = 0; i < path.elementCount(); ++i)
        list << QPointF(path.elementAt(i));
    return list;
}

// Every point along the path lies on the rectangle's straight sides or on a corner arc of the
// given radius around the right centre.
void expectOnRoundedOutline(const QPainterPath& path, const QRectF& rect, qreal radius)
{
    for (int step = 0; step <= 400; ++step) {
        const QPointF p = path.pointAtPercent(step / 400.0);
        const bool cornerX = p.x() < rect.left() + radius - 1e-6 || p.x() > rect.right() - radius + 1e-6;
        const bool cornerY = p.y() < rect.top() + radius - 1e-6 || p.y() > rect.bottom() - radius + 1e-6;
        if (cornerX && cornerY) {
            const QPointF centre(p.x() < rect.center().x() ? rect.left() + radius : rect.right() - radius,
                p.y() < rect.center().y() ? rect.top() + radius : rect.bottom() - radius);
            EXPECT_NEAR(std::hypot(p.x() - centre.x(), p.y() - centre.y()), radius, 0.05)
                << step << ": " << p.x() << "," << p.y();
        } else {
            const bool onSide = qAbs(p.x() - rect.left()) < 1e-6 || qAbs(p.x() - rect.right()) < 1e-6
                || qAbs(p.y() - rect.top()) < 1e-6 || qAbs(p.y() - rect.bottom()) < 1e-6;
            EXPECT_TRUE(onSide) << step << ": " << p.x() << "," << p.y();
        }
    }
}

} // namespace

TEST(CocoaDevCategory, RoundedRectangleFollowsTheCappedRadius)
{
    const struct {
        QRectF rect;
        qreal radius;
        qreal capped;
    } cases[] = {
        { QRectF(0, 0, 100, 40), 8, 8 },
        { QRectF(10, 20, 100, 20), 50, 10 }, // a pill
        { QRectF(-30, 5, 12, 60), 6, 6 },
        { QRectF(0, 0, 30, 30), 15, 15 }, // a circle
        { QRectF(2.5, 3.5, 50.25, 10.5), 4.75, 4.75 },
    };
    for (const auto& c : cases) {
        const QPainterPath path = bezierPathWithRoundRectInRect(c.rect, c.radius);
        const QRectF bounds = path.boundingRect();
        EXPECT_NEAR(bounds.left(), c.rect.left(), 1e-9);
        EXPECT_NEAR(bounds.top(), c.rect.top(), 1e-9);
        EXPECT_NEAR(bounds.width(), c.rect.width(), 1e-9);
        EXPECT_NEAR(bounds.height(), c.rect.height(), 1e-9);
        // It starts where the arc at the minimum x and y corner begins, and is closed.
        EXPECT_EQ(QPointF(path.elementAt(0)), QPointF(c.rect.left(), c.rect.top() + c.capped));
        EXPECT_EQ(QPointF(path.elementAt(path.elementCount() - 1)), QPointF(path.elementAt(0)));
        EXPECT_EQ(points(path), points(bezierPathWithRoundRectInRect(c.rect, c.capped)));
        expectOnRoundedOutline(path, c.rect, c.capped);
        EXPECT_FALSE(path.contains(c.rect.topLeft() + QPointF(c.capped * 0.2, c.capped * 0.2)));
        EXPECT_TRUE(path.contains(c.rect.center()));
    }
}

TEST(CocoaDevCategory, NoRadiusGivesThePlainRectangle)
{
    const QRectF rect(5, 10, 40, 20);
    const QList<QPointF> corners
        = { QPointF(5, 10), QPointF(45, 10), QPointF(45, 30), QPointF(5, 30), QPointF(5, 10) };
    for (const qreal radius : { 0.0, -4.0, qQNaN() })
        EXPECT_EQ(points(bezierPathWithRoundRectInRect(rect, radius)), corners) << radius;
    EXPECT_EQ(bezierPathWithRoundRectInRect(QRectF(5, 10, 0, 20), 3).boundingRect(), QRectF(5, 10, 0, 20));
}

TEST(CocoaDevCategory, FillAndStrokeUseThePaintersBrushAndPen)
{
    QImage image(20, 20, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setBrush(Qt::red);
        CocoaDevCategory::fillRoundRectInRect(painter, QRectF(0, 0, 20, 20), 8);
        painter.setPen(QPen(Qt::blue, 2));
        CocoaDevCategory::strokeRoundRectInRect(painter, QRectF(4, 4, 12, 12), 0);
    }
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0); // cut corner
    EXPECT_EQ(image.pixelColor(10, 1), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 10), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(10, 4), QColor(Qt::blue));
}
