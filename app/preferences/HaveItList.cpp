#include "HaveItList.h"

#include "BaseMOAdditions.h"
#include "FetchRequest.h"
#include "IsEmpty.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"

#include <algorithm>

namespace HaveItList
{

namespace
{

const QString kIngredient = QStringLiteral("Ingredient");
const QString kHaveIt = QStringLiteral("haveIt");
const QString kName = QStringLiteral("name");

QList<ManagedObject*> fetchIngredients(
    ManagedObjectContext* context, const std::optional<Predicate>& predicate)
{
    if (!context)
        return {};
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(kIngredient);
    if (predicate)
        request.setPredicate(*predicate);
    QList<ManagedObject*> found = context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
    found.removeIf([](ManagedObject* object) { return object->isDeleted(); });
    std::stable_sort(found.begin(), found.end(), [](ManagedObject* a, ManagedObject* b) {
        return a->valueForKey(kName).toString().compare(b->valueForKey(kName).toString(), Qt::CaseInsensitive)
            < 0;
    });
    return found;
}

} // namespace

QList<ManagedObject*> haveItIngredients(ManagedObjectContext* context)
{
    return fetchIngredients(context, Predicate::predicateWithFormat(QStringLiteral("haveIt == YES")));
}

QList<ManagedObject*> allIngredients(ManagedObjectContext* context)
{
    return fetchIngredients(context, std::nullopt);
}

ManagedObject* addIngredient(const QString& name, ManagedObjectContext* context, bool markHaveIt)
{
    const QString trimmed = name.trimmed();
    if (isEmpty(trimmed) || !context)
        return nullptr;
    ManagedObject* ingredient
        = BaseMOAdditions::findOrCreateManagedObjectForName(trimmed, kIngredient, context);
    if (!ingredient)
        return nullptr;
    if (markHaveIt)
        ingredient->setValueForKey(true, kHaveIt);
    context->processPendingChanges();
    return ingredient;
}

void removeIngredientHaveIt(ManagedObject* ingredient, ManagedObjectContext* context)
{
    if (!ingredient)
        return;
    ingredient->setValueForKey(false, kHaveIt);
    if (context)
        context->processPendingChanges();
}

} // namespace HaveItList
