#include "QLMPlistToAndFromRecipeMO.h"

#include "EntityDescription.h"
#include "ImageMO.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "QLMKitchoraCloudAgent.h"
#include "RecipeMO.h"
#include "RunLoop.h"
#include "UUID.h"
#include "VRCManagedObjectReader.h"
#include "VRCManagedObjectWriter.h"

#include <QCoreApplication>
#include <algorithm>

namespace
{

const QString kOnlineID = QStringLiteral("onlineID");

bool isNonZeroNumber(const QVariant& value)
{
    return !isEmpty(value) && value.typeId() != QMetaType::QString && value.toLongLong() != 0;
}

bool isNumber(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return true;
    default:
        return false;
    }
}

} // namespace

QStringList QLMPlistToAndFromRecipeMO::recipeMOKeys()
{
    return { QStringLiteral("name"), QStringLiteral("onlineID"), QStringLiteral("recipeDescription"),
        QStringLiteral("rating"), QStringLiteral("yield"), QStringLiteral("onlineUserID"),
        QStringLiteral("dateAdded"), QStringLiteral("dateModified"), QStringLiteral("cookTime") };
}

QStringList QLMPlistToAndFromRecipeMO::recipePlistKeys()
{
    return { QStringLiteral("name"), QStringLiteral("onlineID"), QStringLiteral("recipeDescription"),
        QStringLiteral("rating"), QStringLiteral("yield"), QStringLiteral("addedBy"),
        QStringLiteral("created"), QStringLiteral("modified"), QStringLiteral("time") };
}

QStringList QLMPlistToAndFromRecipeMO::sortedItems(
    const QList<ManagedObject*>& items, const QString& keyForText)
{
    QList<ManagedObject*> sorted = items;
    std::stable_sort(sorted.begin(), sorted.end(), [](const ManagedObject* a, const ManagedObject* b) {
        return a->valueForKey(QStringLiteral("index")).toLongLong()
            < b->valueForKey(QStringLiteral("index")).toLongLong();
    });
    QStringList texts;
    for (const ManagedObject* item : sorted) {
        const QVariant text = item->valueForKey(keyForText);
        if (!isEmpty(text))
            texts.append(text.toString());
    }
    return texts;
}

std::optional<QVariantMap> QLMPlistToAndFromRecipeMO::plistFor(const ManagedObject* recipe) const
{
    std::optional<QVariantMap> mapped = plistFromManagedObject(recipe, recipeMOKeys(), recipePlistKeys());
    if (!mapped)
        return std::nullopt;
    QVariantMap plist = *mapped;
    if (plist.contains(kOnlineID) && !isNonZeroNumber(plist.value(kOnlineID)))
        plist.remove(kOnlineID);
    for (const char* name : { "category", "cuisine", "kitchen" }) {
        const QString key = QString::fromLatin1(name);
        const QVariant value = recipe->valueForKeyPath(key + QStringLiteral(".name"));
        if (!isEmpty(value))
            plist.insert(key, value);
    }
    const struct {
        const char* key;
        const char* textKey;
    } lists[] = { { "directions", "text" }, { "ingredients", "displayString" }, { "notes", "text" } };
    for (const auto& list : lists) {
        const QStringList texts = sortedItems(
            recipe->objectsForKey(QString::fromLatin1(list.key)), QString::fromLatin1(list.textKey));
        if (!texts.isEmpty())
            plist.insert(QString::fromLatin1(list.key), texts);
    }
    const QString card = VRCManagedObjectWriter().stringFromRecipeManagedObject(recipe);
    if (!isEmpty(card))
        plist.insert(QStringLiteral("vrcText"), card);
    return plist;
}

std::optional<QVariantMap> QLMPlistToAndFromRecipeMO::plistFromRecipeMO(const ManagedObject* recipe)
{
    return std::make_shared<QLMPlistToAndFromRecipeMO>()->plistFor(recipe);
}

void QLMPlistToAndFromRecipeMO::plistFromRecipeMO(const QVariant& recipe, Completion completion)
{
    plistFromRecipeMO(recipe, std::move(completion), QLMKitchoraCloudAgent::sharedCloudAgent());
}

