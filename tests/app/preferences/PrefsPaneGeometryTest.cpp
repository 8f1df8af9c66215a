#include "PrefsPaneGeometry.h"

#include <QList>
#include <gtest/gtest.h>

TEST(PrefsPaneGeometryTest, WindowKeepsLeftAndTopAndAddsItsChrome)
{
    struct Case {
        QRect window;
        int contentHeight;
        QSize view;
        QRect expected;
    };
    const QList<Case> cases {
        // 60 points of toolbar above a 400 high pane.
        { { 100, 50, 500, 460 }, 400, { 520, 300 }, { 100, 50, 520, 360 } },
        { { 0, 0, 300, 100 }, 100, { 640, 480 }, { 0, 0, 640, 480 } },
        { { -20, 700, 600, 500 }, 420, { 400, 200 }, { -20, 700, 400, 280 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PrefsPaneGeometry::frameForView(c.window, c.contentHeight, c.view), c.expected)
            << c.expected.width();
}

TEST(PrefsPaneGeometryTest, ShiftSlowsTheCrossFadeOnlyWhenAllowed)
{
    EXPECT_DOUBLE_EQ(PrefsPaneGeometry::crossFadeDuration(true, false), 0.25);
    EXPECT_DOUBLE_EQ(PrefsPaneGeometry::crossFadeDuration(true, true), 1.25);
    EXPECT_DOUBLE_EQ(PrefsPaneGeometry::crossFadeDuration(false, true), 0.25);
    EXPECT_DOUBLE_EQ(PrefsPaneGeometry::crossFadeDuration(false, false), 0.25);
}
