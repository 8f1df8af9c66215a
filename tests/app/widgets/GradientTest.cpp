#include "BLGradient.h"
#include "CTGradient.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

namespace
{

const QColor Red = QColor::fromRgbF(1, 0, 0, 1);
const QColor Blue = QColor::fromRgbF(0, 0, 1, 1);
const QColor Green = QColor::fromRgbF(0, 1, 0, 1);

void expectColor(const QColor& actual, double r, double g, double b, double a, const std::string& where)
{
    constexpr double tolerance = 1.0 / 255;
    EXPECT_NEAR(actual.redF(), r, tolerance) << where;
    EXPECT_NEAR(actual.greenF(), g, tolerance) << where;
    EXPECT_NEAR(actual.blueF(), b, tolerance) << where;
    EXPECT_NEAR(actual.alphaF(), a, tolerance) << where;
}

// A pixel's colour is the gradient's only up to the 8 bits of the image and the gradient's lookup
// table; a few steps of 255 tell one end from the other well enough.
void expectPixel(const QImage& image, int x, int y, const QColor& expected, const std::string& where)
{
    const QColor actual = image.pixelColor(x, y);
    constexpr double tolerance = 8.0 / 255;
    EXPECT_NEAR(actual.redF(), expected.redF(), tolerance) << where;
    EXPECT_NEAR(actual.greenF(), expected.greenF(), tolerance) << where;
    EXPECT_NEAR(actual.blueF(), expected.blueF(), tolerance) << where;
    EXPECT_NEAR(actual.alphaF(), expected.alphaF(), tolerance) << where;
}

QImage blankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

} // namespace

TEST(CTGradient, EvaluatesLinearlyBetweenStopsAndHoldsTheEndColoursOutside)
{
    CTGradient gradient;
    gradient.addColorStop(QColor::fromRgbF(1, 0, 0, 1), 0.25);
    gradient.addColorStop(QColor::fromRgbF(0, 0, 1, 0.5), 0.75);
    const struct {
        double position;
        double r, g, b, a;
    } cases[] = {
        { -1.0, 1, 0, 0, 1 },
        { 0.0, 1, 0, 0, 1 },
        { 0.25, 1, 0, 0, 1 },
        { 0.5, 0.5, 0, 0.5, 0.75 },
        { 0.625, 0.25, 0, 0.75, 0.625 },
        { 0.75, 0, 0, 1, 0.5 },
        { 1.0, 0, 0, 1, 0.5 },
        { 2.0, 0, 0, 1, 0.5 },
    };
    for (const auto& c : cases)
        expectColor(gradient.colorAt(c.position), c.r, c.g, c.b, c.a, "at " + std::to_string(c.position));
}

TEST(CTGradient, WithoutStopsIsOpaqueWhiteEverywhere)
{
    const CTGradient gradient;
    for (double position : { -0.5, 0.0, 0.5, 1.0 })
        expectColor(gradient.colorAt(position), 1, 1, 1, 1, "at " + std::to_string(position));

    QImage image = blankImage(10, 10);
    QPainter painter(&image);
    gradient.fillRect(painter, QRectF(0, 0, 10, 10), 30);
    painter.end();
    expectPixel(image, 5, 5, Qt::white, "middle");
}

TEST(CTGradient, StopsAtOnePositionKeepTheirOrderOfInsertion)
{
    CTGradient gradient;
    gradient.addColorStop(Blue, 1.0);
    gradient.addColorStop(Red, 0.5);
    gradient.addColorStop(Green, 0.5);
    gradient.addColorStop(Red, 0.0);
    const std::vector<CTGradient::ColorStop>& stops = gradient.colorStops();
    ASSERT_EQ(stops.size(), 4u);
    EXPECT_EQ(stops[0].position, 0.0);
    EXPECT_EQ(stops[1].red, 1.0);
    EXPECT_EQ(stops[2].green, 1.0);
    EXPECT_EQ(stops[3].blue, 1.0);
    // A hard edge: the earlier stop's colour at the position, the later one's just after.
    expectColor(gradient.colorAt(0.5), 1, 0, 0, 1, "at the edge");
    expectColor(gradient.colorAt(0.75), 0, 0.5, 0.5, 1, "after the edge");
}

TEST(CTGradient, AxisCoversTheRectangleAlongTheAngle)
{
    const QRectF rect(10, 20, 100, 50);
    const struct {
        double angle;
        QLineF axis;
    } cases[] = {
        { 0, QLineF(10, 70, 110, 70) },
        { 90, QLineF(10, 70, 10, 20) },
        { 180, QLineF(110, 45, 10, 45) },
        { -90, QLineF(60, 20, 60, 70) },
    };
    for (const auto& c : cases) {
        const QLineF axis = CTGradient::axisForRect(rect, c.angle);
        EXPECT_NEAR(axis.p1().x(), c.axis.p1().x(), 1e-9) << c.angle;
        EXPECT_NEAR(axis.p1().y(), c.axis.p1().y(), 1e-9) << c.angle;
        EXPECT_NEAR(axis.p2().x(), c.axis.p2().x(), 1e-9) << c.angle;
        EXPECT_NEAR(axis.p2().y(), c.axis.p2().y(), 1e-9) << c.angle;
    }
    // At 45 degrees across a square the axis is its diagonal from bottom left to top right.
    const QLineF diagonal = CTGradient::axisForRect(QRectF(0, 0, 40, 40), 45);
    EXPECT_NEAR(diagonal.p1().x(), 0, 1e-9);
    EXPECT_NEAR(diagonal.p1().y(), 40, 1e-9);
    EXPECT_NEAR(diagonal.p2().x(), 40, 1e-9);
    EXPECT_NEAR(diagonal.p2().y(), 0, 1e-9);
}

