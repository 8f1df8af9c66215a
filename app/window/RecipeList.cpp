#include "RecipeList.h"

#include "ManualCollection.h"
#include "SmartCollection.h"
#include "SortDescriptor.h"

#include <algorithm>

void RecipeList::setCollection(ManagedObject* collection)
{
    m_collection = collection;
    QList<ManagedObject*> recipes;
    for (ManagedObject* recipe : recipesOf(collection)) {
        if (recipe && !recipe->isDeleted())
            recipes.append(recipe);
    }
    m_recipes = sortedByName(std::move(recipes));
}

ManagedObject* RecipeList::recipeAt(qsizetype row) const
{
    return row >= 0 && row < m_recipes.size() ? m_recipes.at(row) : nullptr;
}

QList<ManagedObject*> RecipeList::recipesOf(ManagedObject* collection)
{
    if (!collection || collection->isDeleted())
        return {};
    if (const auto* smart = dynamic_cast<const SmartCollection*>(collection))
        return smart->recipes();
    if (const auto* manual = dynamic_cast<const ManualCollection*>(collection))
        return manual->recipes();
    // A folder holds collections, not recipes.
    return {};
}

QList<ManagedObject*> RecipeList::sortedByName(QList<ManagedObject*> recipes)
{
    const SortDescriptor byName(QStringLiteral("name"));
    std::stable_sort(recipes.begin(), recipes.end(), [&](const ManagedObject* a, const ManagedObject* b) {
        return SortDescriptor::compareValues(
                   a->valueForKey(byName.key()), b->valueForKey(byName.key()), byName.selector())
            < 0;
    });
    return recipes;
}
