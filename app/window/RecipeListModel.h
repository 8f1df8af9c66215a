#pragma once

#include "RecipeList.h"

#include <QAbstractTableModel>

// The recipe list's item model: one read-only "Name" column over a RecipeList, which the model
// owns. Main thread only.
class RecipeListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Shows the recipes of `collection` (nullptr: none).
    void setCollection(ManagedObject* collection);
    const RecipeList& list() const { return m_list; }
    ManagedObject* recipeAt(int row) const { return m_list.recipeAt(row); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RecipeList m_list;
};
