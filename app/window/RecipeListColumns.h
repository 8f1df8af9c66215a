#pragma once

#include "RecipeTableColumns.h"

class RecipeListModel;

// The recipe list's columns and sort order as the source list changes them.
class RecipeListColumns : public RecipeTableColumns
{
public:
    explicit RecipeListColumns(RecipeListModel& model)
        : m_model(model)
    {
    }

    bool hasColumn(const QString& identifier) const override;
    void addDateColumn(const QString& identifier, const QString& title, const QString& key) override;
    void removeColumn(const QString& identifier) override;
    QList<SortDescriptor> sortDescriptors() const override;
    void setSortDescriptors(const QList<SortDescriptor>& sortDescriptors) override;

private:
    RecipeListModel& m_model;
};
