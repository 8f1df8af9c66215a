#include "SearchSplitView.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

SearchSplitView::SearchSplitView(QWidget* top, QWidget* bottom, QWidget* parent)
    : QWidget(parent)
    , m_top(top)
    , m_bottom(bottom)
{
    m_top->setParent(this);
    m_bottom->setParent(this);
    m_top->show();
    m_bottom->show();
}

void SearchSplitView::setTopHeight(double height)
{
    m_topHeight = std::max(0.0, height);
    adjustSubviews();
}

double SearchSplitView::maximumTopHeight() const
{
    const double whole = height();
    return m_delegate.constrainMaxCoordinate ? m_delegate.constrainMaxCoordinate(whole) : whole;
}

void SearchSplitView::setPosition(double position)
{
    double p = position;
    if (m_delegate.constrainMinCoordinate)
        p = std::max(p, m_delegate.constrainMinCoordinate());
    p = std::min(p, maximumTopHeight());
    if (m_delegate.constrainSplitPosition)
        p = m_delegate.constrainSplitPosition(p);
    setTopHeight(p);
}

void SearchSplitView::adjustSubviews()
{
    // The area above keeps its height and takes the width; the results area takes the rest.
    const int top = int(std::ceil(m_topHeight));
    m_top->setGeometry(0, 0, width(), top);
    const int below = top + kDividerThickness;
    m_bottom->setGeometry(0, below, width(), std::max(0, height() - below));
    update();
}

QSize SearchSplitView::sizeHint() const
{
    const QSize below = m_bottom->sizeHint();
    return { below.width(), int(std::ceil(m_topHeight)) + kDividerThickness + below.height() };
}

QSize SearchSplitView::minimumSizeHint() const
{
    return { 0, int(std::ceil(m_topHeight)) + kDividerThickness };
}

void SearchSplitView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    adjustSubviews();
}

void SearchSplitView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(QRectF(0, std::ceil(m_topHeight), width(), kDividerThickness), QColor(0x8c, 0x8c, 0x8c));
}
