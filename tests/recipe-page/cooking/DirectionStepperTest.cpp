#include "DirectionStepper.h"

#include <gtest/gtest.h>

namespace
{

using Kind = DirectionStepper::Move::Kind;

// Three directions stacked from y = 48 (the fade height): 100, 500 and 100 high; the visible area
// is 300 high, so the second direction needs partial steps.
class DirectionStepperTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        stepper.setGradientHeight(48);
        stepper.setRects({ QRectF(0, 48, 800, 100), QRectF(0, 148, 800, 500), QRectF(0, 648, 800, 100) });
        stepper.scrollToTop(300);
    }

    QRectF visibleAt(double y) const { return QRectF(0, y, 800, 300); }

    // Runs a move to its end; the visible area then starts at its end position.
    DirectionStepper::End finish(const DirectionStepper::Move& move)
    {
        top = move.endY;
        return stepper.animationDidEnd(move.target);
    }

    DirectionStepper stepper;
    double top = 0.0;
};

TEST_F(DirectionStepperTest, WholeStepsPutTheStepUnderTheTopFade)
{
    const DirectionStepper::Move move = stepper.showNextStep(visibleAt(0));
    EXPECT_EQ(move.kind, Kind::Animate);
    EXPECT_EQ(move.target, 1);
    EXPECT_EQ(move.startY, 0);
    EXPECT_EQ(move.endY, 148 - 48);
    EXPECT_EQ(stepper.scrollYAtProgress(0.5), 50);
    const DirectionStepper::End end = finish(move);
    EXPECT_TRUE(end.changedDirection);
    EXPECT_FALSE(end.finished);
    EXPECT_EQ(stepper.currentIndex(), 1);
    // 500 high in 300: the rest is shown by partial steps.
    EXPECT_TRUE(stepper.nextStepIsPartial());
}

TEST_F(DirectionStepperTest, ATallStepIsShownInHalfScreensThenTheNextStepFollows)
{
    finish(stepper.showNextStep(visibleAt(0)));
    // Half of (300 - 2 x 48) further each press.
    DirectionStepper::Move move = stepper.showNextPartialStep(visibleAt(top));
    EXPECT_EQ(move.target, 1);
    EXPECT_EQ(move.endY, 100 + 102);
    EXPECT_FALSE(finish(move).changedDirection);
    move = stepper.showNextPartialStep(visibleAt(top));
    EXPECT_EQ(move.endY, 202 + 102);
    finish(move);
    move = stepper.showNextPartialStep(visibleAt(top));
    EXPECT_EQ(move.endY, 304 + 102);
    finish(move);
    EXPECT_FALSE(stepper.nextStepIsPartial());
    move = stepper.showNextPartialStep(visibleAt(top));
    EXPECT_EQ(move.target, 2);
    EXPECT_TRUE(finish(move).changedDirection);
}

TEST_F(DirectionStepperTest, TheLastStepFinishesAndAMovePastItIsRefused)
{
    finish(stepper.showNextStep(visibleAt(0)));
    const DirectionStepper::End end = finish(stepper.showNextStep(visibleAt(top)));
    EXPECT_TRUE(end.finished);
    EXPECT_TRUE(end.changedDirection);
    const DirectionStepper::Move past = stepper.showNextStep(visibleAt(top));
    EXPECT_EQ(past.kind, Kind::Refused);
    EXPECT_TRUE(past.finished);
    EXPECT_EQ(stepper.targetIndex(), 2);
}

TEST_F(DirectionStepperTest, UpOnTheVisibleFirstStepDoesNothing)
{
    const DirectionStepper::Move move = stepper.showPreviousStep(visibleAt(0));
    EXPECT_EQ(move.kind, Kind::Refused);
    EXPECT_FALSE(move.finished);
    EXPECT_EQ(stepper.targetIndex(), 0);
    // Scrolled away from it, up goes back to it.
    EXPECT_EQ(stepper.showPreviousStep(visibleAt(100)).kind, Kind::Animate);
}

TEST_F(DirectionStepperTest, ANewMoveStopsTheRunningOneFirst)
{
    const DirectionStepper::Move first = stepper.showNextStep(visibleAt(0));
    // The first move is stopped half way; the stop settles on its target.
    bool stopped = false;
    const DirectionStepper::Move second = stepper.showNextStep(visibleAt(50), [&] {
        stopped = true;
        stepper.animationDidStop(first.target);
    });
    EXPECT_TRUE(stopped);
    EXPECT_EQ(second.target, 2);
    EXPECT_EQ(second.startY, 50);
    EXPECT_EQ(stepper.currentIndex(), 1);
}

TEST(DirectionStepperEdgeTest, WithoutDirectionsEveryMoveIsRefusedAndNextFinishes)
{
    DirectionStepper stepper;
    stepper.scrollToTop(300);
    const QRectF visible(0, 0, 800, 300);
    EXPECT_TRUE(stepper.showNextStep(visible).finished);
    EXPECT_TRUE(stepper.showNextPartialStep(visible).finished);
    EXPECT_EQ(stepper.showPreviousStep(visible).kind, DirectionStepper::Move::Kind::Refused);
    EXPECT_EQ(stepper.currentIndex(), 0);
}

TEST(DirectionStepperEdgeTest, OneDirectionFinishesAsSoonAsAWholeStepLandsOnIt)
{
    DirectionStepper stepper;
    stepper.setGradientHeight(24);
    stepper.setRects({ QRectF(0, 24, 400, 50) });
    const DirectionStepper::Move move
        = stepper.startMove(0, DirectionStepper::Direction::Backward, QRectF(0, 10, 400, 300));
    EXPECT_TRUE(stepper.animationDidEnd(move.target).finished);
}

} // namespace
