#include "VRCManagedObjectWriter.h"

#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObject.h"
#include "VRCReader.h"

#include <QRegularExpression>
#include <algorithm>

namespace
{

// A value as the card shows it: text as it is, numbers in decimal, nothing as "(null)".
QString description(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("(null)");
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::Float:
    case QMetaType::Double:
        return QString::number(value.toDouble(), 'g', 17);
    default:
        break;
    }
    if (KeyValueCoding::fromVariant(value))
        return QStringLiteral("(null)");
    return value.toString();
}

QString text(const ManagedObject* object, const QString& keyPath)
{
    return description(object->valueForKeyPath(keyPath));
}

QList<ManagedObject*> itemsInIndexOrder(const ManagedObject* recipe, const QString& key)
{
    QList<ManagedObject*> items = recipe->objectsForKey(key);
    std::stable_sort(items.begin(), items.end(), [](const ManagedObject* a, const ManagedObject* b) {
        return a->valueForKey(QStringLiteral("index")).toLongLong()
            < b->valueForKey(QStringLiteral("index")).toLongLong();
    });
    return items;
}

bool isRecipe(const ManagedObject* object)
{
    return object && object->entity() && object->entity()->name() == QLatin1String("Recipe");
}

// The card format has no escaping. A value holding the multi-line markers would make a reader
// gather the lines after it into one value, so the markers are left out; a value holding a line
// break goes between the markers, so its later lines cannot be read as tags of their own (an
// "END:VRECIPECARD" line in a direction would otherwise end the card).
QString carried(QString value)
{
    for (const QString& marker : { QStringLiteral("<<start>>"), QStringLiteral("<start<<"),
             QStringLiteral("<<end>>"), QStringLiteral(">end>>") })
        value.remove(marker);
    return value;
}

bool holdsLineBreak(const QString& value)
{
    // The line breaks the readers split at.
    return std::any_of(value.begin(), value.end(), [](QChar c) {
        return c == u'\n' || c == u'\r' || c == u'\u0085' || c == u'\u2028' || c == u'\u2029';
    });
}

// A later line of a value that starts like a card's first or last line would end the value
// there (readers stop a value at such a line, so a lost end marker costs one card, not the
// rest): it gets a zero-width space in front, which shows nothing.
QString guardBoundaries(const QString& value)
{
    static const QRegularExpression boundary(
        QStringLiteral("([\\n\\r\\x{85}\\x{2028}\\x{2029}][ \\t]*)((BEGIN|END):VRECIPECARD)"));
    QString guarded = value;
    guarded.replace(boundary, QStringLiteral("\\1\u200B\\2"));
    return guarded;
}

// One "TAG:value" line.
QString cardLine(const QString& tag, const QString& value)
{
    const QString kept = guardBoundaries(carried(value));
    if (holdsLineBreak(kept))
        return QStringLiteral("%1:<<start>>%2<<end>>\n").arg(tag, kept);
    return QStringLiteral("%1:%2\n").arg(tag, kept);
}

const QString unknownMember
    = QStringLiteral("stringsFromRecipeManagedObjects: unknown object type in collection: skipping\n");

} // namespace

QString VRCManagedObjectWriter::stringFromRecipeManagedObject(const ManagedObject* recipe) const
{
    const auto line = cardLine;
    QString card;
    card += QStringLiteral("BEGIN:VRECIPECARD\n");
    card += QStringLiteral("VERSION:%1\n").arg(VRCMaxSupportedVersionString);
    card += line(VRCNameTag, text(recipe, QStringLiteral("name")));
    const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
    if (onlineID.toLongLong() != 0)
        card += line(VRCOnlineIDTag, description(onlineID));
    card += line(VRCCategoryTag, text(recipe, QStringLiteral("category.name")));
    card += line(VRCCuisineTag, text(recipe, QStringLiteral("cuisine.name")));
    card += QStringLiteral("%1:<<start>>%2<<end>>\n")
                .arg(VRCDescriptionTag, carried(text(recipe, QStringLiteral("recipeDescription"))));
    card += line(VRCYieldTag, text(recipe, QStringLiteral("yield")));
    card += line(VRCCookTimeTag, text(recipe, QStringLiteral("cookTime")));
    card += line(VRCKitchenTag, text(recipe, QStringLiteral("kitchen.name")));

    for (const ManagedObject* item : itemsInIndexOrder(recipe, QStringLiteral("ingredients"))) {
        card += line(VRCIngredientTag,
            QStringLiteral("%1:%2;%3;%4;%5;%6")
                .arg(text(item, QStringLiteral("index")), text(item, QStringLiteral("amount")),
                    text(item, QStringLiteral("measure")), text(item, QStringLiteral("modifier")),
                    text(item, QStringLiteral("baseIngredient.name")),
                    text(item, QStringLiteral("displayString"))));
    }
    for (const auto& [tag, key] : { std::pair { VRCDirectionTag, QStringLiteral("directions") },
             std::pair { VRCNoteTag, QStringLiteral("notes") } }) {
        for (const ManagedObject* item : itemsInIndexOrder(recipe, key))
            card += line(tag,
                QStringLiteral("%1:%2").arg(
                    text(item, QStringLiteral("index")), text(item, QStringLiteral("text"))));
    }
    card += QStringLiteral("END:VRECIPECARD\n");
    return card;
}

QStringList VRCManagedObjectWriter::stringsFromRecipeManagedObjects(
    const QList<ManagedObject*>& recipes) const
{
    QStringList cards;
    cards.reserve(recipes.size());
    for (const ManagedObject* recipe : recipes) {
        if (!isRecipe(recipe)) {
            Log::log(unknownMember);
            continue;
        }
        cards.append(stringFromRecipeManagedObject(recipe));
    }
    return cards;
}

std::optional<QStringList> VRCManagedObjectWriter::stringsFromRecipeManagedObjects(
    const QVariant& recipes) const
{
    if (recipes.metaType() == QMetaType::fromType<QList<ManagedObject*>>())
        return stringsFromRecipeManagedObjects(recipes.value<QList<ManagedObject*>>());
    if (recipes.typeId() != QMetaType::QVariantList) {
        Log::log(
            QStringLiteral("stringsFromRecipeManagedObjects: unknown collection type: %1")
                .arg(QString::fromLatin1(recipes.metaType().name() ? recipes.metaType().name() : "nil")));
        return std::nullopt;
    }
    QStringList cards;
    for (const QVariant& member : recipes.toList()) {
        const auto* recipe = dynamic_cast<const ManagedObject*>(KeyValueCoding::fromVariant(member));
        if (!isRecipe(recipe)) {
            Log::log(unknownMember);
            continue;
        }
        cards.append(stringFromRecipeManagedObject(recipe));
    }
    return cards;
}
