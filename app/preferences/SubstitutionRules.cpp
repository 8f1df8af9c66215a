#include "SubstitutionRules.h"

#include "EntityDescription.h"
#include "KRTrieBucket.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ParsingEngine.h"
#include "PersistentStoreCoordinator.h"

#include <QRegularExpression>
#include <algorithm>

namespace SubstitutionRules
{

namespace
{

const QString kIngredient = QStringLiteral("ingredient");
const QString kSubstitute = QStringLiteral("substitute");
const QString kIngredientAmount = QStringLiteral("ingredientAmount");
const QString kSubstituteAmount = QStringLiteral("substituteAmount");

bool isMeasureTrimmed(QChar c)
{
    return c.isSpace() || c.category() == QChar::Number_DecimalDigit || c.isSymbol();
}

QString nameOf(const ManagedObject* rule, const QString& key)
{
    const QVariant value = rule->valueForKey(key);
    const KeyValueCoding* object = KeyValueCoding::fromVariant(value);
    return object ? object->valueForKey(QStringLiteral("name")).toString() : QString();
}

} // namespace

QString roleForBox(Box box, int directionTag)
{
    if (box == Box::Other)
        return {};
    const bool topIsIngredient = directionTag == kTopIsIngredient;
    return (box == Box::Top) == topIsIngredient ? kIngredient : kSubstitute;
}

ManagedObject* ingredientForURL(const QUrl& url, ManagedObjectContext* context)
{
    if (!context || !url.isValid() || !context->persistentStoreCoordinator())
        return nullptr;
    const ManagedObjectID id
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(url);
    if (id.isNull() || !id.entity() || id.entity()->name() != QStringLiteral("Ingredient"))
        return nullptr;
    ManagedObject* object = context->existingObjectWithID(id);
    return object && !object->isDeleted() ? object : nullptr;
}

bool dropIngredient(
    Box box, int directionTag, const QUrl& url, ManagedObject* rule, ManagedObjectContext* context)
{
    const QString role = roleForBox(box, directionTag);
    if (role.isEmpty() || !rule)
        return false;
    ManagedObject* ingredient = ingredientForURL(url, context);
    if (!ingredient)
        return false;
    rule->setValueForKey(QVariant::fromValue<ManagedObject*>(ingredient), role);
    return true;
}

void invert(ManagedObject* rule)
{
    if (!rule)
        return;
    const QVariant ingredient = rule->valueForKey(kIngredient);
    const QVariant substitute = rule->valueForKey(kSubstitute);
    rule->setValueForKey(substitute, kIngredient);
    rule->setValueForKey(ingredient, kSubstitute);
    const QVariant ingredientAmount = rule->valueForKey(kIngredientAmount);
    const QVariant substituteAmount = rule->valueForKey(kSubstituteAmount);
    rule->setValueForKey(substituteAmount, kIngredientAmount);
    rule->setValueForKey(ingredientAmount, kSubstituteAmount);
}

QString displayPattern(int directionTag)
{
    return directionTag != 0 ? QStringLiteral("%{value1}@ with %{value2}@")
                             : QStringLiteral("%{value2}@ for %{value1}@");
}

QString describe(const ManagedObject* rule, int directionTag)
{
    if (!rule)
        return {};
    QString text = displayPattern(directionTag);
    text.replace(QStringLiteral("%{value1}@"), nameOf(rule, kIngredient));
    text.replace(QStringLiteral("%{value2}@"), nameOf(rule, kSubstitute));
    return text;
}

QString stripToMeasure(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isMeasureTrimmed(text.at(start)))
        ++start;
    while (end > start && isMeasureTrimmed(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QStringList measureItems(const QString& text, const QStringList& completions)
{
    if (completions.isEmpty())
        return {};
    QStringList items;
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && !text.at(start).isDigit())
        ++start;
    while (end > start && !text.at(end - 1).isDigit())
        --end;
    const QString number = text.mid(start, end - start);
    if (!number.isEmpty())
        items.append(number);
    const QString measure = stripToMeasure(text);
    // The typed text is taken literally: "(" or "*" in it is no pattern.
    const QRegularExpression pattern(QRegularExpression::escape(measure));
    const QRegularExpressionMatch match = pattern.match(text);
    for (const QString& completion : completions) {
        QString item = text;
        if (match.hasMatch() && !measure.isEmpty())
            item.replace(match.capturedStart(), match.capturedLength(), completion);
        items.append(item);
    }
    return items;
}

QStringList measureCompletions(const QString& text)
{
    const QString measure = stripToMeasure(text);
    if (measure.isEmpty())
        return {};
    QStringList values;
    for (OFTrieBucket* bucket :
        ParsingEngine::defaultParsingEngine().measureTrie().completionsFromString(measure)) {
        if (const auto* held = dynamic_cast<const KRTrieBucket*>(bucket))
            values.append(held->objectValue().toString());
    }
    return values;
}

QString completedString(const QString& text, QStringList completions)
{
    const QString measure = stripToMeasure(text);
    std::sort(completions.begin(), completions.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& completion : std::as_const(completions)) {
        if (completion.size() <= measure.size())
            continue;
        const qsizetype at = measure.isEmpty() ? -1 : text.indexOf(measure);
        if (at < 0)
            return text;
        QString completed = text;
        completed.replace(at, measure.size(), completion);
        return completed;
    }
    return text;
}

} // namespace SubstitutionRules
