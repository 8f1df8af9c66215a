#pragma once

#include "SortDescriptor.h"

#include <QList>
#include <QString>

// The recipe table as the source list sees it: the extra date column its selection chooses
// (Recent Imports shows when recipes were added, Recently Cooked when they were cooked) and the
// table's sort order, saved while such a column is shown. The recipe list implements it and
// hands it to CollectionsController::setRecipeTableColumns.
class RecipeTableColumns
{
public:
    virtual ~RecipeTableColumns() = default;

    virtual bool hasColumn(const QString& identifier) const = 0;
    // A date column 66 points wide, not editable, resizable, titled `title`, showing each
    // recipe's `key` and sorting by it, newest first.
    virtual void addDateColumn(const QString& identifier, const QString& title, const QString& key) = 0;
    virtual void removeColumn(const QString& identifier) = 0;
    virtual QList<SortDescriptor> sortDescriptors() const = 0;
    virtual void setSortDescriptors(const QList<SortDescriptor>& sortDescriptors) = 0;
};

inline const QString KRDateAddedColumnIdentifier = QStringLiteral("dateAddedCID");
inline const QString KRDateCookedColumnIdentifier = QStringLiteral("dateCookedCID");
