#pragma once

#include "CollectionsTreeController.h"

#include <QAbstractItemModel>

class ManagedObject;

// The source list's item model: one column of collection names over a CollectionsTreeController,
// with each collection's icon and, for the outline helpers, the collection itself
// (CellRoles::RepresentedObjectRole, as a KeyValueCoding*). Names of user collections are
// editable in place; built-in collections are not. Resets whenever the controller rearranges.
// Main thread only.
class CollectionsTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // Not owned; must outlive the model.
    explicit CollectionsTreeModel(CollectionsTreeController& controller, QObject* parent = nullptr);

    CollectionsTreeController& treeController() const { return m_controller; }

    ManagedObject* collectionAt(const QModelIndex& index) const;
    QModelIndex indexOf(const ManagedObject* collection) const;
    QModelIndex indexForPath(const QList<int>& path) const;
    QList<int> pathOf(const QModelIndex& index) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A rename: an empty name is ignored; the tree is rearranged on the next pass, as the new
    // name may move the row.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::DropActions supportedDropActions() const override { return Qt::CopyAction | Qt::MoveAction; }

private:
    const CollectionsTreeController::Node* nodeOf(const QModelIndex& index) const;
    const std::vector<std::unique_ptr<CollectionsTreeController::Node>>& childrenOf(
        const QModelIndex& parent) const;

    CollectionsTreeController& m_controller;
    bool m_rearranging = false;
    quint64 m_rearrangements = 0;
};
