#include "PaneAnimation.h"

#include <algorithm>
#include <cmath>

PaneAnimation::PaneAnimation(double duration, Step step, QObject* parent)
    : QObject(parent)
    , m_duration(std::max(0.0, duration))
    , m_step(std::move(step))
{
}

PaneAnimation::~PaneAnimation()
{
    if (m_timer)
        RunLoop::cancel(m_timer);
}

double PaneAnimation::ease(double t)
{
    t = std::clamp(t, 0.0, 1.0);
    return 0.5 - 0.5 * std::cos(t * M_PI);
}

void PaneAnimation::start()
{
    if (m_timer)
        return;
    emit animationShouldStart(this);
    m_startTime = RunLoop::currentTime();
    if (m_step)
        m_step(0.0);
    if (m_duration <= 0.0) {
        if (m_step)
            m_step(1.0);
        emit animationDidEnd(this);
        return;
    }
    m_timer = RunLoop::scheduleRepeatingTimer(kFrameInterval, [this] { tick(); });
}

void PaneAnimation::stop()
{
    if (!m_timer)
        return;
    RunLoop::cancel(m_timer);
    m_timer = 0;
    emit animationDidStop(this);
}

void PaneAnimation::tick()
{
    const double t = (RunLoop::currentTime() - m_startTime) / m_duration;
    if (t < 1.0) {
        if (m_step)
            m_step(ease(t));
        return;
    }
    RunLoop::cancel(m_timer);
    m_timer = 0;
    if (m_step)
        m_step(1.0);
    emit animationDidEnd(this);
}
