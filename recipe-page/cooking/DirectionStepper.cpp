#include "DirectionStepper.h"

#include <algorithm>

namespace
{

// As the platform's point-in-rectangle test: the far edges are outside.
bool holds(const QRectF& rect, QPointF point)
{
    return point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top()
        && point.y() < rect.bottom();
}

} // namespace

DirectionStepper::Move DirectionStepper::showNextStep(
    const QRectF& visible, const std::function<void()>& beforeMove)
{
    m_targetIndex += 1;
    return startMove(m_targetIndex, Direction::Forward, visible, beforeMove);
}

DirectionStepper::Move DirectionStepper::showPreviousStep(
    const QRectF& visible, const std::function<void()>& beforeMove)
{
    m_targetIndex -= 1;
    return startMove(m_targetIndex, Direction::Backward, visible, beforeMove);
}

DirectionStepper::Move DirectionStepper::showNextPartialStep(
    const QRectF& visible, const std::function<void()>& beforeMove)
{
    if (m_nextStepIsPartial && m_targetIndex == m_currentIndex)
        return startMove(m_currentIndex, Direction::Forward, visible, beforeMove);
    return showNextStep(visible, beforeMove);
}

DirectionStepper::Move DirectionStepper::startMove(
    int index, Direction direction, const QRectF& visible, const std::function<void()>& beforeMove)
{
    const int count = directionCount();
    Move move;
    if (index > count - 1) {
        if (m_loops && count > 0) {
            index = 0;
        } else {
            index = count - 1;
            // Without directions there is nothing to move to: the recipe is as finished as it gets.
            if (count == 0
                || holds(visible,
                    QPointF(m_rects.last().center().x(), m_rects.last().bottom() + m_gradientHeight))) {
                m_targetIndex = m_currentIndex;
                move.target = m_currentIndex;
                move.finished = true;
                return move;
            }
        }
    }
    if (index < 0) {
        if (m_loops && count > 0) {
            index = count - 1;
        } else {
            index = 0;
            if (count == 0 || holds(visible, QPointF(m_rects.first().center().x(), m_rects.first().top()))) {
                m_targetIndex = m_currentIndex;
                move.target = m_currentIndex;
                return move;
            }
        }
    }
    if (beforeMove)
        beforeMove();
    m_targetIndex = index;
    move.target = index;

    const QRectF& step = m_rects.at(index);
    const double g = m_gradientHeight;
    const double visibleHeight = visible.height();
    m_stepsAtCurrentIndex
        = index == m_currentIndex && direction == Direction::Forward ? m_stepsAtCurrentIndex + 1 : 0;
    double end = 0.0;
    if (m_stepsAtCurrentIndex == 0) {
        end = step.top() - g;
    } else {
        end = m_endY + (visibleHeight - 2.0 * g) / 2.0;
        if (end > step.bottom() - g)
            end = step.bottom() - (visibleHeight - g);
    }
    end = std::max(0.0, end);
    m_nextStepIsPartial = (visibleHeight - g) + end < step.bottom();
    m_startY = visible.top();
    m_endY = end;
    move.startY = m_startY;
    move.endY = end;
    move.kind = m_startY < 0.0 ? Move::Kind::Immediate : Move::Kind::Animate;
    return move;
}

DirectionStepper::End DirectionStepper::animationDidEnd(int index)
{
    m_currentIndex = index;
    m_targetIndex = index;
    End end;
    const bool wholeStep = m_stepsAtCurrentIndex == 0;
    end.finished = !m_loops && wholeStep && index + 1 >= directionCount();
    end.changedDirection = wholeStep;
    return end;
}

void DirectionStepper::animationDidStop(int index)
{
    m_currentIndex = index;
}

void DirectionStepper::scrollToTop(double visibleHeight)
{
    m_nextStepIsPartial
        = !m_rects.isEmpty() && m_rects.first().height() > visibleHeight - 2.0 * m_gradientHeight;
}
