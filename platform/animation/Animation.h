#pragma once

#include "RunLoop.h"

#include <functional>

// A timed progress from 0 to 1, advanced by frames on the run loop (so a virtual clock drives it
// in tests). Subclasses act on each frame in setCurrentProgress. Never blocks.
class Animation
{
public:
    enum class Curve { EaseInOut = 0, EaseIn = 1, EaseOut = 2, Linear = 3 };
    using Handler = std::function<void(Animation*)>;

    static constexpr double FramesPerSecond = 60.0;

    explicit Animation(double duration = 0.5, Curve curve = Curve::EaseInOut);
    virtual ~Animation();
    Animation(const Animation&) = delete;
    Animation& operator=(const Animation&) = delete;

    void setDuration(double seconds) { m_duration = seconds; }
    double duration() const { return m_duration; }
    void setAnimationCurve(Curve curve) { m_curve = curve; }
    Curve animationCurve() const { return m_curve; }

    // The delegate's end and stop messages. Either may delete the animation.
    void setAnimationDidEnd(Handler handler) { m_didEnd = std::move(handler); }
    void setAnimationDidStop(Handler handler) { m_didStop = std::move(handler); }

    // Starts from progress 0; a running animation starts again.
    void startAnimation();
    // Stops before the end; the stop handler runs. Nothing when not running.
    void stopAnimation();
    bool isAnimating() const { return m_timer != 0; }

    double currentProgress() const { return m_progress; }
    // The progress with the curve applied.
    double currentValue() const;
    static double valueForProgress(Curve curve, double progress);

    // Called on each frame with the linear progress; the last frame carries exactly 1.0.
    virtual void setCurrentProgress(double progress) { m_progress = progress; }

protected:
    // A stop before the end, before the stop handler runs.
    virtual void willStop() { }

private:
    void frame();

    double m_duration;
    Curve m_curve;
    double m_progress = 0.0;
    double m_startTime = 0.0;
    RunLoop::Token m_timer = 0;
    Handler m_didEnd;
    Handler m_didStop;
};