void QLMPlistToAndFromRecipeMO::plistFromRecipeMO(
    const QVariant& recipe, Completion completion, QLMKitchoraCloudAgent& agent)
{
    if (!completion)
        return;
    ManagedObject* object = RecipeMO::managedObjectForProxy(recipe);
    if (!object || !dynamic_cast<RecipeMO*>(object)) {
        const Error error { QStringLiteral("NSCocoaErrorDomain"), 0,
            QCoreApplication::translate(
                "QLMPlistToAndFromRecipeMO", "recipe parameter is not a valid RecipeMO object"),
            {} };
        RunLoop::postToMain([completion, error] { completion(std::nullopt, error); });
        return;
    }
    auto mapper = std::make_shared<QLMPlistToAndFromRecipeMO>();
    mapper->m_plistDictionary = mapper->plistFor(object).value_or(QVariantMap());
    const QVariant onlineID = object->valueForKey(kOnlineID);
    if (!isNonZeroNumber(onlineID)) {
        mapper->m_plistDictionary.insert(kOnlineID, UUID::mg_stringWithNewUUID());
        const QVariantMap plist = mapper->m_plistDictionary;
        RunLoop::postToMain([completion, plist] { completion(plist, {}); });
        return;
    }
    // The mapper stays alive in the blocks until the permalink request ends.
    mapper->m_completion = std::move(completion);
    agent.permalinkForRecipeID(
        onlineID,
        [mapper](const QVariant& reply) {
            const QString permalink = QString::fromUtf8(reply.toByteArray());
            if (!permalink.isEmpty())
                mapper->m_plistDictionary.insert(QStringLiteral("permalink"), permalink);
            Completion done = std::exchange(mapper->m_completion, nullptr);
            done(std::exchange(mapper->m_plistDictionary, {}), {});
        },
        [mapper](const Error& error) {
            Completion done = std::exchange(mapper->m_completion, nullptr);
            done(std::exchange(mapper->m_plistDictionary, {}), error);
        });
}

RecipeMO* QLMPlistToAndFromRecipeMO::recipeFrom(const QVariantMap& plist) const
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    const QVariant card = plist.value(QStringLiteral("vrcText"));
    if (!context || card.typeId() != QMetaType::QString || isEmpty(card))
        return nullptr;
    VRCManagedObjectReader reader(card.toString());
    const QList<RecipeMO*> recipes = reader.setOfManagedObjectsInContext(context);
    if (recipes.isEmpty())
        return nullptr;
    // One property list is one recipe: further cards of the text are not kept.
    for (qsizetype i = 1; i < recipes.size(); ++i)
        context->deleteObject(recipes.at(i));
    if (recipes.size() > 1)
        Log::logf(QStringLiteral("A received recipe held %1 cards; only the first was kept"), recipes.size());
    RecipeMO* recipe = recipes.first();

    QStringList moKeys = recipeMOKeys();
    QStringList plistKeys = recipePlistKeys();
    if (!isNumber(plist.value(kOnlineID))) {
        moKeys.removeAll(kOnlineID);
        plistKeys.removeAll(kOnlineID);
    }
    fillManagedObject(recipe, plist, plistKeys, moKeys);
    recipe->setValueForKey(false, QStringLiteral("createdLocally"));
    return recipe;
}

RecipeMO* QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(const QVariantMap& plist)
{
    return std::make_shared<QLMPlistToAndFromRecipeMO>()->recipeFrom(plist);
}

RecipeMO* QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(
    const QVariantMap& plist, const QByteArray& imageData)
{
    RecipeMO* recipe = recipeManagedObjectFromPlist(plist);
    if (!recipe || imageData.isEmpty())
        return recipe;
    // The picture goes to the recipe's own picture object once the recipe is known, so the
    // recipe shows it; it came from elsewhere, so nothing waits to be sent.
    auto* image = dynamic_cast<ImageMO*>(recipe->objectForKey(QStringLiteral("image")));
    if (!image) {
        image = dynamic_cast<ImageMO*>(EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("Image"), recipe->managedObjectContext()));
        if (!image)
            return recipe;
        recipe->setValueForKey(
            QVariant::fromValue(static_cast<ManagedObject*>(image)), QStringLiteral("image"));
    }
    Error error;
    if (!image->setData(imageData, &error))
        Log::logf(QStringLiteral("The received picture was not kept: %1"), error.localizedDescription);
    recipe->setValueForKey(false, QStringLiteral("changedImage"));
    return recipe;
}

QImage QLMPlistToAndFromRecipeMO::imageForRecipeMO(const QVariant& recipe)
{
    ManagedObject* object = RecipeMO::managedObjectForProxy(recipe);
    if (!object || !object->valueForKey(QStringLiteral("hasImage")).toBool())
        return {};
    return object->valueForKeyPath(QStringLiteral("image.thumbnail")).value<QImage>();
}
