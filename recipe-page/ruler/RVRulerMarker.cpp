#include "RVRulerMarker.h"

#include "RVRulerView.h"

RVRulerMarker::RVRulerMarker(
    RVRulerView* ruler, double markerLocation, const QImage& image, QPointF imageOrigin)
    : m_ruler(ruler)
    , m_location(markerLocation)
    , m_imageOrigin(imageOrigin)
    , m_image(image)
    , m_defaultImage(image)
{
}

RVRulerMarker::~RVRulerMarker() = default;

void RVRulerMarker::setImage(const QImage& image)
{
    m_image = image;
}

QRectF RVRulerMarker::imageRectInRuler() const
{
    const QSizeF size = m_image.isNull() ? m_defaultImage.size() : m_image.size();
    return { -m_imageOrigin.x(), m_location - m_imageOrigin.y() - size.height(), size.width(),
        size.height() };
}

void RVRulerMarker::setNeedsDisplay() const
{
    if (m_ruler)
        m_ruler->setNeedsDisplayInRect(imageRectInRuler());
}

void RVRulerMarker::mouseDownAtPoint(QPointF point)
{
    imageContains(point) ? startDown() : endMouseDown();
}

void RVRulerMarker::mouseDraggedToPoint(QPointF point)
{
    imageContains(point) ? startDown() : endMouseDown();
}

void RVRulerMarker::mouseUpAtPoint(QPointF)
{
    endMouseDown();
}

void RVRulerMarker::mouseMovedToPoint(QPointF point)
{
    imageContains(point) ? enterMouseOver() : exitMouseOver();
}

void RVRulerMarker::startDown()
{
    if (m_mouseDown)
        return;
    if (!m_downImage.isNull())
        setImage(m_downImage);
    setNeedsDisplay();
    m_mouseDown = true;
}

void RVRulerMarker::endMouseDown()
{
    if (!m_mouseDown)
        return;
    resetImage();
    m_mouseDown = false;
}

void RVRulerMarker::enterMouseOver()
{
    if (m_mouseOver)
        return;
    if (!m_overImage.isNull())
        setImage(m_overImage);
    setNeedsDisplay();
    m_mouseOver = true;
}

void RVRulerMarker::exitMouseOver()
{
    if (!m_mouseOver)
        return;
    resetImage();
    m_mouseOver = false;
}

void RVRulerMarker::resetImage()
{
    if (!m_defaultImage.isNull())
        setImage(m_defaultImage);
    setNeedsDisplay();
}

void RVRulerMarker::removeSelf()
{
    setNeedsDisplay();
    if (m_ruler)
        m_ruler->removeMarker(this);
}

QString RVRulerMarker::description() const
{
    return QStringLiteral("%1 (index: %2)").arg(QString::fromLatin1(className())).arg(m_index);
}
