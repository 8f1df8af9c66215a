#include "RecipeCollection.h"

#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "MutableObjectSet.h"
#include "PersistentStoreCoordinator.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <algorithm>

namespace
{

const QString kNameKey = QStringLiteral("name");
const QString kIndexKey = QStringLiteral("index");
const QString kKindKey = QStringLiteral("kind");
const QString kDraggableKey = QStringLiteral("draggable");
const QString kRecipesKey = QStringLiteral("recipes");
const QString kNameWithImageKey = QStringLiteral("nameWithImage");
const QString kNameWithoutImageKey = QStringLiteral("nameWithoutImage");

// What the application keeps when the user never chose a number.
constexpr qint64 kDefaultSavedImportsCount = 30;

const ManagedObjectModel* modelOf(const ManagedObjectContext* context)
{
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    return context->persistentStoreCoordinator()->managedObjectModel();
}

bool onMainThread()
{
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

void presentError(const Error& error)
{
    KitchoraServices* services = KitchoraServices::shared();
    if (!services)
        Log::log(error.localizedDescription);
    else if (onMainThread())
        services->presentError(error);
    else
        KitchoraServices::presentErrorOnMainThread(error);
}

// Collections of the store named `name`; nullopt (after presenting the error) when the fetch fails.
std::optional<QList<ManagedObject*>> collectionsNamed(ManagedObjectContext* context, const QString& name)
{
    const ManagedObjectModel* model = modelOf(context);
    std::optional<FetchRequest> request;
    if (model)
        request = model->fetchRequestFromTemplateWithName(
            QStringLiteral("fetchCollectionByName"), { { kNameKey, name } });
    if (!request) {
        Error error;
        error.domain = QStringLiteral("KitchoraErrorDomain");
        error.code = 1;
        error.localizedDescription
            = QStringLiteral("The store has no fetch request \"fetchCollectionByName\".");
        presentError(error);
        return std::nullopt;
    }
    Error error;
    std::optional<QList<ManagedObject*>> result = context->executeFetchRequest(*request, &error);
    if (!result)
        presentError(error);
    return result;
}

} // namespace

bool RecipeCollection::isLibrary() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindMainLibrary;
}

bool RecipeCollection::isSearchCache() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindSearchCache;
}

bool RecipeCollection::isImportCollection() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindImportedCollection;
}

bool RecipeCollection::isRecentlyCookedCollection() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindRecentlyCookedCollection;
}

bool RecipeCollection::isGroceryListsCollection() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindGroceryListsCollection;
}

bool RecipeCollection::isDeviceCollection() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindDeviceCollection;
}

bool RecipeCollection::isDevicesFolder() const
{
    return valueForKey(kKindKey).toString() == KRCollectionKindDevicesFolder;
}

bool RecipeCollection::isInvincible() const
{
    return isLibrary() || isSearchCache() || isImportCollection() || isRecentlyCookedCollection()
        || isGroceryListsCollection() || isDevicesFolder() || isDeviceCollection();
}

bool RecipeCollection::canAdd() const
{
    if (isRecentlyCookedCollection())
        return false;
    return allowsSubRecipes();
}

QString RecipeCollection::recipeSummary(qsizetype count)
{
    const double days = double(count) / 3.0;
    const QString recipes = count == 1 ? QCoreApplication::translate("RecipeCollection", "%1 recipe")
                                       : QCoreApplication::translate("RecipeCollection", "%1 recipes");
    // Only exactly one day (three recipes) reads as singular: "1.33 days".
    const QString dayText = count == 3 ? QCoreApplication::translate("RecipeCollection", "%1 day")
                                       : QCoreApplication::translate("RecipeCollection", "%1 days");
    return recipes.arg(count) + QStringLiteral(", ") + dayText.arg(days, 0, 'f', 2);
}

QString RecipeCollection::collectionImageName() const
{
    if (!m_collectionImageName.isNull())
        return m_collectionImageName;
    return defaultCollectionImageName();
}

