#include "CueTextView.h"
#include "ProgressOverlayView.h"

#include <QApplication>
#include <QMouseEvent>
#include <gtest/gtest.h>

namespace
{

// Counts the presses that reach it.
class PressCounter : public QWidget
{
public:
    using QWidget::QWidget;
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

void press(QWidget* widget, QPointF at)
{
    QMouseEvent event(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton,
        Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

TEST(ImportOverlaysTest, CueStaysCentredOnItsSide)
{
    QWidget parent;
    parent.resize(600, 400);
    auto* cue = new CueTextView(&parent);
    cue->resize(520, 50);
    parent.show();
    const struct {
        const char* name;
        int side;
        QSize parentSize;
        QRect frame;
    } cases[] = {
        { "pinned to the top", 1, QSize(600, 400), QRect(40, 0, 520, 50) },
        { "window widened", 1, QSize(800, 400), QRect(140, 0, 520, 50) },
        { "window narrower than the cue", 1, QSize(500, 300), QRect(-10, 0, 520, 50) },
        { "not pinned: in the middle", 0, QSize(800, 400), QRect(140, 175, 520, 50) },
    };
    for (const auto& c : cases) {
        cue->setPinningSide(c.side);
        parent.resize(c.parentSize);
        QApplication::sendPostedEvents();
        EXPECT_EQ(cue->geometry(), c.frame) << c.name;
    }
}

TEST(ImportOverlaysTest, ClicksOnTheBandAreSwallowedOthersReachTheText)
{
    QWidget parent;
    parent.resize(600, 400);
    auto* text = new PressCounter(&parent);
    text->setGeometry(0, 0, 600, 400);
    auto* cue = new CueTextView(&parent);
    cue->resize(520, 50);
    cue->setPinningSide(1);
    cue->raise();
    parent.show();

    press(cue, QPointF(260, 10));
    EXPECT_EQ(text->presses, 0) << "on the band";
    press(cue, QPointF(1, 24));
    EXPECT_EQ(text->presses, 1) << "outside the band's flared corner";
    press(cue, QPointF(260, 40));
    EXPECT_EQ(text->presses, 2) << "below the band";

    cue->setPinningSide(0);
    const QPainterPath bubble = cue->backgroundPath();
    EXPECT_TRUE(bubble.contains(QPointF(260, 40)));
    EXPECT_FALSE(bubble.contains(QPointF(0.2, 0.2))) << "rounded corners of radius 5";
}

TEST(ImportOverlaysTest, SpinnerStaysInTheMiddle)
{
    ProgressOverlayView overlay;
    overlay.show();
    for (const QSize size : { QSize(300, 200), QSize(640, 480) }) {
        overlay.resize(size);
        QApplication::sendPostedEvents();
        const QRect indicator = overlay.progressIndicator()->geometry();
        EXPECT_LE(std::abs(indicator.center().x() - size.width() / 2), 1);
        EXPECT_LE(std::abs(indicator.center().y() - size.height() / 2), 1);
    }
    overlay.startAnimation();
    EXPECT_TRUE(overlay.isAnimating());
    overlay.stopAnimation();
    EXPECT_FALSE(overlay.isAnimating());
}
