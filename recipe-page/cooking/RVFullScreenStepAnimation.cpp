#include "RVFullScreenStepAnimation.h"

RVFullScreenStepAnimation::RVFullScreenStepAnimation()
    : Animation(0.5, Curve::EaseIn)
{
}

void RVFullScreenStepAnimation::setCurrentProgress(double progress)
{
    Animation::setCurrentProgress(progress);
    if (m_progressHandler)
        m_progressHandler(progress, m_targetIndex, this);
}
