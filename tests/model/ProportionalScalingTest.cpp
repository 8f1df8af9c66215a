#include "ProportionalScaling.h"

#include <QPainter>
#include <QtMath>
#include <gtest/gtest.h>

using ProportionalScaling::imageByScalingProportionallyToFillSize;
using ProportionalScaling::imageByScalingProportionallyToSize;

namespace {

QImage solid(int width, int height, Qt::GlobalColor color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

// Three bands along the longer side: the first and last quarter red and blue, the middle green.
QImage banded(int width, int height)
{
    QImage image = solid(width, height, Qt::green);
    QPainter painter(&image);
    if (width >= height) {
        painter.fillRect(0, 0, width / 4, height, Qt::red);
        painter.fillRect(width - width / 4, 0, width / 4, height, Qt::blue);
    } else {
        painter.fillRect(0, 0, width, height / 4, Qt::red);
        painter.fillRect(0, height - height / 4, width, height / 4, Qt::blue);
    }
    return image;
}

bool opaque(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).alpha() == 255;
}

bool clear(const QImage& image, int x, int y)
{
    return image.pixelColor(x, y).alpha() == 0;
}

} // namespace

TEST(ProportionalScaling, FitLeavesTransparentMarginsOnTheShortSide)
{
    // 200 x 100 into 100 x 100: drawn 100 x 50 at y 25.
    const QImage wide = imageByScalingProportionallyToSize(solid(200, 100, Qt::red), QSizeF(100, 100));
    ASSERT_EQ(wide.size(), QSize(100, 100));
    for (const int y : { 0, 24, 75, 99 })
        EXPECT_TRUE(clear(wide, 50, y)) << y;
    for (const int y : { 25, 50, 74 }) {
        EXPECT_TRUE(opaque(wide, 0, y)) << y;
        EXPECT_TRUE(opaque(wide, 99, y)) << y;
    }

    // 50 x 200 into 100 x 100: drawn 25 x 100 at x 37.5.
    const QImage tall = imageByScalingProportionallyToSize(solid(50, 200, Qt::red), QSizeF(100, 100));
    ASSERT_EQ(tall.size(), QSize(100, 100));
    for (const int x : { 0, 36, 63, 99 })
        EXPECT_TRUE(clear(tall, x, 50)) << x;
    for (const int x : { 38, 50, 61 })
        EXPECT_TRUE(opaque(tall, x, 0)) << x;

    // Same aspect ratio: fills the target exactly.
    const QImage same = imageByScalingProportionallyToSize(solid(40, 20, Qt::red), QSizeF(80, 40));
    ASSERT_EQ(same.size(), QSize(80, 40));
    EXPECT_TRUE(opaque(same, 0, 0) && opaque(same, 79, 39));
}

TEST(ProportionalScaling, FillShowsTheMiddleUndistorted)
{
    const struct {
        QSize source;
        QSizeF target;
    } cases[] = {
        { QSize(200, 100), QSizeF(100, 100) },
        { QSize(100, 200), QSizeF(100, 100) },
        { QSize(400, 200), QSizeF(60, 60) },
    };
    for (const auto& c : cases) {
        const QImage filled = imageByScalingProportionallyToFillSize(banded(c.source.width(), c.source.height()), c.target);
        ASSERT_EQ(filled.size(), c.target.toSize());
        // Only the middle half of the longer side is left, and it covers the whole target.
        for (int y = 1; y < filled.height() - 1; y += 3) {
            for (int x = 1; x < filled.width() - 1; x += 3)
                ASSERT_EQ(filled.pixelColor(x, y), QColor(Qt::green)) << x << "," << y;
        }
        EXPECT_TRUE(opaque(filled, 0, 0) && opaque(filled, filled.width() - 1, filled.height() - 1));
    }
}

TEST(ProportionalScaling, OwnSizeAndInvalidInput)
{
    const QImage picture = banded(30, 20);
    const QImage copy = imageByScalingProportionallyToFillSize(picture, QSizeF(30, 20));
    EXPECT_EQ(copy, picture);
    const QImage redrawn = imageByScalingProportionallyToSize(picture, QSizeF(30, 20));
    EXPECT_EQ(redrawn.size(), QSize(30, 20));
    EXPECT_EQ(redrawn.pixelColor(15, 10), QColor(Qt::green));

    // Fractional targets round up to whole pixels.
    EXPECT_EQ(imageByScalingProportionallyToSize(picture, QSizeF(33.5, 10.2)).size(), QSize(34, 11));

    for (const QSizeF target : { QSizeF(0, 10), QSizeF(10, -1), QSizeF(qQNaN(), 10), QSizeF(qInf(), 10) }) {
        EXPECT_TRUE(imageByScalingProportionallyToSize(picture, target).isNull());
        EXPECT_TRUE(imageByScalingProportionallyToFillSize(picture, target).isNull());
    }
    for (const QSizeF target : { QSizeF(0, 0), QSizeF(10, 10) }) {
        EXPECT_TRUE(imageByScalingProportionallyToSize(QImage(), target).isNull());
        EXPECT_TRUE(imageByScalingProportionallyToFillSize(QImage(), target).isNull());
    }
}
