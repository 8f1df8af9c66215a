#include "CookingRecipe.h"

#include "CardFixture.h"
#include "DirectionStepper.h"

namespace
{

class CookingRecipeTest : public CardFixture
{
};

TEST_F(CookingRecipeTest, ReadsTheListsInIndexOrderAndLeavesOutEmptyItems)
{
    RecipeMO* recipe = bareRecipe(QStringLiteral("Soup"));
    addIngredient(recipe, 2, {}, {}, {}, QStringLiteral("salt"), QStringLiteral("1 tsp salt"));
    addIngredient(recipe, 1, {}, {}, {}, QStringLiteral("water"), QStringLiteral("2 cups water"));
    addIngredient(recipe, 3, {}, {}, {}, {}, QString());
    addItem(recipe, QStringLiteral("Direction"), 3, QStringLiteral("Serve."));
    addItem(recipe, QStringLiteral("Direction"), 1, QStringLiteral("Boil the water."));
    addItem(recipe, QStringLiteral("Direction"), 2, QString());
    const CookingRecipe cooking = CookingRecipe::fromRecipe(recipe);
    EXPECT_EQ(cooking.name, QStringLiteral("Soup"));
    EXPECT_EQ(
        cooking.ingredients, QStringList({ QStringLiteral("2 cups water"), QStringLiteral("1 tsp salt") }));
    EXPECT_EQ(
        cooking.directions, QStringList({ QStringLiteral("Boil the water."), QStringLiteral("Serve.") }));
    // Spoken and shown lists name the same steps by the same index.
    ASSERT_EQ(cooking.shownDirections.size(), 2);
    EXPECT_TRUE(cooking.shownDirections.at(1).contains(QStringLiteral("Serve.")));
    EXPECT_TRUE(CookingRecipe::fromRecipe(nullptr).directions.isEmpty());
}

TEST(DirectionStepperEndTest, AMoveWithNothingToAnimateFromIsEndedAtOnce)
{
    DirectionStepper stepper;
    stepper.setGradientHeight(24);
    stepper.setRects({ QRectF(0, 24, 400, 50), QRectF(0, 74, 400, 50) });
    // A scroll position above the top (an elastic scroll) leaves nothing to animate from; the move
    // still ends, so playing goes on.
    const DirectionStepper::Move move = stepper.showNextStep(QRectF(0, -10, 400, 300));
    EXPECT_EQ(move.kind, DirectionStepper::Move::Kind::Immediate);
    EXPECT_TRUE(stepper.animationDidEnd(move.target).changedDirection);
    EXPECT_EQ(stepper.currentIndex(), 1);
}

} // namespace
