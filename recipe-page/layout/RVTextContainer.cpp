#include "RVTextContainer.h"

RVTextContainer::RVTextContainer(double width)
    : m_width(width)
{
}

void RVTextContainer::setWidth(double width)
{
    if (width == m_width)
        return;
    m_width = width;
    changed();
}

void RVTextContainer::setLineFragmentPadding(double padding)
{
    m_lineFragmentPadding = padding;
    changed();
}

void RVTextContainer::setRVTextContainerNotchX(unsigned notchX)
{
    m_notchX = notchX + unsigned(Margin);
    changed();
}

void RVTextContainer::setRVTextContainerNotchY(unsigned notchY)
{
    m_notchY = notchY + unsigned(Margin);
    changed();
}

void RVTextContainer::changed()
{
    if (m_geometryChanged)
        m_geometryChanged();
}

QRectF RVTextContainer::lineFragmentRectForProposedRect(QRectF proposed) const
{
    QRectF rect = proposed;
    rect.moveLeft(Margin);
    if (rect.y() < Margin)
        rect.moveTop(Margin);
    if (rect.y() < double(m_notchY) + Margin)
        rect.setWidth(m_width - (double(m_notchX) + Margin));
    // Clipped to the container's width.
    if (rect.right() > m_width)
        rect.setRight(m_width);
    if (rect.width() < 0)
        rect.setWidth(0);
    return rect;
}

QRectF RVTextContainer::usableRectForProposedRect(QRectF proposed) const
{
    const QRectF rect = lineFragmentRectForProposedRect(proposed);
    const double padding = std::min(m_lineFragmentPadding, rect.width() / 2);
    return rect.adjusted(padding, 0, -padding, 0);
}

bool RVTextContainer::containsPoint(QPointF point) const
{
    if (point.x() <= Margin || point.y() < Margin)
        return false;
    if (point.x() <= m_width - (double(m_notchX) + Margin))
        return true;
    return point.y() >= double(m_notchY);
}
