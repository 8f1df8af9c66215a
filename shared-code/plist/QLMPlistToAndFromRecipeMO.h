#pragma once

#include "Error.h"
#include "QLMPlistToAndFromManagedObject.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class ManagedObject;
class QLMKitchoraCloudAgent;
class RecipeMO;

// A recipe's property-list form, exchanged with the web recipe service and companion devices:
// its single fields, the names of its category, cuisine and kitchen, its item texts in order
// and its whole Virtual Recipe Card text. Made from a recipe, and read back into a new recipe
// of the main context (the card text gives the recipe; the single fields then override it).
// Main thread only.
class QLMPlistToAndFromRecipeMO : public QLMPlistToAndFromManagedObject,
                                  public std::enable_shared_from_this<QLMPlistToAndFromRecipeMO>
{
public:
    using Completion = std::function<void(const std::optional<QVariantMap>& plist, const Error& error)>;

    static QStringList recipeMOKeys();
    static QStringList recipePlistKeys();

    // The property list of a recipe; nothing for no recipe.
    static std::optional<QVariantMap> plistFromRecipeMO(const ManagedObject* recipe);
    // The device form: a recipe on the service gets its permalink (asked of the agent), one
    // without a web identifier a new UUID string as "onlineID". The completion runs later, on
    // the main thread, once.
    static void plistFromRecipeMO(const QVariant& recipe, Completion completion);
    static void plistFromRecipeMO(
        const QVariant& recipe, Completion completion, QLMKitchoraCloudAgent& agent);
    // A new recipe in the main context from the card text; nothing without one. Of a text of
    // several cards only the first becomes a recipe.
    static RecipeMO* recipeManagedObjectFromPlist(const QVariantMap& plist);
    // The same, with the given bytes as its picture.
    static RecipeMO* recipeManagedObjectFromPlist(const QVariantMap& plist, const QByteArray& imageData);
    // The thumbnail when the recipe has a picture of its own.
    static QImage imageForRecipeMO(const QVariant& recipe);

    // The items' texts under the text key, in "index" order, empty ones left out.
    static QStringList sortedItems(const QList<ManagedObject*>& items, const QString& keyForText);

private:
    std::optional<QVariantMap> plistFor(const ManagedObject* recipe) const;
    RecipeMO* recipeFrom(const QVariantMap& plist) const;

    QVariantMap m_plistDictionary;
    Completion m_completion;
};
