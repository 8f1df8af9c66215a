#include "KRAboutWindow.h"

#include "KRAboutContentView.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

KRAboutWindow::KRAboutWindow(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("KRAboutWindow"));
    setWindowTitle(tr("About Kitchora"));
    setAttribute(Qt::WA_TranslucentBackground);
    m_contentView = new KRAboutContentView;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_contentView);
    setFocusProxy(m_contentView);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = geometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

KRAboutWindow* KRAboutWindow::showAboutWindow()
{
    static QPointer<KRAboutWindow> shown;
    if (!shown) {
        shown = new KRAboutWindow;
        shown->setAttribute(Qt::WA_DeleteOnClose);
    }
    shown->show();
    shown->raise();
    shown->activateWindow();
    shown->m_contentView->setFocus();
    return shown;
}

void KRAboutWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    // Another window became active: the About window goes away.
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow())
        close();
}
