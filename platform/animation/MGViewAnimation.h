#pragma once

#include "Animation.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <optional>

class QLabel;

// Moves and resizes widgets and windows and fades them in or out, all in one timed animation.
// A fading widget is hidden and shown through a proxy picture of it that blends in or out over its
// parent; a fading window changes its opacity. 0.5 s, ease-in-out.
class MGViewAnimation : public Animation
{
public:
    enum class Effect { None, FadeIn, FadeOut };
    // One animated target. A target that is not a widget is ignored; missing frames are the
    // target's frame when the animations are set.
    struct Entry {
        QObject* target = nullptr;
        std::optional<QRect> startFrame;
        std::optional<QRect> endFrame;
        Effect effect = Effect::None;
    };

    explicit MGViewAnimation(const QList<Entry>& viewAnimations = {});
    ~MGViewAnimation() override;

    QList<Entry> viewAnimations() const;
    void setViewAnimations(const QList<Entry>& entries);

    bool continuouslyUpdatesFadingViews() const { return m_continuouslyUpdates; }
    void setContinuouslyUpdateFadingViews(bool update) { m_continuouslyUpdates = update; }
    bool ordersOutFadedWindows() const { return m_ordersOutWindows; }
    void setOrdersOutFadedWindows(bool ordersOut) { m_ordersOutWindows = ordersOut; }

    // The frame of the view's entry at an animation value (0 to 1); a zero rectangle when no entry
    // targets it.
    QRect frameForView(const QWidget* view, double value) const;
    QRect originalFrameForView(const QWidget* view) const;
    QRect destinationFrameForView(const QWidget* view) const;

    void setCurrentProgress(double progress) override;

protected:
    // Stopped early: proxies go and every fading view is shown again, so nothing stays hidden
    // behind a picture of itself.
    void willStop() override;

private:
    struct Target {
        QPointer<QWidget> widget;
        QRect startFrame;
        QRect endFrame;
        Effect effect = Effect::None;
        QPointer<QLabel> proxy;
        QImage snapshot;
    };
    void fadeView(Target& target, double progress, QList<QWidget*>& touched);
    void fadeWindow(Target& target, double progress);
    static QImage snapshotOf(QWidget* view);
    static void removeProxy(Target& target);

    QList<Target> m_targets;
    bool m_continuouslyUpdates = true;
    bool m_ordersOutWindows = true;
};
