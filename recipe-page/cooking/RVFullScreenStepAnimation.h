#pragma once

#include "Animation.h"

#include <functional>

// The scroll from one direction to another: 0.5 s, easing in. Each frame hands its linear
// progress and target to the direction view.
class RVFullScreenStepAnimation : public Animation
{
public:
    enum class Direction { Forward = 0, Backward = 1 };
    using ProgressHandler = std::function<void(double progress, int targetIndex, RVFullScreenStepAnimation*)>;

    RVFullScreenStepAnimation();

    Direction direction() const { return m_direction; }
    void setDirection(Direction direction) { m_direction = direction; }
    int targetIndex() const { return m_targetIndex; }
    void setTargetIndex(int index) { m_targetIndex = index; }
    void setProgressHandler(ProgressHandler handler) { m_progressHandler = std::move(handler); }

    void setCurrentProgress(double progress) override;

private:
    Direction m_direction = Direction::Forward;
    int m_targetIndex = 0;
    ProgressHandler m_progressHandler;
};