QString RecipeCollection::defaultCollectionImageName() const
{
    Log::log(QStringLiteral("collectionImageName should be implemented by subclass"));
    return QString();
}

void RecipeCollection::setCollectionImageName(const QString& imageName)
{
    if (imageName == m_collectionImageName && imageName.isNull() == m_collectionImageName.isNull())
        return;
    m_collectionImageName = imageName;
    // The title shows the icon, so it is built again with the new one.
    dropCachedTitle();
}

QString RecipeCollection::name() const
{
    return valueForKey(kNameKey).toString();
}

void RecipeCollection::setName(const QString& name)
{
    QString candidate = name;
    ManagedObjectContext* context = managedObjectContext();
    // No name is not a name to keep unique.
    if (context && !name.isNull()) {
        for (int attempt = 1;; ++attempt) {
            const std::optional<QList<ManagedObject*>> namesakes = collectionsNamed(context, candidate);
            // A failed fetch cannot tell us more on the next try; keep what we have.
            if (!namesakes || namesakes->isEmpty())
                break;
            if (attempt == 1 && namesakes->contains(this))
                break;
            candidate = name + QStringLiteral(" %1").arg(attempt);
        }
    }
    willChangeValueForKey(kNameKey);
    setPrimitiveValue(candidate.isNull() ? QVariant() : QVariant(candidate), kNameKey);
    dropCachedTitle();
    didChangeValueForKey(kNameKey);
    // Only the main context's collections are in the source list.
    KitchoraServices* services = KitchoraServices::shared();
    if (services && onMainThread() && services->managedObjectContext() == managedObjectContext())
        services->rearrangeCollections();
}

AttributedString RecipeCollection::nameWithImage() const
{
    if (m_cachedNameWithImage)
        return *m_cachedNameWithImage;
    const QString text = QStringLiteral(" ") + name();
    MutableAttributedString title(text);
    const QString imageName = collectionImageName();
    if (!imageName.isEmpty()) {
        TextAttachment icon;
        icon.cell = TextAttachment::Cell::Image;
        icon.title = imageName;
        const AttributedString iconString(QString(QChar(NSAttachmentCharacter)),
            { { NSAttachmentAttributeName, QVariant::fromValue(icon) } });
        title.insertAttributedString(iconString, 0);
    }
    m_cachedNameWithImage = title;
    return title;
}

void RecipeCollection::setNameWithImage(const QString& name)
{
    willChangeValueForKey(kNameWithImageKey);
    setName(name);
    dropCachedTitle();
    didChangeValueForKey(kNameWithImageKey);
}

AttributedString RecipeCollection::nameWithoutImage() const
{
    return AttributedString(name());
}

void RecipeCollection::setNameWithoutImage(const QString& name)
{
    if (isEmpty(name))
        return;
    willChangeValueForKey(kNameWithoutImageKey);
    setName(name);
    didChangeValueForKey(kNameWithoutImageKey);
}

QVariant RecipeCollection::index() const
{
    willAccessValueForKey(kIndexKey);
    const QVariant value = primitiveValueForKey(kIndexKey);
    didAccessValueForKey(kIndexKey);
    return value;
}

void RecipeCollection::setIndex(const QVariant& index)
{
    willChangeValueForKey(kIndexKey);
    setPrimitiveValue(index, kIndexKey);
    didChangeValueForKey(kIndexKey);
}

void RecipeCollection::trimImportCollection()
{
    if (!isImportCollection())
        return;
    qint64 keep = UserDefaults::standardUserDefaults().integerForKey(KRSavedImportsCount);
    // Unset (or nonsense) would otherwise empty the collection.
    if (keep <= 0)
        keep = kDefaultSavedImportsCount;
    MutableObjectSet recipes = mutableSetValueForKey(kRecipesKey);
    if (!recipes.isValid() || recipes.count() <= keep)
        return;
    QList<ManagedObject*> newestFirst = recipes.allObjects();
    const QString dateAdded = QStringLiteral("dateAdded");
    std::stable_sort(
        newestFirst.begin(), newestFirst.end(), [&dateAdded](ManagedObject* a, ManagedObject* b) {
            const QDateTime x = a->valueForKey(dateAdded).toDateTime();
            const QDateTime y = b->valueForKey(dateAdded).toDateTime();
            // Recipes without a date count as the oldest.
            if (!x.isValid() || !y.isValid())
                return x.isValid() && !y.isValid();
            return x > y;
        });
    recipes.removeObjects(newestFirst.mid(keep));
}

