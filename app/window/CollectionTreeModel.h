#pragma once

#include "CollectionTree.h"

#include <QAbstractItemModel>

// The source list's item model: one read-only column of collection names over a CollectionTree.
// The model owns the tree; reload() reads the context again. Main thread only.
class CollectionTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    using QAbstractItemModel::QAbstractItemModel;

    // nullptr empties the list.
    void reload(ManagedObjectContext* context);
    const CollectionTree& tree() const { return m_tree; }

    ManagedObject* collectionAt(const QModelIndex& index) const;
    QModelIndex indexOf(const ManagedObject* collection) const;
    QModelIndex indexForPath(const QList<int>& path) const;
    QList<int> pathOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const CollectionTree::Node* nodeOf(const QModelIndex& index) const;
    const std::vector<std::unique_ptr<CollectionTree::Node>>& childrenOf(const QModelIndex& parent) const;

    CollectionTree m_tree;
};
