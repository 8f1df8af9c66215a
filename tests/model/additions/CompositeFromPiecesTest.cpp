#include "CompositeFromPieces.h"

#include <gtest/gtest.h>

using CompositeFromPieces::compositeInFrame;

namespace
{

QImage solid(int width, int height, Qt::GlobalColor color)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QString columns(const QImage& image, int row)
{
    QString text;
    for (int x = 0; x < image.width(); ++x) {
        const QColor c = image.pixelColor(x, row);
        text += c.alpha() == 0       ? '.'
            : c == QColor(Qt::red)   ? 'L'
            : c == QColor(Qt::green) ? 'C'
            : c == QColor(Qt::blue)  ? 'R'
                                     : '?';
    }
    return text;
}

} // namespace

TEST(CompositeFromPieces, CapsAtTheEdgesAndCentreTiledBetween)
{
    const QImage left = solid(2, 3, Qt::red);
    const QImage centre = solid(3, 3, Qt::green);
    const QImage right = solid(3, 3, Qt::blue);
    // The frame lies away from the origin, as a cell's frame in its control does: the bezel must
    // still fill the image from its own left edge to its right edge.
    const QImage bezel = compositeInFrame(QRectF(10, 5, 12, 4), left, centre, right);
    ASSERT_EQ(bezel.size(), QSize(12, 4));
    for (int row = 0; row < 4; ++row)
        EXPECT_EQ(columns(bezel, row), "LLCCCCCCCRRR") << row;
    EXPECT_EQ(centre.size(), QSize(3, 3)); // the pieces are left alone
}

TEST(CompositeFromPieces, NarrowFramesAndMissingPieces)
{
    const QImage left = solid(4, 2, Qt::red);
    const QImage right = solid(4, 2, Qt::blue);
    const QImage tooNarrow = compositeInFrame(QRectF(0, 0, 6, 2), left, solid(1, 1, Qt::green), right);
    ASSERT_EQ(tooNarrow.size(), QSize(6, 2));
    EXPECT_EQ(columns(tooNarrow, 0), "LLRRRR"); // the right cap is drawn last and wins

    EXPECT_EQ(columns(compositeInFrame(QRectF(0, 0, 5, 1), QImage(), QImage(), right), 0), ".RRRR");
    EXPECT_TRUE(compositeInFrame(QRectF(0, 0, 0, 10), left, left, right).isNull());
    EXPECT_TRUE(compositeInFrame(QRectF(0, 0, 10, -1), left, left, right).isNull());
}
