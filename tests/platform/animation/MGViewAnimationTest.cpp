#include "MGViewAnimation.h"

#include "VirtualClock.h"

#include <QLabel>
#include <QObject>
#include <gtest/gtest.h>

namespace
{

TEST(MGViewAnimationTest, FramesMoveLinearlyByTheCurvedValueAndEndOnTheDestination)
{
    VirtualClock clock;
    QWidget parent;
    auto* view = new QWidget(&parent);
    view->setGeometry(0, 0, 100, 50);
    QObject notAView;
    MGViewAnimation animation(
        { { view, std::nullopt, QRect(100, 200, 300, 150), MGViewAnimation::Effect::None },
            { &notAView, QRect(), QRect(1, 1, 1, 1), MGViewAnimation::Effect::FadeIn } });
    // Only the view is animated; the missing start frame is its frame.
    ASSERT_EQ(animation.viewAnimations().size(), 1);
    EXPECT_EQ(animation.originalFrameForView(view), QRect(0, 0, 100, 50));
    EXPECT_EQ(animation.frameForView(view, 0.5), QRect(50, 100, 200, 100));
    EXPECT_EQ(animation.frameForView(&parent, 0.5), QRect());
    EXPECT_EQ(Animation::valueForProgress(Animation::Curve::EaseInOut, 0.5), 0.5);
    EXPECT_LT(Animation::valueForProgress(Animation::Curve::EaseIn, 0.5), 0.5);
    int ends = 0;
    animation.setAnimationDidEnd([&ends](Animation*) { ++ends; });
    animation.startAnimation();
    clock.advance(0.25);
    EXPECT_EQ(view->geometry(), animation.frameForView(view, animation.currentValue()));
    clock.advance(0.3);
    EXPECT_EQ(ends, 1);
    EXPECT_EQ(view->geometry(), QRect(100, 200, 300, 150));
}

TEST(MGViewAnimationTest, FadesShowAndHideTheViewThroughAPictureOfIt)
{
    VirtualClock clock;
    QWidget parent;
    parent.resize(200, 200);
    auto* view = new QWidget(&parent);
    view->setGeometry(10, 10, 50, 50);
    parent.show();
    MGViewAnimation fadeOut({ { view, {}, {}, MGViewAnimation::Effect::FadeOut } });
    fadeOut.startAnimation();
    EXPECT_TRUE(view->isHidden());
    EXPECT_EQ(parent.findChildren<QLabel*>().size(), 1);
    clock.advance(0.6);
    EXPECT_TRUE(view->isHidden());
    EXPECT_TRUE(parent.findChildren<QLabel*>().isEmpty());

    MGViewAnimation fadeIn({ { view, {}, {}, MGViewAnimation::Effect::FadeIn } });
    fadeIn.startAnimation();
    clock.advance(0.6);
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(parent.findChildren<QLabel*>().isEmpty());
}

TEST(MGViewAnimationTest, AFadeStoppedEarlyLeavesTheViewShownWithoutItsPicture)
{
    VirtualClock clock;
    QWidget parent;
    auto* view = new QWidget(&parent);
    parent.show();
    MGViewAnimation fadeOut({ { view, {}, {}, MGViewAnimation::Effect::FadeOut } });
    int stops = 0;
    fadeOut.setAnimationDidStop([&stops](Animation*) { ++stops; });
    fadeOut.startAnimation();
    clock.advance(0.2);
    fadeOut.stopAnimation();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(view->isHidden());
    EXPECT_TRUE(parent.findChildren<QLabel*>().isEmpty());
}

} // namespace
