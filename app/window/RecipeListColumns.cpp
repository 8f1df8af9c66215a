#include "RecipeListColumns.h"

#include "RecipeListModel.h"

bool RecipeListColumns::hasColumn(const QString& identifier) const
{
    return m_model.columnWithIdentifier(identifier) >= 0;
}

void RecipeListColumns::addDateColumn(const QString& identifier, const QString& title, const QString& key)
{
    if (hasColumn(identifier))
        return;
    ArrangedObjectsModel::Column column;
    column.identifier = identifier;
    column.title = title;
    column.keyPath = key;
    column.sortDescriptorPrototype = SortDescriptor(key, false);
    column.kind = ArrangedObjectsModel::CellKind::Date;
    column.width = 66;
    m_model.addColumn(column);
}

void RecipeListColumns::removeColumn(const QString& identifier)
{
    m_model.removeColumn(identifier);
}

QList<SortDescriptor> RecipeListColumns::sortDescriptors() const
{
    return m_model.recipes().sortDescriptors();
}

void RecipeListColumns::setSortDescriptors(const QList<SortDescriptor>& sortDescriptors)
{
    m_model.recipes().setSortDescriptors(sortDescriptors);
}
