#include "RecipeListModel.h"

#include "ManagedObject.h"

#include <QCoreApplication>

void RecipeListModel::setCollection(ManagedObject* collection)
{
    beginResetModel();
    m_list.setCollection(collection);
    endResetModel();
}

int RecipeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_list.count());
}

int RecipeListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 1;
}

QVariant RecipeListModel::data(const QModelIndex& index, int role) const
{
    const ManagedObject* recipe
        = index.isValid() && index.column() == 0 ? m_list.recipeAt(index.row()) : nullptr;
    if (!recipe || role != Qt::DisplayRole)
        return {};
    return recipe->valueForKey(QStringLiteral("name")).toString();
}

QVariant RecipeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (section != 0 || orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return QCoreApplication::translate("RecipeListModel", "Name");
}
