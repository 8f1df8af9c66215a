#pragma once

#include "DirectionStepper.h"

#include <QImage>
#include <QList>
#include <QStringList>
#include <QWidget>
#include <memory>

class QScrollArea;
class RVFullScreenStepAnimation;

// Posted by the direction view (object: the view; user info: the current direction's index).
inline const QString RVFullScreenDirectionViewDidChangeDirectionText
    = QStringLiteral("RVFullScreenDirectionViewDidChangeDirectionText");
inline const QString RVFullScreenDirectionViewDidFinishPlayingRecipe
    = QStringLiteral("RVFullScreenDirectionViewDidFinishPlayingRecipe");
inline const QString RVFullScreenDirectionViewCurrentDirectionKey
    = QStringLiteral("RVFullScreenDirectionViewCurrentDirectionKey");

// The directions stacked in one tall text inside a scroll area: the current step bright, the
// others dimmed, the top and bottom of the visible area fading to black. Moving to another step
// scrolls smoothly (DirectionStepper decides where to).
class RVFullScreenDirectionView : public QWidget
{
    Q_OBJECT

public:
    explicit RVFullScreenDirectionView(QWidget* parent = nullptr);
    ~RVFullScreenDirectionView() override;

    void setDisplayedDirections(const QStringList& directions);
    const QStringList& displayedDirections() const { return m_directions; }
    int currentDirectionIndex() const { return m_stepper.currentIndex(); }
    int directionCount() const { return int(m_directions.size()); }
    void showNextStep();
    void showPreviousStep();
    void showNextPartialStep();
    void scrollToTop();
    void setGradientHeight(double height);
    double gradientHeight() const { return m_stepper.gradientHeight(); }
    void setLoopsDirections(bool loops) { m_stepper.setLoopsDirections(loops); }
    const DirectionStepper& stepper() const { return m_stepper; }
    bool isAnimating() const;

    // A frame of the running step animation (also what the animation calls).
    void setProgress(double progress, int targetIndex);
    // The top of the visible area, and the visible rectangle in the view.
    double scrollY() const;
    QRectF visibleRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;

private:
    QScrollArea* scrollArea() const;
    QSize clipSize() const;
    void createCachedImages();
    void createTextImage();
    void startMove(const DirectionStepper::Move& move);
    void animationDidEnd(int index);
    void animationDidStop(int index);
    void post(const QString& name);
    void scrollTo(double y);

    QStringList m_directions;
    DirectionStepper m_stepper;
    QImage m_textImage;
    int m_imageWidth = 0;
    std::unique_ptr<RVFullScreenStepAnimation> m_animation;
    // The last animation that ended or stopped: kept until the next, as it may still be running
    // its own end handler.
    std::unique_ptr<RVFullScreenStepAnimation> m_retired;
};
