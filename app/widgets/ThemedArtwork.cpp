#include "ThemedArtwork.h"

#include <QHash>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

namespace ThemedArtwork
{

namespace
{

constexpr int kTopHeight = 24;
constexpr int kBottomHeight = 34;
constexpr int kCornerWidth = 6;
constexpr int kHeaderHeight = 20;
constexpr int kButtonHeight = 22;
constexpr int kButtonCapWidth = 5;

const QColor kBody(0xd6, 0xd6, 0xd6);

// A vertical gradient from `top` to `bottom`, with a darker line along the given edge.
QImage bar(int width, int height, const QColor& top, const QColor& bottom, bool lineAtBottom,
    const QColor& line = QColor(0x80, 0x80, 0x80))
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, 0, height);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.fillRect(image.rect(), gradient);
    painter.setPen(line);
    const int y = lineAtBottom ? height - 1 : 0;
    painter.drawLine(0, y, width - 1, y);
    return image;
}

QImage topPiece(int width)
{
    // Dark enough for the white title and menu titles. Its top-left pixel is the window's body
    // colour.
    QImage image = bar(width, kTopHeight, QColor(0x8c, 0x8c, 0x8c), QColor(0x66, 0x66, 0x66), true,
        QColor(0x3c, 0x3c, 0x3c));
    image.setPixelColor(0, 0, kBody);
    return image;
}

QImage edge(const QColor& color)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

QImage buttonPiece(int width, bool pressed, int roundedSide)
{
    QImage image(width, kButtonHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, kButtonHeight);
    gradient.setColorAt(0, pressed ? QColor(0x9a, 0x9a, 0x9a) : QColor(0xfa, 0xfa, 0xfa));
    gradient.setColorAt(1, pressed ? QColor(0x7c, 0x7c, 0x7c) : QColor(0xd0, 0xd0, 0xd0));
    QPainterPath path;
    // Round caps: draw a rounded rectangle twice the cap's width and keep the half on its side.
    const QRectF shape = roundedSide < 0 ? QRectF(0.5, 0.5, width * 2.0, kButtonHeight - 1.0)
        : roundedSide > 0                ? QRectF(-width - 0.5, 0.5, width * 2.0, kButtonHeight - 1.0)
                                         : QRectF(-1.0, 0.5, width + 2.0, kButtonHeight - 1.0);
    path.addRoundedRect(shape, roundedSide ? 4.0 : 0.0, roundedSide ? 4.0 : 0.0);
    painter.fillPath(path, gradient);
    painter.setPen(QColor(0x70, 0x70, 0x70));
    painter.drawPath(path);
    return image;
}

QImage clip()
{
    QImage image(40, 36, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient metal(0, 0, 40, 0);
    metal.setColorAt(0, QColor(0x9c, 0x9c, 0xa4));
    metal.setColorAt(0.5, QColor(0xf0, 0xf0, 0xf4));
    metal.setColorAt(1, QColor(0x88, 0x88, 0x90));
    painter.setBrush(metal);
    painter.setPen(QPen(QColor(0x50, 0x50, 0x58), 1.0));
    painter.drawRoundedRect(QRectF(4.5, 2.5, 31.0, 31.0), 6.0, 6.0);
    painter.setBrush(QColor(0x60, 0x60, 0x68));
    painter.drawEllipse(QPointF(20.0, 10.0), 3.5, 3.5);
    return image;
}

QImage make(const QString& name)
{
    if (name == QLatin1String("themed_top_left") || name == QLatin1String("themed_top_right"))
        return topPiece(kCornerWidth);
    if (name == QLatin1String("themed_top_middle"))
        return topPiece(1);
    if (name == QLatin1String("themed_bottom_left") || name == QLatin1String("themed_bottom_right"))
        return bar(kCornerWidth, kBottomHeight, kBody, QColor(0xb4, 0xb4, 0xb4), false);
    if (name == QLatin1String("themed_bottom_middle"))
        return bar(1, kBottomHeight, kBody, QColor(0xb4, 0xb4, 0xb4), false);
    if (name == QLatin1String("themed_middle_left") || name == QLatin1String("themed_middle_right"))
        return edge(QColor(0x9a, 0x9a, 0x9a));
    if (name == QLatin1String("polished_header_bg")) {
        // The bottom row is the one-point line under the header.
        return bar(1, kHeaderHeight, QColor(0xf4, 0xf4, 0xf4), QColor(0xd2, 0xd2, 0xd2), true);
    }
    const bool pressed = name.endsWith(QLatin1String("-P.tiff"));
    if (name.startsWith(QLatin1String("tools-buttonLeft-")))
        return buttonPiece(kButtonCapWidth, pressed, -1);
    if (name.startsWith(QLatin1String("tools-buttonFill-")))
        return buttonPiece(1, pressed, 0);
    if (name.startsWith(QLatin1String("tools-buttonRight-")))
        return buttonPiece(kButtonCapWidth, pressed, 1);
    if (name == QLatin1String("Clip"))
        return clip();
    return {};
}

} // namespace

QImage image(const QString& name)
{
    static QHash<QString, QImage> cache;
    const auto found = cache.constFind(name);
    if (found != cache.constEnd())
        return *found;
    const QImage made = make(name);
    cache.insert(name, made);
    return made;
}

} // namespace ThemedArtwork
