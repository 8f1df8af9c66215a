#include "RecipeListModel.h"

#include "ManagedObject.h"
#include "RecipePasteboard.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QSet>
#include <algorithm>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("Kitchora", english);
}

} // namespace

RecipeListModel::RecipeListModel(RecipeArrayController& controller, QObject* parent)
    : ArrangedObjectsModel(controller, parent)
    , m_recipes(controller)
{
    setColumns(defaultColumns());
}

QList<ArrangedObjectsModel::Column> RecipeListModel::defaultColumns()
{
    return {
        { nameColumn, localized("Name"), QStringLiteral("name"), QStringLiteral("name"),
            SortDescriptor(QStringLiteral("name")), CellKind::Text, 220 },
        { ratingColumn, localized("Rating"), QStringLiteral("rating"), QStringLiteral("rating"),
            SortDescriptor(QStringLiteral("rating"), false), CellKind::Rating, 80 },
        { categoryColumn, localized("Category"), QStringLiteral("category.name"), QStringLiteral("category"),
            SortDescriptor(QStringLiteral("category.name")), CellKind::Text, 110 },
        { cuisineColumn, localized("Cuisine"), QStringLiteral("cuisine.name"), QStringLiteral("cuisine"),
            SortDescriptor(QStringLiteral("cuisine.name")), CellKind::Text, 110 },
        { cookCountColumn, localized("Cooked"), QStringLiteral("cookCount"), QString(),
            SortDescriptor(QStringLiteral("cookCount"), false), CellKind::Number, 60 },
    };
}

QStringList RecipeListModel::mimeTypes() const
{
    return { RecipePasteboard::recipeURIsMimeType, RecipePasteboard::urlMimeType };
}

QMimeData* RecipeListModel::mimeData(const QModelIndexList& indexes) const
{
    QList<int> rows;
    for (const QModelIndex& index : indexes)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    QList<QUrl> uris;
    for (int row : rows) {
        const ManagedObject* recipe = m_recipes.recipeAt(row);
        if (recipe)
            uris.append(recipe->objectID().URIRepresentation());
    }
    if (uris.isEmpty())
        return nullptr;
    auto* data = new QMimeData;
    RecipePasteboard::writeRecipeURIs(*data, uris);
    if (uris.size() == 1)
        RecipePasteboard::writeURL(*data, uris.first());
    return data;
}
