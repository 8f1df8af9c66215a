#include "SearchCacheEngine.h"

#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"

#include <optional>

namespace
{

const QString kFetchSearchCache = QStringLiteral("fetchSearchCache");

// The search-results cache collections of the context; nullopt when the fetch failed, after its
// error was presented.
std::optional<QList<ManagedObject*>> fetchSearchCaches(
    ManagedObjectContext* context, const std::function<void(const Error&)>& presentError)
{
    const PersistentStoreCoordinator* coordinator = context->persistentStoreCoordinator();
    if (!coordinator)
        return QList<ManagedObject*>();
    const std::optional<FetchRequest> request
        = coordinator->managedObjectModel()->fetchRequestTemplateForName(kFetchSearchCache);
    if (!request)
        return QList<ManagedObject*>();
    Error error;
    std::optional<QList<ManagedObject*>> caches = context->executeFetchRequest(*request, &error);
    if (!caches && presentError)
        presentError(error);
    return caches;
}

bool isInLibrary(const ManagedObject* recipe)
{
    for (ManagedObject* collection : recipe->objectsForKey(QStringLiteral("collections"))) {
        if (auto* recipeCollection = dynamic_cast<RecipeCollection*>(collection);
            recipeCollection && recipeCollection->isLibrary())
            return true;
    }
    return false;
}

} // namespace

SearchCacheEngine::SearchCacheEngine(
    std::function<ManagedObjectContext*()> context, std::function<void(const Error&)> presentError)
    : m_context(std::move(context))
    , m_presentError(std::move(presentError))
{
}

ManagedObject* SearchCacheEngine::searchCache()
{
    if (!m_fetched)
        refetchSearchCache();
    return m_searchCache;
}

void SearchCacheEngine::refetchSearchCache()
{
    m_searchCache = nullptr;
    m_fetched = false;
    ManagedObjectContext* context = m_context ? m_context() : nullptr;
    if (!context)
        return;
    const std::optional<QList<ManagedObject*>> caches = fetchSearchCaches(context, m_presentError);
    if (!caches)
        return;
    m_fetched = true;
    if (!caches->isEmpty())
        m_searchCache = caches->first();
}

void SearchCacheEngine::clearSearchCache()
{
    ManagedObjectContext* context = m_context ? m_context() : nullptr;
    if (!context)
        return;
    const std::optional<QList<ManagedObject*>> caches = fetchSearchCaches(context, m_presentError);
    if (!caches)
        return;
    for (ManagedObject* cache : *caches) {
        for (ManagedObject* recipe : cache->objectsForKey(QStringLiteral("recipes"))) {
            if (!recipe->isDeleted() && !isInLibrary(recipe))
                context->deleteObject(recipe);
        }
    }
}
