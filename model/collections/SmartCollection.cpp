#include "SmartCollection.h"

#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"

#include <QSet>

namespace
{

const QString kPredicateDataKey = QStringLiteral("predicateData");
const QString kRecipesKey = QStringLiteral("recipes");
const QString kSummaryStringKey = QStringLiteral("summaryString");

QList<ManagedObject*> objectsIn(const QVariantMap& userInfo, const QString& key)
{
    QList<ManagedObject*> objects;
    for (const QVariant& value : userInfo.value(key).toList()) {
        if (ManagedObject* object = value.value<ManagedObject*>())
            objects.append(object);
    }
    return objects;
}

} // namespace

QString SmartCollection::summaryString() const
{
    return recipeSummary(m_recipes ? m_recipes->size() : 0);
}

std::optional<Predicate> SmartCollection::predicate() const
{
    if (m_predicate)
        return *m_predicate;
    const QByteArray data = primitiveValueForKey(kPredicateDataKey).toByteArray();
    std::optional<Predicate> predicate;
    if (!data.isEmpty()) {
        QString error;
        predicate = Predicate::predicateWithFormat(QString::fromUtf8(data), {}, &error);
        if (!predicate)
            Log::log(QStringLiteral("%1: unreadable predicate \"%2\": %3")
                         .arg(name(), QString::fromUtf8(data), error));
    }
    m_predicate = predicate;
    return predicate;
}

void SmartCollection::setPredicate(const std::optional<Predicate>& newPredicate)
{
    const Predicate value = newPredicate ? *newPredicate : Predicate::truePredicate();
    const std::optional<Predicate> current = predicate();
    if (current && *current == value)
        return;
    m_predicate = value;
    setValueForKey(value.predicateFormat().toUtf8(), kPredicateDataKey);
    if (m_fetchRequest && *m_fetchRequest)
        (*m_fetchRequest)->setPredicate(value);
    refresh();
}

const std::optional<FetchRequest>& SmartCollection::fetchRequest() const
{
    if (m_fetchRequest)
        return *m_fetchRequest;
    std::optional<FetchRequest> request;
    ManagedObjectContext* context = managedObjectContext();
    const EntityDescription* entity
        = context ? EntityDescription::entityForName(QStringLiteral("Recipe"), context) : nullptr;
    if (entity) {
        request = FetchRequest(entity);
        // A collection belongs to one store; so do its recipes.
        if (PersistentStore* store = objectID().persistentStore())
            request->setAffectedStores({ store });
        if (const std::optional<Predicate> p = predicate())
            request->setPredicate(*p);
    }
    m_fetchRequest = request;
    return *m_fetchRequest;
}

QList<ManagedObject*> SmartCollection::recipes() const
{
    if (m_recipes)
        return *m_recipes;
    QList<ManagedObject*> result;
    ManagedObjectContext* context = managedObjectContext();
    const std::optional<FetchRequest>& request = fetchRequest();
    if (context && request) {
        Error error;
        if (std::optional<QList<ManagedObject*>> fetched = context->executeFetchRequest(*request, &error))
            result = *fetched;
        else
            Log::log(QStringLiteral("%1: fetching the recipes failed: %2")
                         .arg(name(), error.localizedDescription));
    }
    // Kept even when empty after a failure: asking again would fail again, on every read.
    m_recipes = result;
    return result;
}

void SmartCollection::refresh()
{
    willChangeValueForKey(kSummaryStringKey);
    willChangeValueForKey(kRecipesKey);
    m_recipes.reset();
    didChangeValueForKey(kRecipesKey);
    didChangeValueForKey(kSummaryStringKey);
}

void SmartCollection::refresh(const Notification& notification)
{
    const std::optional<FetchRequest>& request = fetchRequest();
    const EntityDescription* entity = request ? request->entity() : nullptr;
    const QList<ManagedObject*> updated
        = objectsIn(notification.userInfo, ManagedObjectContext::UpdatedObjectsKey);
    const QList<ManagedObject*> inserted
        = objectsIn(notification.userInfo, ManagedObjectContext::InsertedObjectsKey);
    const QList<ManagedObject*> deleted
        = objectsIn(notification.userInfo, ManagedObjectContext::DeletedObjectsKey);
    const auto hasEntity = [entity](const QList<ManagedObject*>& objects) {
        return entity && std::any_of(objects.begin(), objects.end(), [entity](ManagedObject* object) {
            return object->entity() == entity;
        });
    };
    removeFromCache(deleted);
    if (hasEntity(updated) || hasEntity(inserted)) {
        refresh();
        return;
    }
    // Refreshed or invalidated objects: anything may have changed.
    if (updated.isEmpty() && inserted.isEmpty() && deleted.isEmpty())
        refresh();
}

void SmartCollection::removeFromCache(const QList<ManagedObject*>& objects)
{
    if (!m_recipes || objects.isEmpty())
        return;
    const QSet<ManagedObject*> gone(objects.begin(), objects.end());
    m_recipes->removeIf([&gone](ManagedObject* recipe) { return gone.contains(recipe); });
}

QVariant SmartCollection::valueForKey(const QString& key) const
{
    if (key == QLatin1String("isLeaf"))
        return isLeaf();
    if (key == QLatin1String("children"))
        return QVariant();
    if (key == kRecipesKey) {
        QVariantList list;
        for (ManagedObject* recipe : recipes())
            list.append(QVariant::fromValue(recipe));
        return list;
    }
    return RecipeCollection::valueForKey(key);
}

void SmartCollection::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("children") || key == kRecipesKey)
        return;
    RecipeCollection::setValueForKey(value, key);
}

void SmartCollection::awakeFromInsert()
{
    RecipeCollection::awakeFromInsert();
    startObserving();
    setPredicate(std::nullopt);
}

void SmartCollection::awakeFromFetch()
{
    RecipeCollection::awakeFromFetch();
    startObserving();
}

void SmartCollection::willTurnIntoFault()
{
    m_observer.reset();
    m_recipes.reset();
    m_fetchRequest.reset();
    m_predicate.reset();
    RecipeCollection::willTurnIntoFault();
}

QString SmartCollection::defaultCollectionImageName() const
{
    return QStringLiteral("image_collection_smart");
}

void SmartCollection::startObserving()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_observer = ScopedObserver(center,
        center.addObserver(ManagedObjectContext::ObjectsDidChangeNotification, context,
            [this](const Notification& n) { refresh(n); }));
}