QVariant RecipeCollection::valueForKey(const QString& key) const
{
    if (key == kNameWithImageKey)
        return QVariant::fromValue(nameWithImage());
    if (key == kNameWithoutImageKey)
        return QVariant::fromValue(nameWithoutImage());
    if (key == QLatin1String("collectionImageName"))
        return collectionImageName();
    if (key == QLatin1String("summaryString"))
        return summaryString();
    if (key == QLatin1String("canAdd"))
        return canAdd();
    if (key == QLatin1String("allowsSubRecipes"))
        return allowsSubRecipes();
    if (key == QLatin1String("canEditPredicate"))
        return canEditPredicate();
    if (key == QLatin1String("isSmartCollection"))
        return isSmartCollection();
    if (key == QLatin1String("isInvincible"))
        return isInvincible();
    if (key == QLatin1String("isLibrary"))
        return isLibrary();
    if (key == QLatin1String("isSearchCache"))
        return isSearchCache();
    if (key == QLatin1String("isImportCollection"))
        return isImportCollection();
    if (key == QLatin1String("isRecentlyCookedCollection"))
        return isRecentlyCookedCollection();
    if (key == QLatin1String("isGroceryListsCollection"))
        return isGroceryListsCollection();
    if (key == QLatin1String("isDeviceCollection"))
        return isDeviceCollection();
    if (key == QLatin1String("isDevicesFolder"))
        return isDevicesFolder();
    return Super::valueForKey(key);
}

void RecipeCollection::setValueForKey(const QVariant& value, const QString& key)
{
    // Bound text fields hand over plain or attributed text.
    const auto text = [&value] {
        if (value.userType() == qMetaTypeId<AttributedString>())
            return value.value<AttributedString>().string();
        return value.toString();
    };
    if (key == kNameKey) {
        setName(value.isNull() ? QString() : text());
        return;
    }
    if (key == kNameWithImageKey) {
        setNameWithImage(text());
        return;
    }
    if (key == kNameWithoutImageKey) {
        setNameWithoutImage(text());
        return;
    }
    if (key == kIndexKey) {
        setIndex(value);
        return;
    }
    if (key == QLatin1String("collectionImageName")) {
        setCollectionImageName(value.isNull() ? QString() : value.toString());
        return;
    }
    Super::setValueForKey(value, key);
}

QStringList RecipeCollection::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    if (key == kNameWithImageKey || key == kNameWithoutImageKey)
        return { kNameKey };
    return Super::keyPathsForValuesAffectingValueForKey(key);
}

void RecipeCollection::awakeFromInsert()
{
    Super::awakeFromInsert();
    setName(KRCollectionDefaultName);
}

void RecipeCollection::awakeFromFetch()
{
    Super::awakeFromFetch();
    if (primitiveValueForKey(kDraggableKey).isNull())
        setPrimitiveValue(true, kDraggableKey);
    if (isSearchCache()) {
        if (primitiveValueForKey(kDraggableKey).toBool())
            setPrimitiveValue(false, kDraggableKey);
        if (primitiveValueForKey(kIndexKey).isNull() || primitiveValueForKey(kIndexKey).toLongLong() != 1)
            setPrimitiveValue(1, kIndexKey);
    }
}

void RecipeCollection::willTurnIntoFault()
{
    m_collectionImageName = QString();
    dropCachedTitle();
    Super::willTurnIntoFault();
}
