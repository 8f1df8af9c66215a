// The substitution rules' file: read when a library is set up from scratch, written at quit.

#include "BaseMOAdditions.h"
#include "EntityDescription.h"
#include "IsEmpty.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "PropertyList.h"

#include <QSet>

namespace
{

const QString kIngredient = QStringLiteral("ingredient");
const QString kIngredientAmount = QStringLiteral("ingredientAmount");
const QString kSubstitute = QStringLiteral("substitute");
const QString kSubstituteAmount = QStringLiteral("substituteAmount");
const QStringList kRuleKeys { kIngredient, kIngredientAmount, kSubstitute, kSubstituteAmount };

// One rule as the four texts of its file entry; names compare as ingredient names do.
QString ruleKey(const QStringList& values)
{
    return QStringList { values.value(0).toCaseFolded(), values.value(1).trimmed(),
        values.value(2).toCaseFolded(), values.value(3).trimmed() }
        .join(QChar(u'\x1f'));
}

QStringList ruleValues(const ManagedObject* substitution)
{
    const ManagedObject* ingredient = substitution->objectForKey(kIngredient);
    const ManagedObject* substitute = substitution->objectForKey(kSubstitute);
    return { ingredient ? ingredient->valueForKey(QStringLiteral("name")).toString() : QString(),
        substitution->valueForKey(kIngredientAmount).toString(),
        substitute ? substitute->valueForKey(QStringLiteral("name")).toString() : QString(),
        substitution->valueForKey(kSubstituteAmount).toString() };
}

// The first of the four keys without a text, or an empty string when the rule is whole.
QString missingRuleKey(const QStringList& values)
{
    for (qsizetype i = 0; i < kRuleKeys.size(); ++i) {
        if (isEmpty(values.value(i)))
            return kRuleKeys.at(i);
    }
    return QString();
}

} // namespace

void KitchoraController::readSubstitutionsFromFile(const QString& path)
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    const std::optional<QVariantList> rules = PropertyList::arrayWithContentsOfFile(path);
    if (!rules || rules->isEmpty())
        return;
    // A rule the library already holds, or one the file repeats, is not added again.
    QSet<QString> known;
    const std::optional<QList<ManagedObject*>> existing = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("Substitution")));
    for (const ManagedObject* substitution : existing.value_or(QList<ManagedObject*> {}))
        known.insert(ruleKey(ruleValues(substitution)));
    qsizetype number = 0;
    for (const QVariant& entry : *rules) {
        ++number;
        const QVariantMap rule = entry.toMap();
        QStringList values;
        for (const QString& key : kRuleKeys)
            values.append(
                rule.value(key).typeId() == QMetaType::QString ? rule.value(key).toString() : QString());
        const QString missing = missingRuleKey(values);
        if (!missing.isEmpty()) {
            Log::logf(QStringLiteral("readSubstitutionsFromFile: skipping rule %1 of %2: no \"%3\""), number,
                path, missing);
            continue;
        }
        const QString key = ruleKey(values);
        if (known.contains(key))
            continue;
        known.insert(key);
        ManagedObject* substitution
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Substitution"), context);
        if (!substitution)
            return;
        substitution->setValueForKey(QVariant::fromValue(BaseMOAdditions::findOrCreateManagedObjectForName(
                                         values.at(0), QStringLiteral("Ingredient"), context)),
            kIngredient);
        substitution->setValueForKey(values.at(1), kIngredientAmount);
        substitution->setValueForKey(QVariant::fromValue(BaseMOAdditions::findOrCreateManagedObjectForName(
                                         values.at(2), QStringLiteral("Ingredient"), context)),
            kSubstitute);
        substitution->setValueForKey(values.at(3), kSubstituteAmount);
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
        const QStringList values = ruleValues(substitution);
        const QString missing = missingRuleKey(values);
        if (!missing.isEmpty()) {
            // Read back, a partial entry would name an ingredient without a name.
            Log::logf(QStringLiteral("writeSubstitutionsToFile:atomically: skipping a rule without \"%1\""),
                missing);
            continue;
        }
        QVariantMap rule;
        for (qsizetype i = 0; i < kRuleKeys.size(); ++i)
            rule.insert(kRuleKeys.at(i), values.at(i));
        rules.append(rule);
    }
    // Written even when empty: rules the user deleted must not come back with the next new library.
    PropertyList::writePropertyList(rules, path, PropertyList::Format::Xml);
}
