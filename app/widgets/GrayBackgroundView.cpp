#include "GrayBackgroundView.h"

#include "ToolBarColor.h"

#include <QPaintEvent>
#include <QPainter>

GrayBackgroundView::GrayBackgroundView(QWidget* parent)
    : BackgroundView(parent)
{
    setDrawsFrame(true);
}

QRectF GrayBackgroundView::topLineRect() const
{
    return QRectF(0, 0, width(), 1.0);
}

void GrayBackgroundView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(QRectF(event->rect()).intersected(rect()), ToolBarColor::toolBarGray());
    if (drawsFrame())
        painter.fillRect(topLineRect(), Qt::gray);
}
