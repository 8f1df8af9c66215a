#include "ArraySearch.h"

#include <gtest/gtest.h>

namespace
{

struct SearchCase {
    const char* text;
    QStringList elements;
    Range range;
    qsizetype index;
};

TEST(ArraySearchTest, LongestWordStartWinsAndTiesGoToTheFirst)
{
    const Range none { Range::NotFound, 0 };
    const SearchCase cases[] = {
        { "2 cups flour", { "cup", "cups", "c" }, { 2, 4 }, 1 },
        { "2 CUPS flour", { "cups" }, { 2, 4 }, 0 },
        // Preceded by a letter: skipped, and the later standalone one counts.
        { "teacup, cup", { "cup" }, { 8, 3 }, 0 },
        { "1 tsp tbs", { "tbs", "tsp" }, { 6, 3 }, 0 },
        { "1 tbs tsp", { "tbs", "tsp" }, { 2, 3 }, 0 },
        { "(cup)", { "cup" }, { 1, 3 }, 0 },
        { "cupcakes", { "cup" }, { 0, 3 }, 0 },
        { "teacup", { "cup" }, none, Range::NotFound },
        { "anything", {}, none, Range::NotFound },
        { "anything", { "" }, none, Range::NotFound },
        { "", { "cup" }, none, Range::NotFound },
    };
    for (const SearchCase& c : cases) {
        qsizetype index = -7;
        EXPECT_EQ(ArraySearch::rangeOfElementsOfArray(QString::fromUtf8(c.text), c.elements, &index), c.range)
            << c.text;
        EXPECT_EQ(index, c.index) << c.text;
    }
}

} // namespace
