#include "GroceryItemsTableModel.h"

#include "GroceryListController.h"
#include "RecipePasteboard.h"

#include <QMimeData>

GroceryItemsTableModel::GroceryItemsTableModel(GroceryListController& controller, QObject* parent)
    : ArrangedObjectsModel(controller.itemArrayController(), parent)
    , m_controller(controller)
{
    Column haveIt;
    haveIt.identifier = QStringLiteral("itemsTableHaveItCID");
    haveIt.keyPath = QStringLiteral("haveit");
    haveIt.editKey = QStringLiteral("haveit");
    haveIt.width = 24;
    Column amount;
    amount.identifier = QStringLiteral("itemsTableAmountCID");
    amount.title = tr("Amount");
    amount.keyPath = QStringLiteral("amount");
    amount.editKey = QStringLiteral("amount");
    amount.width = 110;
    Column name;
    name.identifier = QStringLiteral("itemsTableItemNameCID");
    name.title = tr("Item");
    name.keyPath = QStringLiteral("name");
    name.editKey = QStringLiteral("name");
    setColumns({ haveIt, amount, name });
}

QVariant GroceryItemsTableModel::data(const QModelIndex& index, int role) const
{
    if (index.isValid() && index.column() == HaveItColumn) {
        if (role != Qt::CheckStateRole)
            return {};
        const bool haveIt = ArrangedObjectsModel::data(index, Qt::EditRole).toBool();
        return haveIt ? Qt::Checked : Qt::Unchecked;
    }
    return ArrangedObjectsModel::data(index, role);
}

bool GroceryItemsTableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() >= columns().size())
        return false;
    const Column& column = columns().at(index.column());
    QVariant stored = value;
    if (index.column() == HaveItColumn) {
        if (role != Qt::CheckStateRole)
            return false;
        stored = value.toInt() == Qt::Checked;
    } else if (role != Qt::EditRole) {
        return false;
    }
    // The list announces the change and the item controller shows it again.
    m_controller.setValueForItemAtIndex(index.row(), column.editKey, stored);
    return true;
}

Qt::ItemFlags GroceryItemsTableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = ArrangedObjectsModel::flags(index);
    if (index.isValid() && index.column() == HaveItColumn)
        flags = (flags & ~Qt::ItemIsEditable) | Qt::ItemIsUserCheckable;
    return flags;
}

QStringList GroceryItemsTableModel::mimeTypes() const
{
    return { RecipePasteboard::movedRowsMimeType, RecipePasteboard::copiedRowsMimeType };
}

QMimeData* GroceryItemsTableModel::mimeData(const QModelIndexList& indexes) const
{
    QList<qsizetype> rows;
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    auto* data = new QMimeData;
    m_controller.itemArrayController().writeRows(rows, *data);
    return data;
}

Qt::DropActions GroceryItemsTableModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions GroceryItemsTableModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}
