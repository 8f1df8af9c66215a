#include "BackgroundView.h"

#include <QPainter>

BackgroundView::BackgroundView(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BackgroundView::setGradient(const std::optional<BLGradient>& gradient)
{
    m_drawsGradientBackground = gradient.has_value();
    const bool differs = gradient.has_value() != m_gradient.has_value()
        || (gradient
            && (gradient->angle() != m_gradient->angle()
                || gradient->encodeWithCoder() != m_gradient->encodeWithCoder()));
    if (differs) {
        m_gradient = gradient;
        update();
    }
}

void BackgroundView::setDrawsGradientBackground(bool draws)
{
    m_drawsGradientBackground = draws;
    update();
}

void BackgroundView::setDrawsFrame(bool draws)
{
    m_drawsFrame = draws;
    update();
}

void BackgroundView::setFrameColor(const QColor& color)
{
    m_frameColor = color;
    update();
}

void BackgroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRectF bounds = rect();
    if (m_drawsGradientBackground && m_gradient)
        m_gradient->fillRect(painter, bounds);
    else
        painter.fillRect(bounds, Qt::white);
    if (m_drawsFrame) {
        painter.setPen(QPen(m_frameColor, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
    }
}
