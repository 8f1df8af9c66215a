#pragma once

#include "ArrangedObjectsModel.h"

class GroceryListController;

// The lists table's rows: each list's name (edited in place) and date. Rows are dragged as the
// lists controller writes them: their indexes for a move within the table, their property lists
// for a copy or for a device in the source list.
class GroceryListsTableModel : public ArrangedObjectsModel
{
    Q_OBJECT

public:
    explicit GroceryListsTableModel(GroceryListController& controller, QObject* parent = nullptr);

    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;

protected:
    bool setValue(const QVariant& object, const Column& column, const QVariant& value) override;

private:
    GroceryListController& m_controller;
};
