#include "IngredientTrie.h"

#include "EntityDescription.h"
#include "FetchRequest.h"
#include "IngredientMO.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "NotificationCenter.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringConverter>
#include <QStringList>
#include <QThread>
#include <algorithm>
#include <unordered_map>

namespace
{

const QString ingredientEntityName = QStringLiteral("Ingredient");
const QString nameKey = QStringLiteral("name");

// The tries of the process. The lock is never held while a trie fills: filling inserts
// Ingredients whose name setters ask for their trie again.
struct Registry {
    std::mutex mutex;
    std::shared_ptr<IngredientTrie> defaultTrie;
    ManagedObjectContext* defaultContext = nullptr; // the main context the default trie holds objects of
    std::unordered_map<ManagedObjectContext*, std::shared_ptr<IngredientTrie>> tries;
    bool observingContexts = false;
};

Registry& registry()
{
    // Never destroyed: a context going away during the process's teardown still reaches it.
    static Registry* instance = new Registry;
    return *instance;
}

bool isMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

ManagedObjectContext* mainContext()
{
    KitchoraServices* services = KitchoraServices::shared();
    return services ? services->managedObjectContext() : nullptr;
}

void presentError(const Error& error)
{
    KitchoraServices* services = KitchoraServices::shared();
    if (services && isMainThread())
        services->presentError(error);
    else
        KitchoraServices::presentErrorOnMainThread(error);
}

void dropDefaultTrieOf(ManagedObjectContext* context)
{
    std::shared_ptr<IngredientTrie> dropped; // released after the lock
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.defaultContext != context)
        return;
    dropped = std::move(r.defaultTrie);
    r.defaultContext = nullptr;
}

// Drops a context's trie as the context goes away, so that its address, once reused by a new
// context, never leads to the old trie and its dead objects.
void observeContextDestructionLocked(Registry& r)
{
    if (r.observingContexts)
        return;
    r.observingContexts = true;
    // Kept for the life of the process, like the table it serves.
    NotificationCenter::defaultCenter().addObserver(
        ManagedObjectContext::WillBeDestroyedNotification, nullptr, [](const Notification& notification) {
            auto* context = static_cast<ManagedObjectContext*>(const_cast<void*>(notification.object));
            IngredientTrie::removeIngredientTrieForContext(context);
            dropDefaultTrieOf(context);
        });
}

QStringList ingredientsFileLines()
{
    QFile file(QStringLiteral(":/ingredients.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    QString text;
    if (const std::optional<QStringConverter::Encoding> encoding = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*encoding);
        text = decoder(data);
    } else {
        text = QString::fromUtf8(data);
    }
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

IngredientTrie::IngredientTrie()
    : OFTrie(false)
{
}

std::shared_ptr<IngredientTrie> IngredientTrie::defaultIngredientTrie()
{
    if (!isMainThread()) {
        Log::log(QStringLiteral("+[IngredientTrie defaultIngredientTrie]: called from non-main thread."));
        return nullptr;
    }
    ManagedObjectContext* context = mainContext();
    // Before launch has installed a main context there is nothing to fill.
    if (!context)
        return nullptr;
    Registry& r = registry();
    std::shared_ptr<IngredientTrie> trie;
    std::shared_ptr<IngredientTrie> stale; // released after the lock
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        // A trie of an earlier main context holds objects that are gone.
        if (r.defaultTrie && r.defaultContext == context)
            return r.defaultTrie;
        stale = std::move(r.defaultTrie);
        observeContextDestructionLocked(r);
        trie = std::make_shared<IngredientTrie>();
        // Kept before filling: the new Ingredients of the fill find it through their name setter.
        r.defaultTrie = trie;
        r.defaultContext = context;
    }
    if (trie->setupIngredientTrieForContext(context))
        return trie;
    Log::log(QStringLiteral("Unable to create the default ingredient lookup Trie"));
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.defaultTrie == trie) {
        r.defaultTrie.reset();
        r.defaultContext = nullptr;
    }
    return nullptr;
}

std::shared_ptr<IngredientTrie> IngredientTrie::ingredientTrieForContext(ManagedObjectContext* context)
{
    if (!context)
        return nullptr;
    if (context == mainContext())
        return defaultIngredientTrie();
    Registry& r = registry();
    std::shared_ptr<IngredientTrie> trie;
    {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto found = r.tries.find(context);
        if (found != r.tries.end())
            return found->second;
        observeContextDestructionLocked(r);
        trie = std::make_shared<IngredientTrie>();
        r.tries.emplace(context, trie);
    }
    if (!trie->setupIngredientTrieForContext(context)) {
        std::lock_guard<std::mutex> lock(r.mutex);
        auto found = r.tries.find(context);
        if (found != r.tries.end() && found->second == trie)
            r.tries.erase(found);
    }
    return trie;
}

ManagedObjectContext* IngredientTrie::managedObjectContextForTrie(const IngredientTrie* trie)
{
    if (!trie)
        return nullptr;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    if (r.defaultTrie.get() == trie)
        return r.defaultContext;
    for (const auto& [context, entry] : r.tries) {
        if (entry.get() == trie)
            return context;
    }
    return nullptr;
}

void IngredientTrie::removeIngredientTrieForContext(ManagedObjectContext* context)
{
    std::shared_ptr<IngredientTrie> dropped; // released after the lock
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    auto found = r.tries.find(context);
    if (found == r.tries.end())
        return;
    dropped = std::move(found->second);
    r.tries.erase(found);
}

