// The card's margins and the notch left for the picture.
#include "RVTextContainer.h"

#include <gtest/gtest.h>

namespace
{

// The controller's container: 600 wide, padding 8, a notch of 140 by 160.
RVTextContainer container()
{
    RVTextContainer c(600);
    c.setLineFragmentPadding(8.0);
    c.setRVTextContainerNotchX(140);
    c.setRVTextContainerNotchY(160);
    return c;
}

TEST(RVTextContainer, NotchValuesKeepTheMargin)
{
    int changes = 0;
    RVTextContainer c(600);
    c.setGeometryChanged([&changes] { ++changes; });
    c.setRVTextContainerNotchX(140);
    c.setRVTextContainerNotchY(160);
    EXPECT_EQ(c.RVTextContainerNotchX(), 157u);
    EXPECT_EQ(c.RVTextContainerNotchY(), 177u);
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(c.isSimpleRectangularTextContainer());
}

struct LineCase {
    double y;
    QRectF expected;
};

TEST(RVTextContainer, LinesBesideTheNotchEndBeforeIt)
{
    const RVTextContainer c = container();
    const LineCase cases[] = {
        { 0, { 17, 17, 600 - 174, 15 } }, // the top margin
        { 100, { 17, 100, 600 - 174, 15 } }, // ends at W - 157
        { 193, { 17, 193, 600 - 174, 15 } },
        { 194, { 17, 194, 600 - 17, 15 } }, // below: to the container's edge
        { 200, { 17, 200, 600 - 17, 15 } },
    };
    for (const LineCase& line : cases)
        EXPECT_EQ(c.lineFragmentRectForProposedRect({ 0, line.y, 600, 15 }), line.expected) << line.y;
    EXPECT_DOUBLE_EQ(c.lineFragmentRectForProposedRect({ 0, 100, 600, 15 }).right(), 600 - 157);
    // Text runs to the edge less the padding.
    EXPECT_DOUBLE_EQ(c.usableRectForProposedRect({ 0, 200, 600, 15 }).right(), 600 - 8);
    EXPECT_DOUBLE_EQ(c.usableRectForProposedRect({ 0, 200, 600, 15 }).left(), 17 + 8);
}

TEST(RVTextContainer, PointsInTheNotchAreOutside)
{
    const RVTextContainer c = container();
    EXPECT_TRUE(c.containsPoint({ 500, 180 }));
    EXPECT_FALSE(c.containsPoint({ 500, 170 }));
    EXPECT_TRUE(c.containsPoint({ 600 - 174, 20 }));
    EXPECT_FALSE(c.containsPoint({ 17, 100 }));
    EXPECT_FALSE(c.containsPoint({ 100, 16 }));
}

} // namespace
