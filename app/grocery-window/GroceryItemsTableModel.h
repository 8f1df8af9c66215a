#pragma once

#include "ArrangedObjectsModel.h"

class GroceryListController;

// The item table's rows, one per item of the selected list: a check box for "have it", the
// amount and the item's name, all edited in place; edits go to the list through the controller.
// Rows are dragged as the item controller writes them.
class GroceryItemsTableModel : public ArrangedObjectsModel
{
    Q_OBJECT

public:
    enum ColumnIndex { HaveItColumn, AmountColumn, NameColumn };

    explicit GroceryItemsTableModel(GroceryListController& controller, QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

private:
    GroceryListController& m_controller;
};