void IngredientTrie::rebuildIngredientTries()
{
    std::shared_ptr<IngredientTrie> droppedDefault;
    std::unordered_map<ManagedObjectContext*, std::shared_ptr<IngredientTrie>> dropped;
    Registry& r = registry();
    std::lock_guard<std::mutex> lock(r.mutex);
    droppedDefault = std::move(r.defaultTrie);
    r.defaultContext = nullptr;
    dropped.swap(r.tries);
}

bool IngredientTrie::setupIngredientTrieForContext(ManagedObjectContext* context)
{
    if (!context)
        return false;
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_context = context;
    FetchRequest request;
    request.setEntityName(ingredientEntityName);
    Error error;
    const std::optional<QList<ManagedObject*>> ingredients = context->executeFetchRequest(request, &error);
    if (!ingredients) {
        presentError(error);
        return false;
    }
    for (ManagedObject* ingredient : *ingredients)
        addIngredient(ingredient);
    for (const QString& line : ingredientsFileLines()) {
        if (!::isEmpty(line))
            addIngredient(line);
    }
    return true;
}

bool IngredientTrie::addIngredient(const QString& name)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (containsIngredient(name))
        return true;
    if (!m_context)
        return false;
    ManagedObject* ingredient
        = EntityDescription::insertNewObjectForEntityForName(ingredientEntityName, m_context);
    if (!ingredient)
        return false;
    // The name setter adds the new object to its context's trie in the table, normally this one;
    // a trie that was meanwhile dropped from the table adds it itself.
    ingredient->setValueForKey(name, nameKey);
    return addIngredient(ingredient);
}

bool IngredientTrie::addIngredient(ManagedObject* ingredient)
{
    if (!isIngredient(ingredient)) {
        Log::log(QStringLiteral("invalid object added to ingredient trie"));
        return false;
    }
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (containsIngredient(ingredient))
        return true;
    const QString name = ingredient->valueForKey(nameKey).toString();
    return addBucket(KRTrieBucket::bucketWithObject(QVariant::fromValue<KeyValueCoding*>(ingredient)), name);
}

bool IngredientTrie::containsIngredient(const QString& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return liveIngredientOf(bucketForIngredient(name)) != nullptr;
}

bool IngredientTrie::containsIngredient(ManagedObject* ingredient) const
{
    if (!isIngredient(ingredient)) {
        Log::log(QStringLiteral("invalid object added to ingredient trie"));
        return false;
    }
    return containsIngredient(ingredient->valueForKey(nameKey).toString());
}

KRTrieBucket* IngredientTrie::bucketForIngredient(const QString& name) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return static_cast<KRTrieBucket*>(OFTrie::bucketForString(name));
}

KRTrieBucket* IngredientTrie::bucketForIngredient(ManagedObject* ingredient) const
{
    if (!isIngredient(ingredient)) {
        Log::log(QStringLiteral("invalid object added to ingredient trie"));
        return nullptr;
    }
    return bucketForIngredient(ingredient->valueForKey(nameKey).toString());
}

IngredientMO* IngredientTrie::ingredientObjectForKey(const QString& key) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return liveIngredientOf(bucketForIngredient(key));
}

void IngredientTrie::forgetIngredient(ManagedObject* ingredient, const QString& oldName)
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    KRTrieBucket* bucket = bucketForIngredient(oldName);
    if (bucket && KeyValueCoding::fromVariant(bucket->objectValue()) == ingredient)
        bucket->setObjectValue(QVariant());
}

OFTrieBucket* IngredientTrie::bucketForString(QStringView string) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return OFTrie::bucketForString(string);
}

OFTrieBucket* IngredientTrie::bucketForPartialString(QStringView string) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return OFTrie::bucketForPartialString(string);
}

QList<OFTrieBucket*> IngredientTrie::completionsFromString(QStringView prefix) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return OFTrie::completionsFromString(prefix);
}

QList<OFTrieBucket*> IngredientTrie::bucketsHeldByText(QStringView text) const
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return OFTrie::bucketsHeldByText(text);
}

bool IngredientTrie::isIngredient(const ManagedObject* object)
{
    if (!object || !object->entity())
        return false;
    const EntityDescription* entity = object->entity();
    const EntityDescription* ingredient = entity->managedObjectModel()
        ? entity->managedObjectModel()->entityNamed(ingredientEntityName)
        : nullptr;
    return ingredient && entity->isKindOfEntity(ingredient);
}

IngredientMO* IngredientTrie::liveIngredientOf(const KRTrieBucket* bucket) const
{
    if (!bucket)
        return nullptr;
    auto* ingredient = dynamic_cast<IngredientMO*>(KeyValueCoding::fromVariant(bucket->objectValue()));
    // A deleted ingredient is no answer: a line linked to it would lose its ingredient on save.
    return ingredient && !ingredient->isDeleted() ? ingredient : nullptr;
}

std::optional<QString> IngredientTrie::firstCompletionForPartialString(const QString& partial) const
{
    if (partial.isEmpty())
        return std::nullopt;
    QStringList names;
    for (OFTrieBucket* bucket : completionsFromString(partial)) {
        const auto* held = dynamic_cast<const KRTrieBucket*>(bucket);
        const KeyValueCoding* object = held ? KeyValueCoding::fromVariant(held->objectValue()) : nullptr;
        if (object)
            names.append(object->valueForKey(QStringLiteral("name")).toString());
    }
    if (names.isEmpty())
        return std::nullopt;
    return *std::min_element(names.begin(), names.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}