TEST(CTGradient, FillsRectanglesFromTheStartColourToTheEndColour)
{
    const CTGradient gradient = CTGradient::gradientWithBeginningColor(Red, Blue);
    const struct {
        double angle;
        QPoint start, end;
    } cases[] = {
        { 0, QPoint(0, 50), QPoint(99, 50) },
        { 90, QPoint(50, 99), QPoint(50, 0) },
        { 45, QPoint(0, 99), QPoint(99, 0) },
    };
    for (const auto& c : cases) {
        QImage image = blankImage(100, 100);
        QPainter painter(&image);
        gradient.fillRect(painter, QRectF(0, 0, 100, 100), c.angle);
        painter.end();
        const std::string angle = std::to_string(c.angle);
        expectPixel(image, c.start.x(), c.start.y(), Red, "start at " + angle);
        expectPixel(image, c.end.x(), c.end.y(), Blue, "end at " + angle);
        expectPixel(image, 50, 50, QColor::fromRgbF(0.5, 0, 0.5, 1), "middle at " + angle);
    }
}

TEST(CTGradient, FillsAPathAlongTheAngleAcrossItsOwnExtentOnly)
{
    QPainterPath circle;
    circle.addEllipse(QRectF(20, 20, 60, 60));
    const CTGradient gradient = CTGradient::gradientWithBeginningColor(Red, Blue);

    QImage image = blankImage(100, 100);
    QPainter painter(&image);
    gradient.fillBezierPath(painter, circle, 90);
    painter.end();
    // From the circle's bottom (y 80) at 0.0 to its top (y 20) at 1.0, whatever the image's size.
    for (int y : { 21, 35, 50, 65, 78 })
        expectPixel(image, 50, y, gradient.colorAt((80 - (y + 0.5)) / 60), "row " + std::to_string(y));
    expectPixel(image, 22, 22, Qt::transparent, "outside the circle");
}

TEST(CTGradient, CopiesWithAnotherAlpha)
{
    CTGradient gradient = CTGradient::gradientWithBeginningColor(Red, QColor::fromRgbF(0, 0, 1, 0.4));
    gradient.addColorStop(Green, 0.5);
    const CTGradient faint = gradient.gradientWithAlphaComponent(0.2);
    ASSERT_EQ(faint.colorStops().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(faint.colorStops()[i].alpha, 0.2);
        EXPECT_EQ(faint.colorStops()[i].position, gradient.colorStops()[i].position);
        EXPECT_EQ(faint.colorStops()[i].green, gradient.colorStops()[i].green);
    }
}

TEST(BLGradient, KeepsItsAngleThroughCopiesAndFills)
{
    const BLGradient gradient = BLGradient::gradientWithBeginningColor(Red, Blue, 90);
    EXPECT_EQ(gradient.gradientWithAlphaComponent(0.5).angle(), 90);
    EXPECT_EQ(gradient.gradientWithAlphaComponent(0.5).colorStops()[1].alpha, 0.5);
    const BLGradient copy = gradient;
    EXPECT_EQ(copy.angle(), 90);

    QImage image = blankImage(20, 20);
    QPainter painter(&image);
    copy.fillRect(painter, QRectF(0, 0, 20, 20));
    painter.end();
    expectPixel(image, 10, 19, Red, "bottom");
    expectPixel(image, 10, 0, Blue, "top");
}

TEST(CTGradient, ArchiveReadsBackTheSameStops)
{
    CTGradient gradient = CTGradient::gradientWithBeginningColor(Red, QColor::fromRgbF(0, 0, 1, 0.5));
    gradient.addColorStop(Green, 0.5);
    const QVariantMap archive = gradient.encodeWithCoder();
    EXPECT_EQ(archive.value("CTGradientBlendingMode").toInt(), 0);
    EXPECT_EQ(archive.value("CTGradientElementCount").toInt(), 3);
    EXPECT_EQ(archive.value("$9").toDouble(), 0.5); // the second stop's position

    QString error;
    const std::optional<CTGradient> read = CTGradient::initWithCoder(archive, &error);
    ASSERT_TRUE(read) << error.toStdString();
    ASSERT_EQ(read->colorStops().size(), 3u);
    for (double position : { 0.0, 0.3, 0.5, 0.9, 1.0 }) {
        const QColor expected = gradient.colorAt(position);
        expectColor(read->colorAt(position), expected.redF(), expected.greenF(), expected.blueF(),
            expected.alphaF(), "at " + std::to_string(position));
    }
}

TEST(CTGradient, BadArchivesAreRefusedWithAReason)
{
    const QVariantMap good = CTGradient::gradientWithBeginningColor(Red, Blue).encodeWithCoder();
    const auto with = [&](const QString& key, const QVariant& value) {
        QVariantMap archive = good;
        if (value.isValid())
            archive.insert(key, value);
        else
            archive.remove(key);
        return archive;
    };
    const struct {
        const char* what;
        QVariantMap archive;
    } cases[] = {
        { "empty", {} },
        { "no count", with("CTGradientElementCount", {}) },
        { "negative count", with("CTGradientElementCount", -1) },
        { "count beyond the values", with("CTGradientElementCount", 1000000000) },
        { "unknown blending mode", with("CTGradientBlendingMode", 2) },
        { "missing value", with("$7", {}) },
        { "value not a number", with("$2", "blue") },
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(CTGradient::initWithCoder(c.archive, &error)) << c.what;
        EXPECT_FALSE(error.isEmpty()) << c.what;
    }
}
