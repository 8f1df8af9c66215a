#include "ManualCollection.h"

#include "MutableObjectSet.h"

namespace
{
const QString kRecipesKey = QStringLiteral("recipes");
const QString kChildrenKey = QStringLiteral("children");
} // namespace

bool ManualCollection::canAdd() const
{
    if (isSearchCache() || isImportCollection())
        return false;
    return RecipeCollection::canAdd();
}

QList<ManagedObject*> ManualCollection::recipes() const
{
    return objectsForKey(kRecipesKey);
}

void ManualCollection::addRecipesObject(ManagedObject* recipe)
{
    if (recipe)
        mutableSetValueForKey(kRecipesKey).addObject(recipe);
}

void ManualCollection::removeRecipesObject(ManagedObject* recipe)
{
    if (recipe)
        mutableSetValueForKey(kRecipesKey).removeObject(recipe);
}

QString ManualCollection::summaryString() const
{
    return recipeSummary(recipes().size());
}

QVariant ManualCollection::valueForKey(const QString& key) const
{
    if (key == QLatin1String("isLeaf"))
        return isLeaf();
    if (key == kChildrenKey)
        return QVariant();
    return RecipeCollection::valueForKey(key);
}

void ManualCollection::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == kChildrenKey)
        return;
    RecipeCollection::setValueForKey(value, key);
}

QString ManualCollection::defaultCollectionImageName() const
{
    return QStringLiteral("image_collection_manual");
}
