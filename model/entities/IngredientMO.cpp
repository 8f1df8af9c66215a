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
#include <mutex>

namespace
{
const QString nameKey = QStringLiteral("name");
const QString haveItKey = QStringLiteral("haveIt");

// Default ingredients by context. Workers ask for their own contexts' entries, so the table is
// locked; an entry goes when its context goes.
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

void observeContextsLocked(DefaultIngredients& table)
{
    if (table.observing)
        return;
    table.observing = true;
    NotificationCenter::defaultCenter().addObserver(
        ManagedObjectContext::WillBeDestroyedNotification, nullptr, [](const Notification& notification) {
            IngredientMO::removeDefaultIngredientForContext(
                static_cast<ManagedObjectContext*>(const_cast<void*>(notification.object)));
        });
}

const ManagedObjectModel* modelOf(ManagedObjectContext* context)
{
    if (PersistentStoreCoordinator* coordinator = context->persistentStoreCoordinator())
        return coordinator->managedObjectModel();
    return nullptr;
}

// The last Ingredient the template selects in the context; nullptr when none or on error.
IngredientMO* fetchDefaultIngredient(ManagedObjectContext* context)
{
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
        IngredientMO* cached = table.byContext.value(context);
        // A deleted placeholder is looked for again.
        if (cached && !cached->isDeleted() && cached->managedObjectContext() == context)
            return cached;
        table.byContext.remove(context);
    }
    IngredientMO* found = fetchDefaultIngredient(context);
    if (found) {
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
