#include "RecipeList.h"

#include "FetchRequest.h"
#include "ManagedObjectContext.h"
#include "ManualCollection.h"
#include "SmartCollection.h"
#include "SortDescriptor.h"

#include <algorithm>
#include <utility>

namespace
{

// From this many recipes still to be read from the store, one fetch of the collection's recipes
// reads them all at once rather than one query each as the list sorts them by name.
constexpr qsizetype kBatchFaultThreshold = 64;

void readFaultsOfCollection(ManagedObject* collection, const QList<ManagedObject*>& recipes)
{
    ManagedObjectContext* context = collection->managedObjectContext();
    if (!context || !dynamic_cast<const ManualCollection*>(collection))
        return;
    const auto faults = std::count_if(
        recipes.begin(), recipes.end(), [](const ManagedObject* recipe) { return recipe->isFault(); });
    if (faults < kBatchFaultThreshold)
        return;
    const std::optional<Predicate> predicate = Predicate::predicateWithFormat(
        QStringLiteral("ANY collections == %@"), { QVariant::fromValue<KeyValueCoding*>(collection) });
    if (!predicate)
        return;
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    request.setPredicate(*predicate);
    // Only the reading matters: a failure leaves the faults to be read one by one.
    context->executeFetchRequest(request);
}

} // namespace

void RecipeList::setCollection(ManagedObject* collection)
{
    m_collection = collection;
    QList<ManagedObject*> recipes;
    const QList<ManagedObject*> held = recipesOf(collection);
    if (collection)
        readFaultsOfCollection(collection, held);
    for (ManagedObject* recipe : held) {
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
    // Each name read once, not once per comparison.
    const SortDescriptor byName(QStringLiteral("name"));
    QList<std::pair<QVariant, ManagedObject*>> keyed;
    keyed.reserve(recipes.size());
    for (ManagedObject* recipe : recipes)
        keyed.append({ recipe->valueForKey(byName.key()), recipe });
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        return SortDescriptor::compareValues(a.first, b.first, byName.selector()) < 0;
    });
    for (qsizetype i = 0; i < keyed.size(); ++i)
        recipes[i] = keyed[i].second;
    return recipes;
}
