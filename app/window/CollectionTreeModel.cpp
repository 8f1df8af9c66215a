#include "CollectionTreeModel.h"

#include <QCoreApplication>

void CollectionTreeModel::reload(ManagedObjectContext* context)
{
    beginResetModel();
    m_tree.rebuild(context);
    endResetModel();
}

const CollectionTree::Node* CollectionTreeModel::nodeOf(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<const CollectionTree::Node*>(index.internalPointer()) : nullptr;
}

const std::vector<std::unique_ptr<CollectionTree::Node>>& CollectionTreeModel::childrenOf(
    const QModelIndex& parent) const
{
    const CollectionTree::Node* node = nodeOf(parent);
    return node ? node->children : m_tree.roots();
}

ManagedObject* CollectionTreeModel::collectionAt(const QModelIndex& index) const
{
    const CollectionTree::Node* node = nodeOf(index);
    return node ? node->collection : nullptr;
}

QModelIndex CollectionTreeModel::indexOf(const ManagedObject* collection) const
{
    return indexForPath(m_tree.pathOf(collection));
}

QModelIndex CollectionTreeModel::indexForPath(const QList<int>& path) const
{
    QModelIndex index;
    for (int row : path) {
        index = this->index(row, 0, index);
        if (!index.isValid())
            return {};
    }
    return index;
}

QList<int> CollectionTreeModel::pathOf(const QModelIndex& index) const
{
    QList<int> path;
    for (const CollectionTree::Node* node = nodeOf(index); node; node = node->parent)
        path.prepend(node->row);
    return path;
}

QModelIndex CollectionTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const auto& children = childrenOf(parent);
    if (column != 0 || row < 0 || std::size_t(row) >= children.size())
        return {};
    return createIndex(row, column, children[std::size_t(row)].get());
}

QModelIndex CollectionTreeModel::parent(const QModelIndex& child) const
{
    const CollectionTree::Node* node = nodeOf(child);
    if (!node || !node->parent)
        return {};
    return createIndex(node->parent->row, 0, node->parent);
}

int CollectionTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() && parent.column() != 0)
        return 0;
    return int(childrenOf(parent).size());
}

int CollectionTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

QVariant CollectionTreeModel::data(const QModelIndex& index, int role) const
{
    const CollectionTree::Node* node = nodeOf(index);
    if (!node || role != Qt::DisplayRole)
        return {};
    return node->name;
}

QVariant CollectionTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return QCoreApplication::translate("CollectionTreeModel", "Collections");
}
