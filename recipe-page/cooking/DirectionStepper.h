#pragma once

#include <QList>
#include <QRectF>
#include <functional>

// Where the cooking mode's directions scroll to: whole steps put a direction's top just under the
// top fade; a direction taller than the visible area is shown in partial steps of half a screen;
// moves past either end are refused. Works on the directions' rectangles in the (flipped) view and
// the visible rectangle, so it is tested without widgets.
class DirectionStepper
{
public:
    enum class Direction { Forward = 0, Backward = 1 };
    struct Move {
        enum class Kind {
            Refused, // nothing moves
            Animate, // scroll from startY to endY, then animationDidEnd
            Immediate, // nothing to animate from: the end is due at once
        };
        Kind kind = Kind::Refused;
        int target = 0;
        double startY = 0.0;
        double endY = 0.0;
        // A refused move past the last direction: the recipe is finished.
        bool finished = false;
    };
    struct End {
        bool finished = false; // the last direction was reached by a whole step
        bool changedDirection = false; // a whole step ended
    };

    void setRects(const QList<QRectF>& rects) { m_rects = rects; }
    const QList<QRectF>& rects() const { return m_rects; }
    int directionCount() const { return int(m_rects.size()); }
    void setGradientHeight(double height) { m_gradientHeight = height; }
    double gradientHeight() const { return m_gradientHeight; }
    void setLoopsDirections(bool loops) { m_loops = loops; }

    int currentIndex() const { return m_currentIndex; }
    int targetIndex() const { return m_targetIndex; }
    int stepsAtCurrentIndex() const { return m_stepsAtCurrentIndex; }
    bool nextStepIsPartial() const { return m_nextStepIsPartial; }
    double animationStartY() const { return m_startY; }
    double animationEndY() const { return m_endY; }

    Move showNextStep(const QRectF& visible, const std::function<void()>& beforeMove = {});
    Move showPreviousStep(const QRectF& visible, const std::function<void()>& beforeMove = {});
    Move showNextPartialStep(const QRectF& visible, const std::function<void()>& beforeMove = {});
    // `beforeMove` runs once the move is not refused, before its end is worked out (the running
    // move is stopped there, which settles the current index).
    Move startMove(
        int index, Direction direction, const QRectF& visible, const std::function<void()>& beforeMove = {});
    // The scroll position (top of the visible area) at a linear progress of the running move.
    double scrollYAtProgress(double progress) const { return m_startY + (m_endY - m_startY) * progress; }
    End animationDidEnd(int index);
    void animationDidStop(int index);
    // Back at the top: whether the first direction needs partial steps.
    void scrollToTop(double visibleHeight);

private:
    QList<QRectF> m_rects;
    double m_gradientHeight = 48.0;
    bool m_loops = false;
    int m_currentIndex = 0;
    int m_targetIndex = 0;
    int m_stepsAtCurrentIndex = 0;
    bool m_nextStepIsPartial = false;
    double m_startY = 0.0;
    double m_endY = 0.0;
};
