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
