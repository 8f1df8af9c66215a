#include "ProgressOverlayView.h"

#include <QProgressBar>

ProgressOverlayView::ProgressOverlayView(QWidget* parent)
    : QWidget(parent)
    , m_progressIndicator(new QProgressBar(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    // A busy bar stands in for the spinning indicator.
    m_progressIndicator->setRange(0, 1);
    m_progressIndicator->setTextVisible(false);
    m_progressIndicator->setFixedSize(m_progressIndicator->sizeHint().width(), 16);
    frameDidChange();
}

QWidget* ProgressOverlayView::progressIndicator() const
{
    return m_progressIndicator;
}

void ProgressOverlayView::startAnimation()
{
    m_animating = true;
    m_progressIndicator->setRange(0, 0);
    update();
}

void ProgressOverlayView::stopAnimation()
{
    m_animating = false;
    m_progressIndicator->setRange(0, 1);
    update();
}

void ProgressOverlayView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    frameDidChange();
}

void ProgressOverlayView::frameDidChange()
{
    const QSize size = m_progressIndicator->size();
    m_progressIndicator->move(width() / 2 - size.width() / 2, height() / 2 - size.height() / 2);
}
