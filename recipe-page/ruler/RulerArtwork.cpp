#include "RulerArtwork.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace RulerArtwork
{

namespace
{

QImage blank()
{
    QImage image(MarkerSide, MarkerSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A filled disc with a white bar, and a second bar across it for the plus sign.
QImage marker(const QColor& color, bool plus)
{
    QImage image = blank();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF disc(0.5, 0.5, MarkerSide - 1.0, MarkerSide - 1.0);
    painter.setPen(QPen(color.darker(130), 1.0));
    painter.setBrush(color);
    painter.drawEllipse(disc);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    const double middle = MarkerSide / 2.0;
    painter.drawRect(QRectF(3.0, middle - 1.0, MarkerSide - 6.0, 2.0));
    if (plus)
        painter.drawRect(QRectF(middle - 1.0, 3.0, 2.0, MarkerSide - 6.0));
    return image;
}

QImage mask(const QColor& color)
{
    QImage image = blank();
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(QRectF(0, 0, MarkerSide, MarkerSide));
    return image;
}

QImage make(const QString& name)
{
    if (name == QLatin1String("MinusMarker"))
        return marker(QColor(200, 60, 50), false);
    if (name == QLatin1String("PlusMarker"))
        return marker(QColor(70, 160, 70), true);
    if (name == QLatin1String("MinusOverMask") || name == QLatin1String("PlusOverMask"))
        return mask(Qt::white);
    if (name == QLatin1String("DownMask"))
        return mask(Qt::black);
    return {};
}

} // namespace

QImage image(const QString& name)
{
    static QHash<QString, QImage> made;
    const auto found = made.constFind(name);
    if (found != made.constEnd())
        return *found;
    const QImage image = make(name);
    if (!image.isNull())
        made.insert(name, image);
    return image;
}

QImage dissolved(const QImage& image, const QImage& mask, double fraction)
{
    QImage copy = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (copy.isNull() || mask.isNull())
        return copy;
    QPainter painter(&copy);
    painter.setOpacity(std::clamp(fraction, 0.0, 1.0));
    painter.drawImage(QPointF(0, 0), mask);
    return copy;
}

} // namespace RulerArtwork
