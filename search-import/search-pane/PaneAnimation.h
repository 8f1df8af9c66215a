#pragma once

#include "RunLoop.h"

#include <QObject>
#include <functional>

// One timed change of the search pane's frames: `step` is called with the progress from 0.0 to
// 1.0 (eased in and out) on the run loop, so the virtual clock drives it in tests. The delegate
// hears the start and the end; an animation stopped early ends where it stands. Main thread only.
class PaneAnimation : public QObject
{
    Q_OBJECT

public:
    using Step = std::function<void(double progress)>;

    PaneAnimation(double duration, Step step, QObject* parent = nullptr);
    ~PaneAnimation() override;

    double duration() const { return m_duration; }
    bool isAnimating() const { return m_timer != 0; }

    // Sets the first frame (progress 0) at once; a zero duration ends at once.
    void start();
    // Ends where it stands: didStop, not didEnd.
    void stop();

    // Seconds between two frames.
    static constexpr double kFrameInterval = 1.0 / 60.0;
    // The eased progress of the time fraction `t` (0 to 1).
    static double ease(double t);

signals:
    void animationShouldStart(PaneAnimation* animation);
    void animationDidEnd(PaneAnimation* animation);
    void animationDidStop(PaneAnimation* animation);

private:
    void tick();

    double m_duration;
    Step m_step;
    double m_startTime = 0.0;
    RunLoop::Token m_timer = 0;
};
