#include "ArrangedObjectsModel.h"

#include "CellRoles.h"
#include "ManagedObject.h"

ArrangedObjectsModel::ArrangedObjectsModel(ArrayController& controller, QObject* parent)
    : QAbstractTableModel(parent)
    , m_controller(controller)
{
    m_observer = m_controller.addObserver([this](ArrayController::Change change) {
        if (change == ArrayController::Change::Arrangement) {
            beginResetModel();
            endResetModel();
        }
        // A reset drops the view's selection: the controller's is given back in both cases.
        emit controllerSelectionChanged();
    });
}

ArrangedObjectsModel::~ArrangedObjectsModel()
{
    m_controller.removeObserver(m_observer);
}

void ArrangedObjectsModel::setColumns(const QList<Column>& columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
    emit controllerSelectionChanged();
}

void ArrangedObjectsModel::addColumn(const Column& column)
{
    beginInsertColumns({}, int(m_columns.size()), int(m_columns.size()));
    m_columns.append(column);
    endInsertColumns();
}

bool ArrangedObjectsModel::removeColumn(const QString& identifier)
{
    const int column = columnWithIdentifier(identifier);
    if (column < 0)
        return false;
    beginRemoveColumns({}, column, column);
    m_columns.removeAt(column);
    endRemoveColumns();
    return true;
}

int ArrangedObjectsModel::columnWithIdentifier(const QString& identifier) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).identifier == identifier)
            return i;
    }
    return -1;
}

int ArrangedObjectsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_controller.count());
}

int ArrangedObjectsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ArrangedObjectsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= m_columns.size())
        return {};
    const QVariant object = m_controller.objectAt(index.row());
    if (!object.isValid())
        return {};
    if (role == CellRoles::RepresentedObjectRole)
        return object;
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const Column& column = m_columns.at(index.column());
    QVariant value = m_controller.valueAt(object, column.keyPath);
    if (column.kind == CellKind::Text && role == Qt::DisplayRole && !value.isNull())
        return value.toString();
    return value;
}

bool ArrangedObjectsModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || role != Qt::EditRole || index.column() >= m_columns.size())
        return false;
    const Column& column = m_columns.at(index.column());
    const QVariant object = m_controller.objectAt(index.row());
    if (column.editKey.isEmpty() || !object.isValid() || !setValue(object, column, value))
        return false;
    emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount() - 1));
    return true;
}

bool ArrangedObjectsModel::setValue(const QVariant& object, const Column& column, const QVariant& value)
{
    auto* managed = object.value<ManagedObject*>();
    if (!managed)
        return false;
    managed->setValueForKey(value, column.editKey);
    return true;
}

Qt::ItemFlags ArrangedObjectsModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid())
        return flags;
    flags |= Qt::ItemIsDragEnabled;
    if (index.column() < m_columns.size() && !m_columns.at(index.column()).editKey.isEmpty())
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant ArrangedObjectsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).title;
    return {};
}

void ArrangedObjectsModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= m_columns.size())
        return;
    const SortDescriptor& prototype = m_columns.at(column).sortDescriptorPrototype;
    if (prototype.key().isEmpty())
        return;
    const SortDescriptor first(prototype.key(), order == Qt::AscendingOrder, prototype.selector());
    QList<SortDescriptor> descriptors { first };
    for (const SortDescriptor& descriptor : m_controller.sortDescriptors()) {
        if (descriptor.key() != first.key())
            descriptors.append(descriptor);
    }
    m_controller.setSortDescriptors(descriptors);
}
