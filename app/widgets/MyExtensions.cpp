#include "MyExtensions.h"

#include "CellRoles.h"
#include "Log.h"

#include <QAbstractItemModel>

namespace
{

void appendDescendants(const QAbstractItemModel& model, const QModelIndex& parent, QModelIndexList& into)
{
    const int rows = model.rowCount(parent);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        into.append(child);
        appendDescendants(model, child, into);
    }
}

} // namespace

namespace MyExtensions
{

QVariant objectForOutlineItem(const QModelIndex& item)
{
    return item.data(CellRoles::RepresentedObjectRole);
}

QVariantList objectsForOutlineItems(const QModelIndexList& items)
{
    QVariantList objects;
    for (const QModelIndex& item : items)
        objects.append(objectForOutlineItem(item));
    return objects;
}

QList<int> arrangedIndexPathForOutlineItem(const QModelIndex& item)
{
    QList<int> path;
    for (QModelIndex at = item; at.isValid(); at = at.parent())
        path.prepend(at.row());
    return path;
}

std::optional<QList<int>> arrangedIndexPathForObject(const QAbstractItemModel& model, const QVariant& object)
{
    const int rows = model.rowCount();
    for (int row = 0; row < rows; ++row) {
        const QModelIndex top = model.index(row, 0);
        if (objectForOutlineItem(top) == object)
            return arrangedIndexPathForOutlineItem(top);
        for (const QModelIndex& descendant : childrenByDepthFirstSearch(model, top)) {
            if (objectForOutlineItem(descendant) == object)
                return arrangedIndexPathForOutlineItem(descendant);
        }
    }
    Log::log(QStringLiteral("unable to determine indexPath for object"));
    return std::nullopt;
}

QModelIndex outlineItemForObject(const QAbstractItemModel& model, const QVariant& object)
{
    const std::optional<QList<int>> path = arrangedIndexPathForObject(model, object);
    return path ? outlineItemForArrangedIndexPath(model, *path) : QModelIndex();
}

QModelIndex outlineItemForArrangedIndexPath(const QAbstractItemModel& model, const QList<int>& path)
{
    QModelIndex item;
    for (int row : path) {
        if (row < 0 || row >= model.rowCount(item))
            return QModelIndex();
        item = model.index(row, 0, item);
    }
    return item;
}

QVariantList siblingObjectsAtArrangedIndexPath(const QAbstractItemModel& model, const QList<int>& path)
{
    const QModelIndex item = outlineItemForArrangedIndexPath(model, path);
    if (!item.isValid())
        return {};
    QVariantList objects;
    const QModelIndex parent = item.parent();
    const int rows = model.rowCount(parent);
    for (int row = 0; row < rows; ++row)
        objects.append(objectForOutlineItem(model.index(row, 0, parent)));
    return objects;
}

QModelIndexList childrenByDepthFirstSearch(const QAbstractItemModel& model, const QModelIndex& item)
{
    QModelIndexList descendants;
    appendDescendants(model, item, descendants);
    return descendants;
}

} // namespace MyExtensions
