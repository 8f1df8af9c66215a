#pragma once

#include <QList>
#include <QModelIndexList>
#include <QVariantList>
#include <optional>

class QAbstractItemModel;

// Between model objects, outline items (column-0 indexes of a tree model) and index paths (the
// rows from the top level down). An item's object is its CellRoles::RepresentedObjectRole.
namespace MyExtensions
{

QVariant objectForOutlineItem(const QModelIndex& item);
QVariantList objectsForOutlineItems(const QModelIndexList& items);
QList<int> arrangedIndexPathForOutlineItem(const QModelIndex& item);

// The path of the first item, top-level items first and then depth first under each, whose object
// equals `object`; nullopt (and a log line) when there is none.
std::optional<QList<int>> arrangedIndexPathForObject(const QAbstractItemModel& model, const QVariant& object);
QModelIndex outlineItemForObject(const QAbstractItemModel& model, const QVariant& object);
// Invalid when the path leads nowhere.
QModelIndex outlineItemForArrangedIndexPath(const QAbstractItemModel& model, const QList<int>& path);
// The objects of the item at `path` and all its siblings, in order; none when the path leads
// nowhere.
QVariantList siblingObjectsAtArrangedIndexPath(const QAbstractItemModel& model, const QList<int>& path);

// Every descendant of `item` (the invalid index: of the whole model) in pre-order: each child
// followed at once by its own descendants.
QModelIndexList childrenByDepthFirstSearch(const QAbstractItemModel& model, const QModelIndex& item);
inline QModelIndexList childOutlineItemsByDepthFirstSearchUnderItem(
    const QAbstractItemModel& model, const QModelIndex& item)
{
    return childrenByDepthFirstSearch(model, item);
}

// The last row of a path; -1 for the empty path.
inline int lastIndex(const QList<int>& path)
{
    return path.isEmpty() ? -1 : path.last();
}

} // namespace MyExtensions
