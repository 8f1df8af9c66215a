#include "MGViewAnimation.h"

#include <QLabel>
#include <QPainter>

namespace
{

int between(int a, int b, double value)
{
    return qRound(a + (b - a) * value);
}

} // namespace

MGViewAnimation::MGViewAnimation(const QList<Entry>& viewAnimations)
    : Animation(0.5, Curve::EaseInOut)
{
    setViewAnimations(viewAnimations);
}

MGViewAnimation::~MGViewAnimation()
{
    for (Target& target : m_targets)
        removeProxy(target);
}

QList<MGViewAnimation::Entry> MGViewAnimation::viewAnimations() const
{
    QList<Entry> entries;
    for (const Target& target : m_targets)
        entries.append({ target.widget.data(), target.startFrame, target.endFrame, target.effect });
    return entries;
}

void MGViewAnimation::setViewAnimations(const QList<Entry>& entries)
{
    for (Target& target : m_targets)
        removeProxy(target);
    m_targets.clear();
    for (const Entry& entry : entries) {
        auto* widget = qobject_cast<QWidget*>(entry.target);
        if (!widget)
            continue;
        const QRect current = widget->geometry();
        m_targets.append({ widget, entry.startFrame.value_or(current), entry.endFrame.value_or(current),
            entry.effect, {}, {} });
    }
}

QRect MGViewAnimation::frameForView(const QWidget* view, double value) const
{
    for (const Target& target : m_targets) {
        if (target.widget != view)
            continue;
        const QRect& a = target.startFrame;
        const QRect& b = target.endFrame;
        return QRect(between(a.x(), b.x(), value), between(a.y(), b.y(), value),
            between(a.width(), b.width(), value), between(a.height(), b.height(), value));
    }
    return {};
}

QRect MGViewAnimation::originalFrameForView(const QWidget* view) const
{
    return frameForView(view, 0.0);
}

QRect MGViewAnimation::destinationFrameForView(const QWidget* view) const
{
    return frameForView(view, 1.0);
}

void MGViewAnimation::setCurrentProgress(double progress)
{
    Animation::setCurrentProgress(progress);
    const double value = currentValue();
    QList<QWidget*> touched;
    for (Target& target : m_targets) {
        QWidget* widget = target.widget;
        if (!widget)
            continue;
        const QRect frame = frameForView(widget, value);
        if (widget->geometry() != frame)
            widget->setGeometry(frame);
        if (target.effect == Effect::None)
            continue;
        if (widget->isWindow())
            fadeWindow(target, progress);
        else
            fadeView(target, progress, touched);
    }
    for (QWidget* parent : touched)
        parent->update();
}

void MGViewAnimation::fadeView(Target& target, double progress, QList<QWidget*>& touched)
{
    QWidget* view = target.widget;
    QWidget* parent = view->parentWidget();
    if (!parent)
        return;
    const bool fadeIn = target.effect == Effect::FadeIn;
    if (target.proxy && view->isHidden()) {
        if (progress >= 1.0) {
            removeProxy(target);
            if (fadeIn)
                view->show();
        } else {
            if (m_continuouslyUpdates)
                target.snapshot = snapshotOf(view);
            QImage frame(view->size(), QImage::Format_ARGB32_Premultiplied);
            frame.fill(Qt::transparent);
            QPainter painter(&frame);
            painter.setOpacity(fadeIn ? progress : 1.0 - progress);
            painter.drawImage(0, 0, target.snapshot);
            painter.end();
            target.proxy->setPixmap(QPixmap::fromImage(frame));
            target.proxy->setGeometry(view->geometry());
        }
    } else {
        target.snapshot = snapshotOf(view);
        auto* proxy = new QLabel(parent);
        proxy->setAttribute(Qt::WA_TransparentForMouseEvents);
        proxy->setAttribute(Qt::WA_TranslucentBackground);
        proxy->setGeometry(view->geometry());
        if (!fadeIn)
            proxy->setPixmap(QPixmap::fromImage(target.snapshot));
        proxy->stackUnder(view);
        proxy->raise();
        proxy->show();
        target.proxy = proxy;
        view->hide();
    }
    if (!touched.contains(parent))
        touched.append(parent);
}

void MGViewAnimation::fadeWindow(Target& target, double progress)
{
    QWidget* window = target.widget;
    if (target.effect == Effect::FadeOut) {
        if (progress >= 1.0) {
            window->setWindowOpacity(0.0);
            if (m_ordersOutWindows)
                window->hide();
        } else {
            window->setWindowOpacity(1.0 - progress);
        }
        return;
    }
    if (!window->isVisible()) {
        window->setWindowOpacity(0.0);
        window->show();
        window->raise();
    } else {
        window->setWindowOpacity(progress);
    }
}

void MGViewAnimation::willStop()
{
    for (Target& target : m_targets) {
        if (!target.proxy)
            continue;
        removeProxy(target);
        if (target.widget)
            target.widget->show();
    }
}

QImage MGViewAnimation::snapshotOf(QWidget* view)
{
    QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // Rendered as if shown: the view is hidden while its proxy stands in.
    view->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

void MGViewAnimation::removeProxy(Target& target)
{
    if (target.proxy)
        delete target.proxy.data();
    target.proxy = nullptr;
    target.snapshot = QImage();
}
