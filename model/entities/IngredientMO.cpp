#include "IngredientMO.h"

#include "IngredientTrie.h"
#include "KRTrieBucket.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "NotificationCenter.h"
#include "PersistentStoreCoordinator.h"

#include <QHash>
#include <algorithm>
#include <mutex>

namespace
{
const QString nameKey = QStringLiteral("name");
const QString haveItKey = QStringLiteral("haveIt");

// The name the template "fetchDefaultIngredient" selects.
const QString placeholderName = QStringLiteral("Ingredient");

// Default ingredients by context. Workers ask for their own contexts' entries, so the table is
// locked; an entry goes when its context goes. A context known to lack one is kept too, with a
// null entry, so that a library without the placeholder pays for the fetch once, not once per
// new ingredient line; the null entry goes when a placeholder may have come into being.
struct DefaultIngredients {
    std::mutex mutex;
    QHash<const ManagedObjectContext*, IngredientMO*> byContext;
    bool observing = false;
};

DefaultIngredients& defaultIngredients()
{
    static DefaultIngredients table;
    return table;
}

bool isPlaceholder(const QVariant& object)
{
    const auto* ingredient = dynamic_cast<const IngredientMO*>(KeyValueCoding::fromVariant(object));
    return ingredient
        && ingredient->primitiveValueForKey(QStringLiteral("name")).toString() == placeholderName;
}

// Whether the change lists of a notification hold an Ingredient the template would select.
bool mentionsPlaceholder(const Notification& notification)
{
    for (const QString& key :
        { ManagedObjectContext::InsertedObjectsKey, ManagedObjectContext::UpdatedObjectsKey }) {
        const QVariantList objects = notification.userInfo.value(key).toList();
        if (std::any_of(objects.begin(), objects.end(), isPlaceholder))
            return true;
    }
    return false;
}

// Drops the entries that say a context has no default ingredient: of one context, or of all.
void forgetMisses(const ManagedObjectContext* context)
{
    DefaultIngredients& table = defaultIngredients();
    std::lock_guard lock(table.mutex);
    for (auto it = table.byContext.begin(); it != table.byContext.end();) {
        if (!it.value() && (!context || it.key() == context))
            it = table.byContext.erase(it);
        else
            ++it;
    }
}

bool hasMissesLocked(const DefaultIngredients& table, const ManagedObjectContext* context)
{
    if (context)
        return table.byContext.contains(context) && !table.byContext.value(context);
    return std::any_of(
        table.byContext.cbegin(), table.byContext.cend(), [](IngredientMO* found) { return !found; });
}

// A placeholder that is inserted, renamed, restored or saved by another context ends a miss.
void onChange(const Notification& notification, bool ofAnyContext)
{
    const auto* context = static_cast<const ManagedObjectContext*>(notification.object);
    {
        DefaultIngredients& table = defaultIngredients();
        std::lock_guard lock(table.mutex);
        if (!hasMissesLocked(table, ofAnyContext ? nullptr : context))
            return;
    }
    if (mentionsPlaceholder(notification))
        forgetMisses(ofAnyContext ? nullptr : context);
}

void observeContextsLocked(DefaultIngredients& table)
{
    if (table.observing)
        return;
    table.observing = true;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.addObserver(
        ManagedObjectContext::WillBeDestroyedNotification, nullptr, [](const Notification& notification) {
            IngredientMO::removeDefaultIngredientForContext(
                static_cast<ManagedObjectContext*>(const_cast<void*>(notification.object)));
        });
    center.addObserver(ManagedObjectContext::ObjectsDidChangeNotification, nullptr,
        [](const Notification& notification) { onChange(notification, false); });
    center.addObserver(ManagedObjectContext::DidSaveNotification, nullptr,
        [](const Notification& notification) { onChange(notification, true); });
}

const ManagedObjectModel* modelOf(ManagedObjectContext* context)
{
    if (PersistentStoreCoordinator* coordinator = context->persistentStoreCoordinator())
        return coordinator->managedObjectModel();
    return nullptr;
}

// The last Ingredient the template selects in the context; nullptr when none or on error (then
// *failed is set).
IngredientMO* fetchDefaultIngredient(ManagedObjectContext* context, bool* failed)
{
    *failed = true;
    const ManagedObjectModel* model = modelOf(context);
    std::optional<FetchRequest> request
        = model ? model->fetchRequestTemplateForName(QStringLiteral("fetchDefaultIngredient")) : std::nullopt;
    if (!request)
        return nullptr;
    request->setFetchLimit(1);
    Error error;
    const std::optional<QList<ManagedObject*>> result = context->executeFetchRequest(*request, &error);
    if (!result) {
        if (KitchoraServices* services = KitchoraServices::shared())
            services->presentError(error);
        return nullptr;
    }
    *failed = false;
    return result->isEmpty() ? nullptr : dynamic_cast<IngredientMO*>(result->last());
}

} // namespace

QString IngredientMO::description() const
{
    return name();
}

qsizetype IngredientMO::length() const
{
    return name().size();
}

IngredientMO* IngredientMO::defaultIngredient()
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    return context ? defaultIngredientForContext(context) : nullptr;
}

IngredientMO* IngredientMO::defaultIngredientForContext(ManagedObjectContext* context)
{
    if (!context)
        return nullptr;
    DefaultIngredients& table = defaultIngredients();
    {
        std::lock_guard lock(table.mutex);
        observeContextsLocked(table);
        const auto cached = table.byContext.constFind(context);
        if (cached != table.byContext.cend()) {
            // A deleted placeholder is looked for again.
            if (!*cached || (!(*cached)->isDeleted() && (*cached)->managedObjectContext() == context))
                return *cached;
            table.byContext.erase(cached);
        }
    }
    bool failed = false;
    IngredientMO* found = fetchDefaultIngredient(context, &failed);
    // A failed fetch is no answer: it is tried again next time.
    if (!failed) {
        std::lock_guard lock(table.mutex);
        table.byContext.insert(context, found);
    }
    return found;
}

void IngredientMO::removeDefaultIngredientForContext(ManagedObjectContext* context)
{
    DefaultIngredients& table = defaultIngredients();
    std::lock_guard lock(table.mutex);
    table.byContext.remove(context);
}

QString IngredientMO::name() const
{
    return valueForKey(nameKey).toString();
}

void IngredientMO::setName(const QString& name)
{
    QString newName = name;
    if (newName.size() > kMaximumNameLength + 1) {
        Log::logf(QStringLiteral("Truncating long ingredient name: %1"), newName);
        newName.truncate(kMaximumNameLength);
    }
    const std::shared_ptr<IngredientTrie> trie
        = IngredientTrie::ingredientTrieForContext(managedObjectContext());
    const QString oldName = primitiveValueForKey(nameKey).toString();
    if (trie && !oldName.isNull())
        trie->forgetIngredient(this, oldName);
    willChangeValueForKey(nameKey);
    setPrimitiveValue(newName, nameKey);
    didChangeValueForKey(nameKey);
    if (trie)
        trie->addIngredient(this);
    if (newName == placeholderName)
        forgetMisses(managedObjectContext());
}

bool IngredientMO::haveIt() const
{
    return valueForKey(haveItKey).toBool();
}

void IngredientMO::setHaveIt(bool haveIt)
{
    ManagedObject::setValueForKey(haveIt, haveItKey);
}

void IngredientMO::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == nameKey) {
        setName(value.toString());
        return;
    }
    ManagedObject::setValueForKey(value, key);
}
