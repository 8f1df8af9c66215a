#include "SplitViewRules.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

namespace
{

// A size from a window or splitter: negative or non-finite values (a window not yet laid out)
// count as zero.
double size(double value)
{
    return std::isfinite(value) && value > 0.0 ? value : 0.0;
}

QString localized(const char* english)
{
    return QCoreApplication::translate("Kitchora", english);
}

} // namespace

double SplitViewRules::minimumDividerPosition()
{
    return KROutlineViewMinWidth;
}

double SplitViewRules::maximumDividerPosition(
    double splitViewWidth, double innerDividerThickness, bool deviceCollectionSelected)
{
    const double width = size(splitViewWidth);
    const double middleMinimum = deviceCollectionSelected ? DropboxInfoViewMinWidth : RecipeTableViewMinWidth;
    const double roomForRight = width - (middleMinimum + RecipeViewerMinWidth + size(innerDividerThickness));
    return std::max(0.0, std::min(width / 4.0, roomForRight));
}

SplitViewRules::PaneFrames SplitViewRules::resizeMainSplitter(
    QSizeF splitViewSize, double oldLeftWidth, double innerDividerThickness, double mainDividerThickness)
{
    const double width = size(splitViewSize.width());
    const double height = size(splitViewSize.height());
    const double divider = size(mainDividerThickness);
    const double rightMinimum = RecipeTableViewMinWidth + RecipeViewerMinWidth + size(innerDividerThickness);

    double left = size(oldLeftWidth);
    double right = width - divider - left;
    if (right < rightMinimum) {
        right = rightMinimum;
        left = std::max(0.0, width - divider - right);
    } else if (left < KROutlineViewMinWidth) {
        left = KROutlineViewMinWidth;
        right = width - divider - left;
    }
    return { QRectF(0.0, 0.0, left, height), QRectF(left + divider, 0.0, right, height) };
}

QSizeF SplitViewRules::outlineViewSize(const PaneFrames& frames, double outlineViewHeight)
{
    return QSizeF(frames.left.width(), std::max(size(outlineViewHeight), frames.left.height()));
}

SplitViewRules::BottomBarButtons<QRectF> SplitViewRules::bottomBarFrames(
    double middlePaneX, double recipePageX, double barHeight, const BottomBarButtons<QSizeF>& sizes)
{
    const double height = size(barHeight);
    auto frame = [height](double x, QSizeF button) {
        button = QSizeF(size(button.width()), size(button.height()));
        return QRectF(QPointF(x, (height - button.height()) / 2.0), button);
    };
    const double middle = std::max(0.0, size(middlePaneX) - 1.0);
    const double page = std::max(0.0, size(recipePageX) - 1.0);
    return { frame(0.0, sizes.addCollection), frame(middle, sizes.addRecipe),
        frame(middle, sizes.addGroceryList), frame(page, sizes.importButton) };
}

QString SplitViewRules::tableHeaderTitle(bool groceryListsTableHidden)
{
    return groceryListsTableHidden ? localized("Recipes") : localized("Grocery Lists");
}

SplitViewRules::PrintingTarget SplitViewRules::printingTarget(
    bool mainWindowIsKey, bool groceryListsTableHidden)
{
    if (!mainWindowIsKey)
        return PrintingTarget::None;
    return groceryListsTableHidden ? PrintingTarget::RecipeTextView : PrintingTarget::GroceryListView;
}
