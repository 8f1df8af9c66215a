#include "RVFullScreenContentView.h"
#include "RVFullScreenIngredientView.h"
#include "RVFullScreenOverlayView.h"
#include "VirtualClock.h"

#include <QMenu>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

using Cell = RVFullScreenOverlayView::Cell;

TEST(CookingKeysTest, KeysMapToTheModesEvents)
{
    const std::tuple<int, const char*, QString> table[] = {
        { Qt::Key_Escape, "", RVFullScreenContentViewExitEvent },
        { Qt::Key_Q, "q", RVFullScreenContentViewExitEvent },
        { Qt::Key_Q, "Q", RVFullScreenContentViewExitEvent },
        { Qt::Key_F, "f", RVFullScreenContentViewExitEvent },
        { Qt::Key_F, "F", RVFullScreenContentViewExitEvent },
        { Qt::Key_Space, " ", RVFullScreenContentViewPlayPauseEvent },
        { Qt::Key_Up, "", RVFullScreenContentViewPreviousEvent },
        { Qt::Key_Left, "", RVFullScreenContentViewPreviousEvent },
        { Qt::Key_Down, "", RVFullScreenContentViewNextEvent },
        { Qt::Key_Right, "", RVFullScreenContentViewNextEvent },
        { Qt::Key_Return, "\r", QString() },
        { Qt::Key_A, "a", QString() },
    };
    for (const auto& [key, text, event] : table)
        EXPECT_EQ(RVFullScreenContentView::eventForKey(key, QString::fromLatin1(text)), event) << key << text;
}

TEST(CookingOverlayTest, ButtonsSitInARowWithUpAboveDown)
{
    const QRectF bounds(0, 0, 412, 109);
    const std::pair<Cell, QRectF> table[] = {
        { Cell::Listen, QRectF(42, 31, 48, 48) },
        { Cell::Speak, QRectF(106, 31, 48, 48) },
        { Cell::Up, QRectF(182, 7, 48, 48) },
        { Cell::Down, QRectF(182, 55, 48, 48) },
        { Cell::PlayPause, QRectF(258, 31, 48, 48) },
        { Cell::Exit, QRectF(322, 31, 48, 48) },
        { Cell::None, QRectF() },
    };
    for (const auto& [cell, frame] : table)
        EXPECT_EQ(RVFullScreenOverlayView::frameForCell(cell, bounds), frame) << int(cell);
}

TEST(CookingOverlayTest, TogglesChangeTheirTitlesAndClicksReachTheirActions)
{
    QWidget content;
    RVFullScreenOverlayView overlay(&content);
    overlay.setGeometry(0, 0, 412, 109);
    int plays = 0;
    overlay.setPlayAction([&plays] { ++plays; });
    EXPECT_EQ(overlay.titleForCell(Cell::PlayPause), QStringLiteral("Play Recipe"));
    overlay.performClick(Cell::PlayPause);
    EXPECT_EQ(plays, 1);
    EXPECT_EQ(overlay.titleForCell(Cell::PlayPause), QStringLiteral("Pause"));
    EXPECT_EQ(overlay.imageNameForCell(Cell::PlayPause), QStringLiteral("FS_Pause_White"));
    overlay.setButtonStates(true, true, false);
    EXPECT_EQ(overlay.titleForCell(Cell::Speak), QStringLiteral("Stop Speaking"));
    EXPECT_EQ(overlay.titleForCell(Cell::Listen), QStringLiteral("Stop Recognition"));
    EXPECT_EQ(overlay.titleForCell(Cell::Up), QString());
    EXPECT_EQ(overlay.cellAtPoint(QPointF(200, 20)), Cell::Up);
    EXPECT_EQ(overlay.cellAtPoint(QPointF(5, 5)), Cell::None);
    overlay.setVoiceCommands({});
    EXPECT_FALSE(overlay.voiceCommandsMenu());
    overlay.setVoiceCommands({ QStringLiteral("Play") });
    ASSERT_TRUE(overlay.voiceCommandsMenu());
    EXPECT_EQ(overlay.voiceCommandsMenu()->actions().size(), 3);
}

