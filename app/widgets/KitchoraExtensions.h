#pragma once

#include <QModelIndexList>
#include <QVariantList>
#include <functional>
#include <optional>

class QTreeView;

// Selection and the saved expanded state of outline views, over a QTreeView's column 0. Rows are
// the visible ones, from the top: an item inside a collapsed parent is no row.
namespace KitchoraExtensions
{

// A value that tells an item's object from every other in the outline and stays the same across
// runs (a URI, a name...); an empty function means the outline has none.
using UniqueValue = std::function<QVariant(const QModelIndex& item)>;

// The current item when it is selected, else the last selected row's; invalid when none is.
QModelIndex selectedItem(const QTreeView& view);
// The items of all selected rows, in row order.
QModelIndexList allSelectedItems(const QTreeView& view);
// Selects the item's row, alone or added to the selection; an item that is no row selects
// nothing (and, not extending, still clears the selection).
void selectOneItem(QTreeView& view, const QModelIndex& item, bool extendingSelection = false);

// The unique values of the expanded items that have children, in row order; nullopt when there are
// no unique values.
std::optional<QVariantList> expandedStateArray(const QTreeView& view, const UniqueValue& uniqueValue);
// Expands, for each stored value in order, every row whose unique value equals it, so a folder
// opened by an earlier value lets later values reach its children. True at once for an empty
// state, false when there are no unique values.
bool restoreExpandedStateFromArray(
    QTreeView& view, const QVariantList& state, const UniqueValue& uniqueValue);

} // namespace KitchoraExtensions
