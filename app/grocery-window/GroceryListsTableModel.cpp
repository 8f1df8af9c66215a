#include "GroceryListsTableModel.h"

#include "GroceryListController.h"
#include "RecipePasteboard.h"

#include <QMimeData>

GroceryListsTableModel::GroceryListsTableModel(GroceryListController& controller, QObject* parent)
    : ArrangedObjectsModel(controller.listsArrayController(), parent)
    , m_controller(controller)
{
    Column name;
    name.identifier = QStringLiteral("groceryListNameCID");
    name.title = tr("Name");
    name.keyPath = QStringLiteral("name");
    name.editKey = QStringLiteral("name");
    Column date;
    date.identifier = QStringLiteral("groceryListDateCID");
    date.title = tr("Date");
    date.keyPath = QStringLiteral("date");
    date.kind = CellKind::Date;
    setColumns({ name, date });
}

QStringList GroceryListsTableModel::mimeTypes() const
{
    return { RecipePasteboard::movedRowsMimeType, RecipePasteboard::copiedRowsMimeType };
}

QMimeData* GroceryListsTableModel::mimeData(const QModelIndexList& indexes) const
{
    QList<qsizetype> rows;
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    auto* data = new QMimeData;
    m_controller.listsArrayController().writeRows(rows, *data);
    return data;
}

Qt::DropActions GroceryListsTableModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

Qt::DropActions GroceryListsTableModel::supportedDropActions() const
{
    return Qt::CopyAction | Qt::MoveAction;
}

bool GroceryListsTableModel::setValue(const QVariant& object, const Column& column, const QVariant& value)
{
    GroceryList* list = object.value<GroceryListPtr>().data();
    if (!list || column.editKey != QLatin1String("name"))
        return false;
    list->setName(value.toString());
    return true;
}
