#include "RVFullScreenImages.h"

#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace RVFullScreenImages
{

namespace
{

void speaker(QPainter& p)
{
    QPainterPath body;
    body.moveTo(10, 19);
    body.lineTo(17, 19);
    body.lineTo(26, 11);
    body.lineTo(26, 37);
    body.lineTo(17, 29);
    body.lineTo(10, 29);
    body.closeSubpath();
    p.fillPath(body, Qt::white);
}

void waves(QPainter& p)
{
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(22, 16, 12, 16), -50 * 16, 100 * 16);
    p.drawArc(QRectF(21, 10, 20, 28), -50 * 16, 100 * 16);
}

void microphone(QPainter& p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(19, 8, 10, 20), 5, 5);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(14, 14, 20, 20), 180 * 16, 180 * 16);
    p.drawLine(QPointF(24, 34), QPointF(24, 40));
    p.drawLine(QPointF(18, 40), QPointF(30, 40));
}

// A ring around the picture: the button is on.
void ring(QPainter& p)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 200), 2));
    p.drawEllipse(QRectF(2, 2, 44, 44));
}

void triangle(QPainter& p, QPointF a, QPointF b, QPointF c)
{
    QPainterPath path;
    path.moveTo(a);
    path.lineTo(b);
    path.lineTo(c);
    path.closeSubpath();
    p.fillPath(path, Qt::white);
}

QImage draw(const QString& name)
{
    const bool grabber = name.startsWith(QStringLiteral("fullscreengrabber"));
    QImage image(grabber ? QSize(40, 11) : QSize(48, 48), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (name == QStringLiteral("FS_Play_White")) {
        triangle(p, { 16, 12 }, { 38, 24 }, { 16, 36 });
    } else if (name == QStringLiteral("FS_Pause_White")) {
        p.fillRect(QRectF(14, 12, 7, 24), Qt::white);
        p.fillRect(QRectF(27, 12, 7, 24), Qt::white);
    } else if (name == QStringLiteral("FS_SpeakOn_White")) {
        speaker(p);
        waves(p);
    } else if (name == QStringLiteral("FS_Speak_White")) {
        ring(p);
        speaker(p);
        waves(p);
    } else if (name == QStringLiteral("FS_ListenOn_White")) {
        microphone(p);
    } else if (name == QStringLiteral("FS_Listen_White")) {
        ring(p);
        microphone(p);
    } else if (name == QStringLiteral("FS_UpArrow_White")) {
        triangle(p, { 12, 32 }, { 24, 16 }, { 36, 32 });
    } else if (name == QStringLiteral("FS_DownArrow_White")) {
        triangle(p, { 12, 16 }, { 24, 32 }, { 36, 16 });
    } else if (name == QStringLiteral("FS_ExitFS_White")) {
        p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 15), QPointF(33, 33));
        p.drawLine(QPointF(33, 15), QPointF(15, 33));
    } else if (name == QStringLiteral("fullscreengrabber")) {
        p.setPen(QPen(QColor(200, 200, 200), 1.5));
        for (double y : { 3.0, 6.0, 9.0 })
            p.drawLine(QPointF(8, y), QPointF(32, y));
    } else if (name == QStringLiteral("fullscreengrabber-collapsed")) {
        triangle(p, { 14, 2 }, { 26, 2 }, { 20, 9 });
    } else {
        return {};
    }
    return image;
}

} // namespace

QImage imageNamed(const QString& name)
{
    static QHash<QString, QImage> cache;
    auto it = cache.find(name);
    if (it == cache.end())
        it = cache.insert(name, draw(name));
    return *it;
}

} // namespace RVFullScreenImages
