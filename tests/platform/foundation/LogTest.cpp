#include "Log.h"

#include <gtest/gtest.h>

TEST(Log, CaptureCollectsAndNests)
{
    Log::Capture outer;
    Log::log("one");
    {
        Log::Capture inner;
        Log::logf("KitchoraController: -save: error (%1)", 42);
        EXPECT_EQ(inner.lines(), QStringList { "KitchoraController: -save: error (42)" });
    }
    Log::log("two");
    EXPECT_EQ(outer.lines(), (QStringList { "one", "two" }));
    EXPECT_TRUE(outer.contains("tw"));
}

TEST(Log, ValuesAreLoggedAsWrittenEvenWithPlaceholders)
{
    Log::Capture capture;
    Log::logf("Recipe \"%1\" could not be saved (%2)", QStringLiteral("100%2 rye %1"), 7);
    Log::logf("no placeholders here");
    ASSERT_EQ(capture.lines().size(), 2);
    EXPECT_EQ(capture.lines().at(0), "Recipe \"100%2 rye %1\" could not be saved (7)");
    EXPECT_EQ(capture.lines().at(1), "no placeholders here");
}
