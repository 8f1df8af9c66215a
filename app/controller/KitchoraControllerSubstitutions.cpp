// The substitution rules' file: read when a library is set up from scratch, written at quit.

#include "BaseMOAdditions.h"
#include "EntityDescription.h"
#include "IsEmpty.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "PropertyList.h"

namespace
{

const QString kIngredient = QStringLiteral("ingredient");
const QString kIngredientAmount = QStringLiteral("ingredientAmount");
const QString kSubstitute = QStringLiteral("substitute");
const QString kSubstituteAmount = QStringLiteral("substituteAmount");

} // namespace

void KitchoraController::readSubstitutionsFromFile(const QString& path)
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    const std::optional<QVariantList> rules = PropertyList::arrayWithContentsOfFile(path);
    if (!rules || rules->isEmpty())
        return;
    for (const QVariant& entry : *rules) {
        const QVariantMap rule = entry.toMap();
        ManagedObject* substitution
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Substitution"), context);
        if (!substitution)
            return;
        substitution->setValueForKey(
            QVariant::fromValue(BaseMOAdditions::findOrCreateManagedObjectForName(
                rule.value(kIngredient).toString(), QStringLiteral("Ingredient"), context)),
            kIngredient);
        substitution->setValueForKey(rule.value(kIngredientAmount), kIngredientAmount);
        substitution->setValueForKey(
            QVariant::fromValue(BaseMOAdditions::findOrCreateManagedObjectForName(
                rule.value(kSubstitute).toString(), QStringLiteral("Ingredient"), context)),
            kSubstitute);
        substitution->setValueForKey(rule.value(kSubstituteAmount), kSubstituteAmount);
    }
}

void KitchoraController::writeSubstitutionsToFile(const QString& path, bool atomically)
{
    Q_UNUSED(atomically); // property lists are always written whole
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    Error error;
    const std::optional<QList<ManagedObject*>> substitutions = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("Substitution")), &error);
    if (!substitutions) {
        Log::logf(QStringLiteral("%1: %2"), QStringLiteral("writeSubstitutionsToFile:atomically:"),
            error.localizedDescription);
        return;
    }
    QVariantList rules;
    for (const ManagedObject* substitution : *substitutions) {
        const ManagedObject* ingredient = substitution->objectForKey(kIngredient);
        const ManagedObject* substitute = substitution->objectForKey(kSubstitute);
        QVariantMap rule;
        rule.insert(kIngredient, ingredient ? ingredient->valueForKey(QStringLiteral("name")) : QVariant());
        rule.insert(kIngredientAmount, substitution->valueForKey(kIngredientAmount));
        rule.insert(kSubstitute, substitute ? substitute->valueForKey(QStringLiteral("name")) : QVariant());
        rule.insert(kSubstituteAmount, substitution->valueForKey(kSubstituteAmount));
        // A property list holds no null values: a missing part is left out.
        for (auto it = rule.begin(); it != rule.end();)
            it = isEmpty(it.value()) ? rule.erase(it) : std::next(it);
        rules.append(rule);
    }
    if (!rules.isEmpty())
        PropertyList::writePropertyList(rules, path, PropertyList::Format::Xml);
}
