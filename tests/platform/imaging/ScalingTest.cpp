#include "ImageScaling.h"
#include "ProportionalScaling.h"

#include <gtest/gtest.h>

namespace
{

// Left quarter red, middle half green, right quarter blue.
QImage bands(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                x < width / 4           ? qRgb(255, 0, 0)
                    : x < width * 3 / 4 ? qRgb(0, 255, 0)
                                        : qRgb(0, 0, 255));
    return image;
}

} // namespace

TEST(ProportionalScaling, FitLeavesTransparentMargins)
{
    QImage wide(200, 100, QImage::Format_RGB32);
    wide.fill(qRgb(10, 200, 30));
    const QImage fitted = ProportionalScaling::imageByScalingProportionallyToSize(wide, QSizeF(100, 100));
    ASSERT_EQ(fitted.size(), QSize(100, 100));
    for (int y : { 0, 24, 75, 99 })
        EXPECT_EQ(qAlpha(fitted.pixel(50, y)), 0) << y;
    for (int y : { 25, 50, 74 }) {
        EXPECT_EQ(fitted.pixel(0, y), qRgb(10, 200, 30)) << y;
        EXPECT_EQ(fitted.pixel(99, y), qRgb(10, 200, 30)) << y;
    }
    // Tall pictures get side margins; the same size still draws a new image.
    const QImage tall = ProportionalScaling::imageByScalingProportionallyToSize(
        wide.transformed(QTransform().rotate(90)), QSizeF(100, 100));
    EXPECT_EQ(qAlpha(tall.pixel(10, 50)), 0);
    EXPECT_EQ(tall.pixel(50, 50), qRgb(10, 200, 30));
    const QImage same = ProportionalScaling::imageByScalingProportionallyToSize(wide, QSizeF(200, 100));
    EXPECT_EQ(same.size(), wide.size());
    EXPECT_EQ(same.pixel(199, 99), wide.pixel(199, 99));
}

TEST(ProportionalScaling, FillShowsTheCentre)
{
    const QImage filled
        = ProportionalScaling::imageByScalingProportionallyToFillSize(bands(200, 100), QSizeF(100, 100));
    ASSERT_EQ(filled.size(), QSize(100, 100));
    for (int x : { 0, 1, 50, 98, 99 }) {
        for (int y : { 0, 50, 99 }) {
            const QRgb p = filled.pixel(x, y);
            EXPECT_EQ(qAlpha(p), 255);
            EXPECT_GE(qGreen(p), 250) << x << "," << y;
            EXPECT_LE(qRed(p) + qBlue(p), 5) << x << "," << y;
        }
    }
    // Tall into square: rows cut equally at the top and bottom.
    const QImage tall = ProportionalScaling::imageByScalingProportionallyToFillSize(
        bands(200, 100).transformed(QTransform().rotate(90)), QSizeF(50, 50));
    EXPECT_EQ(tall.size(), QSize(50, 50));
    EXPECT_GE(qGreen(tall.pixel(25, 0)), 250);
    EXPECT_GE(qGreen(tall.pixel(25, 49)), 250);
}

TEST(ProportionalScaling, NullAndSameSizeRules)
{
    const QImage picture = bands(40, 20);
    const QImage copy = ProportionalScaling::imageByScalingProportionallyToFillSize(picture, QSizeF(40, 20));
    EXPECT_EQ(copy, picture);
    EXPECT_NE(copy.constBits(), picture.constBits());
    EXPECT_TRUE(ProportionalScaling::imageByScalingProportionallyToFillSize(QImage(), QSizeF(0, 0)).isNull());
    for (const QSizeF& size : { QSizeF(10, 10), QSizeF(0, 10), QSizeF(1e12, 1e12) }) {
        EXPECT_TRUE(ProportionalScaling::imageByScalingProportionallyToFillSize(QImage(), size).isNull());
        EXPECT_TRUE(ProportionalScaling::imageByScalingProportionallyToSize(QImage(), size).isNull());
        if (size.width() < 1 || size.width() > 1e6) {
            EXPECT_TRUE(ProportionalScaling::imageByScalingProportionallyToFillSize(picture, size).isNull());
            EXPECT_TRUE(ProportionalScaling::imageByScalingProportionallyToSize(picture, size).isNull());
        }
    }
}

TEST(ImageScaling, LongerSideBecomesTheLength)
{
    const struct {
        QSize in;
        double length;
        QSize out;
    } cases[] = {
        { { 1024, 768 }, 512, { 512, 384 } },
        { { 100, 200 }, 512, { 256, 512 } },
        { { 1, 1 }, 512, { 512, 512 } },
        { { 3000, 7 }, 512, { 512, 1 } },
        { { 333, 1000 }, 512, { 170, 512 } },
        { { 512, 512 }, 512, { 512, 512 } },
    };
    for (const auto& c : cases) {
        QImage image(c.in, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QImage scaled = ImageScaling::scaledToLongerSide(image, c.length);
        EXPECT_EQ(scaled.size(), c.out) << c.in.width() << "x" << c.in.height();
    }
    EXPECT_TRUE(ImageScaling::scaledToLongerSide(QImage(), 512).isNull());
    EXPECT_TRUE(ImageScaling::scaledToLongerSide(QImage(4, 4, QImage::Format_RGB32), 0.5).isNull());
    EXPECT_TRUE(ImageScaling::scaledToLongerSide(QImage(4, 4, QImage::Format_RGB32), 1e9).isNull());
}