TEST(CookingOverlayTest, FadesInOnActivityAndOutTwoSecondsLater)
{
    VirtualClock clock;
    QWidget content;
    content.resize(800, 600);
    auto* overlay = new RVFullScreenOverlayView(&content);
    overlay->setGeometry(194, 471, 412, 109);
    overlay->hide();
    content.show();
    overlay->activate();
    EXPECT_TRUE(overlay->isFadingIn());
    clock.advance(0.5);
    EXPECT_TRUE(overlay->isVisible());
    clock.advance(1.4);
    EXPECT_TRUE(overlay->isVisible());
    // More activity keeps it up.
    overlay->activate();
    clock.advance(1.9);
    EXPECT_FALSE(overlay->isFadingOut());
    clock.advance(0.1 + 0.5);
    EXPECT_TRUE(overlay->isFadingOut());
    EXPECT_FALSE(overlay->isVisible());
    // No proxy picture is left over the content.
    EXPECT_EQ(content.findChildren<QWidget*>().size(), 1);
    RVFullScreenOverlayView::showCursor();
}

// Every line 20 high whatever its width; the "more" line too.
QSizeF fixedMetrics(const QString& text, double)
{
    return QSizeF(text.size() * 10.0, 20.0);
}

TEST(CookingIngredientsTest, OneOrTwoLinesSitInTheMiddleAsOneBlock)
{
    const QRectF bounds(0, 0, 600, 200);
    const auto two = RVFullScreenIngredientView::placements(
        { QStringLiteral("flour"), QStringLiteral("milk") }, bounds, fixedMetrics);
    ASSERT_EQ(two.size(), 2);
    // 20 + 5 + 20 = 45 high, centred in 200.
    EXPECT_EQ(two[0].rect.y(), 77.5);
    EXPECT_EQ(two[1].rect.y(), 102.5);
    const auto one = RVFullScreenIngredientView::placements({ QStringLiteral("salt") }, bounds, fixedMetrics);
    EXPECT_EQ(one[0].rect.y(), 90);
    EXPECT_EQ(one[0].text, QStringLiteral("\u2219salt"));
}

TEST(CookingIngredientsTest, ThreeOrMoreRunTopDownAndTheOverflowEndsWithMore)
{
    // Room for 4 lines a column (128 - 16 = 112 high: 4 x 25 = 100).
    QStringList lines;
    for (int i = 0; i < 12; ++i)
        lines.append(QStringLiteral("item %1").arg(i));
    const auto placed = RVFullScreenIngredientView::placements(lines, QRectF(0, 0, 600, 128), fixedMetrics);
    ASSERT_FALSE(placed.isEmpty());
    EXPECT_EQ(placed[0].rect.topLeft(), QPointF(10, 8));
    EXPECT_EQ(placed[1].rect.y(), 33);
    EXPECT_EQ(placed.last().text, QStringLiteral("\u22195 more\u2026"));
    // The right column starts beside the widest left line.
    EXPECT_EQ(placed[4].rect.x(), 10 + QStringLiteral("\u2219item 0").size() * 10 + 10);

    // The last line itself is never replaced by a "more" line.
    const auto exact
        = RVFullScreenIngredientView::placements(lines.mid(0, 7), QRectF(0, 0, 600, 128), fixedMetrics);
    EXPECT_EQ(exact.last().text, QStringLiteral("\u2219item 6"));
}

TEST(CookingIngredientsTest, OptimalHeightBalancesTwoColumns)
{
    EXPECT_EQ(RVFullScreenIngredientView::optimalContentHeight({}, 600, fixedMetrics), 5);
    QStringList four;
    for (int i = 0; i < 4; ++i)
        four.append(QStringLiteral("x"));
    // 100 in all: the third line is the first to reach past half and still counts on the left.
    EXPECT_EQ(RVFullScreenIngredientView::optimalContentHeight(four, 600, fixedMetrics), 75 + 5);
}

TEST(CookingContentViewTest, LayoutLeavesRoomForTitleIngredientsAndButtons)
{
    RVFullScreenContentView::setDefaltFontSize(32);
    RVFullScreenContentView view;
    view.resize(1024, 768);
    CookingRecipe recipe;
    recipe.name = QStringLiteral("Stew");
    view.setDisplayedRecipe(recipe);
    auto* ingredients = new RVFullScreenIngredientView(&view);
    view.setIngredientsView(ingredients);
    // No ingredients: the box is 68 + 32 high.
    EXPECT_EQ(view.ingredientsRect().height(), 100);
    EXPECT_EQ(view.buttonsRect(), QRectF(1024 / 2 - 206, 768 - 129, 412, 109));
    EXPECT_EQ(view.titleFontSize(), 24);
    EXPECT_NEAR(view.contentAreaHeight(), 768 - (view.titleRect().height() + 20), 1);
    EXPECT_EQ(view.overlayView()->geometry(), view.buttonsRect().toRect());
}

} // namespace
