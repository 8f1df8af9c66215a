#pragma once

#include "ArrangedObjectsModel.h"
#include "RecipeArrayController.h"

class QMimeData;

// The recipe list's item model over its RecipeArrayController: the name, the rating (stars the
// user sets), category, cuisine and times cooked, plus the date column the source list adds for
// Recent Imports and Recently Cooked. Recipes are dragged out as their object URIs.
class RecipeListModel : public ArrangedObjectsModel
{
    Q_OBJECT

public:
    static inline const QString nameColumn = QStringLiteral("nameCID");
    static inline const QString ratingColumn = QStringLiteral("ratingCID");
    static inline const QString categoryColumn = QStringLiteral("categoryCID");
    static inline const QString cuisineColumn = QStringLiteral("cuisineCID");
    static inline const QString cookCountColumn = QStringLiteral("cookCountCID");

    explicit RecipeListModel(RecipeArrayController& controller, QObject* parent = nullptr);

    RecipeArrayController& recipes() const { return m_recipes; }
    ManagedObject* recipeAt(int row) const { return m_recipes.recipeAt(row); }

    static QList<Column> defaultColumns();

    QStringList mimeTypes() const override;
    // RecipeURIDataPboardType with the rows' recipes; a single recipe also as its URL.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::CopyAction | Qt::LinkAction; }

private:
    RecipeArrayController& m_recipes;
};
