#include "MagnetView.h"

#include "ThemedArtwork.h"

#include <QPainter>

MagnetView::MagnetView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void MagnetView::setTranslateOffset(const QPointF& offset)
{
    // The clip reaches 8 points down over the picture's top edge.
    m_translateOffset = QPointF(offset.x(), offset.y() + 8.0);
    update();
}

void MagnetView::setRotation(double degrees)
{
    m_rotation = degrees;
    update();
}

QRectF MagnetView::clipRect() const
{
    const QImage clip = ThemedArtwork::image(QStringLiteral("Clip"));
    // The offset is where the clip's bottom edge is centred.
    return QRectF(QPointF(m_translateOffset.x() - clip.width() / 2.0, m_translateOffset.y() - clip.height()),
        clip.size());
}

void MagnetView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Turned about the view's bottom-left corner as the picture is; a negative angle turns
    // clockwise on screen.
    painter.translate(0, height());
    painter.rotate(-m_rotation);
    painter.translate(0, -height());
    painter.drawImage(clipRect(), ThemedArtwork::image(QStringLiteral("Clip")));
}
