#include "RVFullScreenWindow.h"

#include <QCloseEvent>

RVFullScreenWindow::RVFullScreenWindow(bool windowed)
    : QWidget(nullptr,
        windowed ? Qt::Window | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                 : Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setWindowTitle(tr("Cooking"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
}

void RVFullScreenWindow::setContentView(QWidget* view)
{
    delete m_contentView;
    m_contentView = view;
    if (!view)
        return;
    view->setParent(this);
    view->setGeometry(rect());
    view->show();
}

void RVFullScreenWindow::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (!event->isAccepted() || m_closing)
        return;
    m_closing = true;
    if (m_willClose)
        m_willClose();
}

void RVFullScreenWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (m_contentView)
        m_contentView->setGeometry(rect());
}
