#pragma once

#include <QRectF>
#include <QSizeF>
#include <QString>

// Narrowest widths of the library window's panes, in points.
inline constexpr double KROutlineViewMinWidth = 123.0; // source list of collections
inline constexpr double RecipeTableViewMinWidth = 232.0; // recipe list (middle pane)
inline constexpr double RecipeViewerMinWidth = 383.0; // recipe page
inline constexpr double DropboxInfoViewMinWidth = 379.0; // device information view (middle pane)

// The arithmetic behind the library window's split views and the choices that follow from which
// pane shows: where the dividers may go, how the main splitter shares a new size between the source
// list and the right side, the middle pane's header title and what Print prints. Plain values in
// and out, no widgets; any thread. Sizes that are negative, NaN or infinite count as zero, so no
// answer is negative or NaN.
class SplitViewRules
{
public:
    // What the main splitter's resize gives each pane, in the split view's coordinates.
    struct PaneFrames {
        QRectF left; // holds the collections outline view
        QRectF right; // the inner splitter: middle pane and recipe page
    };

    // What the Print menu item prints.
    enum class PrintingTarget {
        None, // another window is key
        RecipeTextView, // the recipe page
        GroceryListView, // the grocery list pane
    };

    // Leftmost position of any divider.
    static double minimumDividerPosition();
    // Rightmost position of any divider: a quarter of the split view's width, or less when the
    // middle pane and the recipe page would not keep their minimum widths beside it. The middle
    // pane's minimum is that of the device information view while a device collection is selected.
    // In a split view narrower than four source lists this lies left of the minimum position.
    static double maximumDividerPosition(
        double splitViewWidth, double innerDividerThickness, bool deviceCollectionSelected);

    // The main splitter's panes after the split view took `splitViewSize`; `oldLeftWidth` is the
    // source list pane's width before. The right pane never gets less than the recipe list and the
    // recipe page need (the source list gives way first, down to zero), the source list never less
    // than its minimum while the right side has room; otherwise the source list keeps its width.
    static PaneFrames resizeMainSplitter(
        QSizeF splitViewSize, double oldLeftWidth, double innerDividerThickness, double mainDividerThickness);
    // The outline view's size inside the resized left pane: the pane's width, and its own height
    // unless the split view is taller.
    static QSizeF outlineViewSize(const PaneFrames& frames, double outlineViewHeight);

    // The buttons of the bar along the window's bottom edge, in the bar's coordinates.
    template <typename T> struct BottomBarButtons {
        T addCollection; // under the source list
        T addRecipe; // under the middle pane while it shows the recipe list
        T addGroceryList; // in the same place while it shows the grocery lists
        T importButton; // under the recipe page
    };
    // Each button keeps its size and is centred in the bar's height. The source list's button sits at
    // the bar's left end; the others a point left of their pane's left edge, so that their left
    // border lies on the divider before it.
    static BottomBarButtons<QRectF> bottomBarFrames(
        double middlePaneX, double recipePageX, double barHeight, const BottomBarButtons<QSizeF>& sizes);

    // Title of the header above the middle pane.
    static QString tableHeaderTitle(bool groceryListsTableHidden);
    // Print follows what the user sees in the main window, and prints nothing from other windows.
    static PrintingTarget printingTarget(bool mainWindowIsKey, bool groceryListsTableHidden);
};
