#include "KitchoraExtensions.h"

#include "IsEmpty.h"

#include <QItemSelectionModel>
#include <QTreeView>

namespace
{

QModelIndex firstRow(const QTreeView& view)
{
    const QAbstractItemModel* model = view.model();
    if (!model || model->rowCount(view.rootIndex()) == 0)
        return QModelIndex();
    return model->index(0, 0, view.rootIndex());
}

// Whether the item shows as a row: every parent up to the root is expanded.
bool isRow(const QTreeView& view, const QModelIndex& item)
{
    if (!item.isValid() || item.model() != view.model())
        return false;
    for (QModelIndex parent = item.parent(); parent != view.rootIndex(); parent = parent.parent()) {
        if (!parent.isValid() || !view.isExpanded(parent))
            return false;
    }
    return true;
}

template <typename Visit> void forEachRow(const QTreeView& view, Visit visit)
{
    for (QModelIndex row = firstRow(view); row.isValid(); row = view.indexBelow(row))
        visit(row.siblingAtColumn(0));
}

} // namespace

namespace KitchoraExtensions
{

QModelIndex selectedItem(const QTreeView& view)
{
    const QItemSelectionModel* selection = view.selectionModel();
    if (!selection)
        return QModelIndex();
    const QModelIndex current = selection->currentIndex();
    if (isRow(view, current) && selection->isSelected(current))
        return current.siblingAtColumn(0);
    const QModelIndexList all = allSelectedItems(view);
    return all.isEmpty() ? QModelIndex() : all.last();
}

QModelIndexList allSelectedItems(const QTreeView& view)
{
    QModelIndexList items;
    const QItemSelectionModel* selection = view.selectionModel();
    if (!selection || !selection->hasSelection())
        return items;
    forEachRow(view, [&](const QModelIndex& row) {
        if (selection->isRowSelected(row.row(), row.parent()) || selection->isSelected(row))
            items.append(row);
    });
    return items;
}

void selectOneItem(QTreeView& view, const QModelIndex& item, bool extendingSelection)
{
    QItemSelectionModel* selection = view.selectionModel();
    if (!selection)
        return;
    if (!isRow(view, item)) {
        if (!extendingSelection)
            selection->clearSelection();
        return;
    }
    const auto how = extendingSelection ? QItemSelectionModel::Select : QItemSelectionModel::ClearAndSelect;
    selection->setCurrentIndex(item.siblingAtColumn(0), how | QItemSelectionModel::Rows);
}

std::optional<QVariantList> expandedStateArray(const QTreeView& view, const UniqueValue& uniqueValue)
{
    if (!uniqueValue)
        return std::nullopt;
    QVariantList state;
    // A row without children has nothing to open, whatever the view remembers of it.
    forEachRow(view, [&](const QModelIndex& row) {
        if (view.isExpanded(row) && view.model()->hasChildren(row))
            state.append(uniqueValue(row));
    });
    return state;
}

bool restoreExpandedStateFromArray(QTreeView& view, const QVariantList& state, const UniqueValue& uniqueValue)
{
    if (isEmpty(QVariant(state)))
        return true;
    if (!uniqueValue)
        return false;
    for (const QVariant& value : state) {
        // Rows below an expanded one appear at once, so this walk reaches them too.
        for (QModelIndex row = firstRow(view); row.isValid(); row = view.indexBelow(row)) {
            if (uniqueValue(row.siblingAtColumn(0)) == value)
                view.expand(row.siblingAtColumn(0));
        }
    }
    return true;
}

} // namespace KitchoraExtensions
