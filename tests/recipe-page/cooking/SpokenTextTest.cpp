#include "RVFullScreenController.h"

#include <gtest/gtest.h>

namespace
{

struct SpokenCase {
    const char* text;
    const char* spoken;
};

class SpokenTextTest : public ::testing::TestWithParam<SpokenCase>
{
};

TEST_P(SpokenTextTest, TextIsRewrittenForTheSynthesizer)
{
    EXPECT_EQ(RVFullScreenController::formattedStringForSpeaking(QString::fromUtf8(GetParam().text)),
        QString::fromUtf8(GetParam().spoken));
}

INSTANTIATE_TEST_SUITE_P(Table, SpokenTextTest,
    ::testing::Values(SpokenCase { "2 1/2 cups", "2 and a half cups\n" },
        SpokenCase { "2 3/4 cups", "2 and  3 quarters cups\n" },
        SpokenCase { "add a 1/2 cup", "add a half cup\n" }, SpokenCase { "1/2 cup", "1 half cup\n" },
        SpokenCase { "3/4 cup", "3 quarters cup\n" }, SpokenCase { "a 9 x 13 pan", "a 9 by 13 pan\n" },
        SpokenCase { "a 9x13 pan", "a 9 by 13 pan\n" },
        SpokenCase { "bake at 350°F", "bake at 350 degrees\n" },
        SpokenCase { "bake at 180° C now", "bake at 180 degrees now\n" },
        // The degree sign before a word keeps the word whole.
        SpokenCase { "350° for 20 minutes", "350 degrees for 20 minutes\n" },
        // Every denominator is spoken; none is dropped.
        SpokenCase { "1/16 tsp", "1 sixteenth tsp\n" }, SpokenCase { "3/8 tsp", "3 eighths tsp\n" },
        SpokenCase { "1/8 tsp", "1 eighth tsp\n" }, SpokenCase { "1 1/3 cups", "1 and a third cups\n" },
        SpokenCase { "1/32 oz", "1 over 32 oz\n" }, SpokenCase { "", "\n" }));

} // namespace
