#include "Animation.h"

#include <algorithm>

Animation::Animation(double duration, Curve curve)
    : m_duration(duration)
    , m_curve(curve)
{
}

Animation::~Animation()
{
    if (m_timer)
        RunLoop::cancel(m_timer);
}

void Animation::startAnimation()
{
    if (m_timer)
        RunLoop::cancel(m_timer);
    m_startTime = RunLoop::currentTime();
    m_timer = RunLoop::scheduleRepeatingTimer(1.0 / FramesPerSecond, [this] { frame(); });
    setCurrentProgress(0.0);
}

void Animation::stopAnimation()
{
    if (!m_timer)
        return;
    RunLoop::cancel(m_timer);
    m_timer = 0;
    willStop();
    // Last: the handler may delete the animation.
    if (m_didStop)
        m_didStop(this);
}

double Animation::currentValue() const
{
    return valueForProgress(m_curve, m_progress);
}

double Animation::valueForProgress(Curve curve, double p)
{
    p = std::clamp(p, 0.0, 1.0);
    switch (curve) {
    case Curve::EaseInOut:
        return p * p * (3.0 - 2.0 * p);
    case Curve::EaseIn:
        return p * p;
    case Curve::EaseOut:
        return 1.0 - (1.0 - p) * (1.0 - p);
    case Curve::Linear:
        break;
    }
    return p;
}

void Animation::frame()
{
    const double elapsed = RunLoop::currentTime() - m_startTime;
    double progress = m_duration <= 0.0 ? 1.0 : std::min(1.0, elapsed / m_duration);
    // Frame times are sums of 1/60: the last one may fall a hair short of the duration.
    if (progress > 1.0 - 1e-6)
        progress = 1.0;
    if (progress < 1.0) {
        setCurrentProgress(progress);
        return;
    }
    RunLoop::cancel(m_timer);
    m_timer = 0;
    setCurrentProgress(1.0);
    // Last: the handler may delete the animation.
    if (m_didEnd)
        m_didEnd(this);
}
