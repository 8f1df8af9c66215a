// Where the selection may go on the editing page: the view's confinement to the field, the
// delegate's rule, and the clipping of any range to the text.
#include "EditingFixture.h"
#include "Log.h"

#include <gtest/gtest.h>

namespace
{

// "0123456789ABCDEFGHIJ" with a field over 5..9 and, when asked, grey placeholder text there.
AttributedString card(bool placeholder = false)
{
    MutableAttributedString text(QStringLiteral("0123456789ABCDEFGHIJ"));
    text.addAttribute(RVValueAttribute, QStringLiteral("name"), { 5, 5 });
    if (placeholder)
        text.addAttribute(RVPlaceholderAttribute, RVPlaceholderAttribute, { 5, 5 });
    return text;
}

struct SelectionCase {
    const char* what;
    Range old;
    Range proposed;
    Range expected;
};

class SelectionRulesTest : public ::testing::TestWithParam<SelectionCase>
{
};

TEST_P(SelectionRulesTest, DelegateKeepsTheSelectionInTheField)
{
    const SelectionCase& c = GetParam();
    RecipeEditingModel page;
    page.setCard(card());
    page.setEditRange({ 5, 5 });
    page.setIsEditing(true);
    EXPECT_EQ(page.willChangeSelection(c.old, c.proposed), c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Cases, SelectionRulesTest,
    ::testing::Values(
        SelectionCase { "click into the field from outside selects it", { 0, 0 }, { 7, 0 }, { 5, 5 } },
        SelectionCase { "caret moves inside the field", { 6, 0 }, { 7, 0 }, { 7, 0 } },
        SelectionCase { "drag past the end is cut to the field", { 6, 0 }, { 8, 5 }, { 8, 2 } },
        SelectionCase { "drag before the start is cut to the field", { 6, 0 }, { 3, 4 }, { 5, 2 } },
        SelectionCase { "beyond the field becomes a caret at its end", { 6, 0 }, { 15, 2 }, { 10, 0 } },
        SelectionCase { "caret at the field's end stands", { 6, 0 }, { 10, 0 }, { 10, 0 } },
        SelectionCase {
            "coming back from two past the end selects the field", { 12, 0 }, { 11, 0 }, { 5, 5 } },
        SelectionCase { "one past the end keeps a caret at the end", { 11, 0 }, { 10, 0 }, { 10, 0 } },
        SelectionCase { "past the text's end becomes the start", { 6, 0 }, { 25, 0 }, { 10, 0 } }));

TEST(SelectionRules, PlaceholderIsSelectedWhole)
{
    RecipeEditingModel page;
    page.setCard(card(true));
    page.setEditRange({ 5, 5 });
    page.setIsEditing(true);
    EXPECT_EQ(page.willChangeSelection({ 6, 0 }, { 7, 0 }), (Range { 5, 5 }));
}

TEST(SelectionRules, WithoutAChosenFieldTheProposalStands)
{
    RecipeEditingModel page;
    page.setCard(card());
    page.setEditRange({ 5, 5 });
    EXPECT_EQ(page.willChangeSelection({ 0, 0 }, { 15, 3 }), (Range { 15, 3 }));
}

TEST(SelectionRules, AnyOtherSelectionStopsAPendingCompletion)
{
    int stops = 0;
    RecipeEditingModel page;
    page.hooks().stopCompletionTimer = [&stops] { ++stops; };
    page.setCard(card());
    page.willChangeSelection({ 0, 0 }, { 3, 0 });
    EXPECT_EQ(stops, 1);
}

TEST(SelectionRules, ViewConfinesAProposalThatLeavesTheField)
{
    RecipeEditingModel page;
    page.setCard(card());
    page.setEditable(true);
    page.setEditRange({ 5, 5 });
    EXPECT_EQ(page.selectionRangeForProposedRange({ 6, 2 }), (Range { 6, 2 }));
    EXPECT_EQ(page.selectionRangeForProposedRange({ 8, 6 }), (Range { 8, 2 }));
    // Nothing shared with the field: the proposal stands (the delegate has the last word).
    EXPECT_EQ(page.selectionRangeForProposedRange({ 12, 3 }), (Range { 12, 3 }));
    page.setEditable(false);
    EXPECT_EQ(page.selectionRangeForProposedRange({ 8, 6 }), (Range { 8, 6 }));
}

struct ClipCase {
    Range range;
    Range expected;
    bool logged;
};

TEST(SelectionRules, SelectionsAreClippedToTheText)
{
    const ClipCase cases[] = {
        { { 3, 2 }, { 3, 2 }, false },
        // A caret at the end and a range ending with the text are sound.
        { { 10, 0 }, { 10, 0 }, false },
        { { 6, 4 }, { 6, 4 }, false },
        { { 8, 5 }, { 8, 2 }, true },
        { { 10, 3 }, { 10, 0 }, false },
        { { 14, 0 }, { 10, 0 }, true },
        { { 2, Range::NotFound }, { 2, 0 }, true },
    };
    for (const ClipCase& c : cases) {
        bool logged = false;
        EXPECT_EQ(RecipeEditingModel::clippedSelection(c.range, 10, &logged), c.expected)
            << c.range.location << "," << c.range.length;
        EXPECT_EQ(logged, c.logged) << c.range.location << "," << c.range.length;
    }
}

TEST(SelectionRules, LastFieldEndingWithTheTextIsAValidEditRange)
{
    MutableAttributedString text(QStringLiteral("Title"));
    text.addAttribute(RVValueAttribute, QStringLiteral("name"), { 0, 5 });
    RecipeEditingModel page;
    page.setCard(text);
    Log::Capture log;
    page.setEditable(true);
    EXPECT_EQ(page.editRange(), (Range { 0, 5 }));
    EXPECT_EQ(page.selectedRange(), (Range { 0, 5 }));
    page.changeSelection({ 5, 0 });
    EXPECT_EQ(page.selectedRange(), (Range { 5, 0 }));
    EXPECT_TRUE(log.lines().isEmpty());
}

} // namespace
