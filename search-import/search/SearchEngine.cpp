#include "SearchEngine.h"

#include "BaseMOAdditions.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "ImageMO.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectID.h"
#include "ManagedObjectModel.h"
#include "ManagerObjectContextStateSaving.h"
#include "NotificationCenter.h"
#include "RecipeCollection.h"
#include "RecipePasteboard.h"
#include "RunLoop.h"
#include "SearchTermAdditions.h"
#include "WebSearchService.h"

#include <QCoreApplication>
#include <algorithm>
#include <limits>

namespace
{

WebSearchService*& sharedWebService()
{
    static WebSearchService* web = nullptr;
    return web;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("SearchEngine", text);
}

// Web identifiers compare as their text, so 7 and "7" are one recipe; no identifier is its own key.
QString idKey(const QVariant& onlineID)
{
    return onlineID.isValid() && !onlineID.isNull() ? onlineID.toString() : QString();
}

bool hasOnlineID(const QVariant& onlineID)
{
    return onlineID.isValid() && !onlineID.isNull() && onlineID.toString() != QLatin1String("0")
        && !onlineID.toString().isEmpty();
}

bool isInCollection(const ManagedObject* recipe, const ManagedObject* collection)
{
    return collection && recipe->objectsForKey(QStringLiteral("collections")).contains(collection);
}

// Cocoa's string tests: an empty text is found nowhere.
bool containsText(const QString& text, const QString& part)
{
    return !part.isEmpty() && text.contains(part, Qt::CaseInsensitive);
}

} // namespace

SearchEngine::SearchEngine(WebSearchService* web)
    : m_web(web)
    , m_localSeparator(tr("Local Results"))
    , m_webSeparator(tr("Cloud Results"))
{
    m_incompleteResults.reserve(100);
    m_localResults.reserve(100);
    m_webResults.reserve(100);
    if (context())
        fetchSearchCache();
}

SearchEngine::~SearchEngine() = default;

SearchEngine& SearchEngine::sharedSearchEngine()
{
    static SearchEngine* engine = new SearchEngine(sharedWebService());
    return *engine;
}

void SearchEngine::setSharedWebService(WebSearchService* web)
{
    sharedWebService() = web;
}

ManagedObjectContext* SearchEngine::context() const
{
    KitchoraServices* services = KitchoraServices::shared();
    return services ? services->managedObjectContext() : nullptr;
}

ManagedObject* SearchEngine::library() const
{
    KitchoraServices* services = KitchoraServices::shared();
    return services ? services->libraryCollection() : nullptr;
}

void SearchEngine::presentError(const Error& error) const
{
    if (KitchoraServices* services = KitchoraServices::shared())
        services->presentError(error);
}

// ---- the search-results cache ----

struct SearchEngine::Fetched {
    std::optional<QList<ManagedObject*>> objects;
    Error error;
};

namespace
{

std::optional<FetchRequest> templateRequest(const QString& name, const QVariantMap& variables = {})
{
    KitchoraServices* services = KitchoraServices::shared();
    const ManagedObjectModel* model = services ? services->managedObjectModel() : nullptr;
    if (!model)
        return std::nullopt;
    return model->fetchRequestFromTemplateWithName(name, variables);
}

} // namespace

ManagedObject* SearchEngine::searchCache()
{
    if (!m_searchCacheFetched)
        fetchSearchCache();
    return m_searchCache;
}

void SearchEngine::refetchSearchCache()
{
    fetchSearchCache();
}

void SearchEngine::fetchSearchCache()
{
    m_searchCache = nullptr;
    m_searchCacheFetched = false;
    ManagedObjectContext* main = context();
    const std::optional<FetchRequest> request = templateRequest(QStringLiteral("fetchSearchCache"));
    if (!main || !request)
        return;
    ManagerObjectContextStateSaving::disableUndoSavingState();
    Error error;
    const std::optional<QList<ManagedObject*>> caches = main->executeFetchRequest(*request, &error);
    ManagedObject* cache = caches && !caches->isEmpty() ? caches->last() : nullptr;
    if (!cache) {
        if (!caches)
            presentError(error);
        cache = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("ManualCollection"), main);
        cache->setValueForKey(tr("Search Results"), QStringLiteral("name"));
        cache->setValueForKey(KRCollectionKindSearchCache, QStringLiteral("kind"));
    }
    if (auto* collection = dynamic_cast<RecipeCollection*>(cache))
        collection->setCollectionImageName(QStringLiteral("image_collection_search"));
    // Set only when they differ: an unchanged cache leaves the context without unsaved changes,
    // so the local search can be answered by the store.
    if (cache->valueForKey(QStringLiteral("index")).toInt() != 1)
        cache->setValueForKey(1, QStringLiteral("index"));
    const QVariant draggable = cache->valueForKey(QStringLiteral("draggable"));
    if (draggable.isNull() || draggable.toBool())
        cache->setValueForKey(false, QStringLiteral("draggable"));
    ManagerObjectContextStateSaving::enableUndoWithSavedState();
    m_searchCache = cache;
    m_searchCacheFetched = true;
}

void SearchEngine::clearSearchCache()
{
    ManagedObjectContext* main = context();
    const std::optional<FetchRequest> request = templateRequest(QStringLiteral("fetchSearchCache"));
    if (!main || !request)
        return;
    Error error;
    const std::optional<QList<ManagedObject*>> caches = main->executeFetchRequest(*request, &error);
    if (!caches) {
        presentError(error);
        return;
    }
    for (ManagedObject* cache : *caches) {
        for (ManagedObject* recipe : cache->objectsForKey(QStringLiteral("recipes"))) {
            bool inLibrary = false;
            for (ManagedObject* collection : recipe->objectsForKey(QStringLiteral("collections"))) {
                if (auto* c = dynamic_cast<RecipeCollection*>(collection); c && c->isLibrary())
                    inLibrary = true;
            }
            if (!recipe->isDeleted() && !inLibrary)
                main->deleteObject(recipe);
        }
    }
}

// ---- searching ----

void SearchEngine::setCurrentTerms(const SearchTermList& terms)
{
    SearchTermList ingredient;
    SearchTermList other;
    for (const auto& term : terms) {
        if (!term || term->searchString().isEmpty())
            continue;
        (term->isIngredientTerm() ? ingredient : other).append(term);
    }
    m_currentIngredientSearchTerms = ingredient;
    announce(QStringLiteral("currentIngredientSearchTerms"));
    m_currentStaticSearchTerms = other;
    announce(QStringLiteral("currentStaticSearchTerms"));
}

void SearchEngine::search(const SearchTermList& terms)
{
    setCurrentTerms(terms);
    // Nothing to look for: the lists, the pane and the cached recipes the shown web results
    // hold all stay as they are.
    if (m_currentIngredientSearchTerms.isEmpty() && m_currentStaticSearchTerms.isEmpty())
        return;
    m_cachedSearchTerms = terms;
    m_searchCount = 1;
    setLocalResultsDataSourceArray({});
    setWebResultsDataSourceArray({});
    m_incompleteResults.clear();
    setMoreResultsAvailable(false);
    // Only once no result holds a cached recipe any more.
    if (m_clearSearchCacheOnNextSearch)
        clearSearchCache();
    startWebSearch(m_cachedSearchTerms, 1);
    localSearch(m_cachedSearchTerms);
    rankLocalResults();
    ++m_searchCount;
}

void SearchEngine::searchMoreResults()
{
    if (m_cachedSearchTerms.isEmpty()) {
        Log::log(QStringLiteral("No cached search terms available to use when searching for more results"));
        return;
    }
    setCurrentTerms(m_cachedSearchTerms);
    startWebSearch(m_cachedSearchTerms, m_searchCount);
    ++m_searchCount;
}

void SearchEngine::localSearch(const SearchTermList& terms)
{
    ManagedObjectContext* main = context();
    if (terms.isEmpty() || !main)
        return;
    const Predicate predicate = SearchTermAdditions::andPredicateFromSearchTerms(terms);
    Log::logf(QStringLiteral("%1"), predicate.predicateFormat());
    // Recipes held only by the cache are never local results. The store tells, row by row for the
    // few recipes the terms leave, whether a recipe is in any collection; only those the cache holds
    // (few) need their collections looked at.
    const std::optional<Predicate> filed
        = Predicate::predicateWithFormat(QStringLiteral("collections.@count > 0"));
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    request.setPredicate(Predicate::andPredicateWithSubpredicates({ predicate, *filed }));
    Error error;
    std::optional<QList<ManagedObject*>> recipes = main->executeFetchRequest(request, &error);
    if (!recipes) {
        presentError(error);
        return;
    }
    const QSet<ManagedObject*> cached = cachedRecipes();
    recipes->removeIf([&cached](ManagedObject* recipe) {
        if (!cached.contains(recipe))
            return false;
        for (ManagedObject* collection : recipe->objectsForKey(QStringLiteral("collections"))) {
            if (collection->valueForKey(QStringLiteral("kind")).toString() != KRCollectionKindSearchCache)
                return false;
        }
        return true;
    });
    if (recipes->isEmpty())
        return;
    SearchResultList results;
    results.reserve(recipes->size());
    for (ManagedObject* recipe : *recipes) {
        auto result = SearchResult::resultWithRecipe(recipe, recipe->valueForKey(QStringLiteral("onlineID")));
        result->setIsLocalResult(true);
        results.append(result);
    }
    addResults(results, true);
}

QSet<ManagedObject*> SearchEngine::cachedRecipes()
{
    QSet<ManagedObject*> recipes;
    ManagedObjectContext* main = context();
    const std::optional<FetchRequest> request = templateRequest(QStringLiteral("fetchSearchCache"));
    if (!main || !request)
        return recipes;
    Error error;
    const std::optional<QList<ManagedObject*>> caches = main->executeFetchRequest(*request, &error);
    if (!caches)
        presentError(error);
    QList<ManagedObject*> collections = caches.value_or(QList<ManagedObject*>());
    if (m_searchCache && !collections.contains(m_searchCache))
        collections.append(m_searchCache);
    for (ManagedObject* cache : collections) {
        for (ManagedObject* recipe : cache->objectsForKey(QStringLiteral("recipes")))
            recipes.insert(recipe);
    }
    return recipes;
}

void SearchEngine::startWebSearch(const SearchTermList& terms, quint64 page)
{
    if (!m_web) {
        endSearch();
        return;
    }
    QStringList strings;
    for (const auto& term : terms)
        strings.append(term ? term->searchString() : QString());
    std::weak_ptr<bool> alive = m_alive;
    // A reply counts only while the engine still searches for these very term objects.
    auto current = [this, alive, terms] { return !alive.expired() && m_cachedSearchTerms == terms; };
    m_web->searchForTerms(
        strings, page,
        [this, current, page](const QVariant& reply) {
            if (!current())
                return;
            newSearchResults(SearchResult::searchResultsFromPlistArray(reply.toList()), page);
            setMoreResultsAvailable(true);
        },
        [this, current](const QString& message) {
            if (!current())
                return;
            Log::logf(QStringLiteral("-[SearchEngine search:] web search failed: %1"), message);
            if (m_pane.searchFailed)
                m_pane.searchFailed(message);
            endSearch();
        });
}

ManagedObject* SearchEngine::recipeForOnlineID(const QVariant& onlineID)
{
    ManagedObjectContext* main = context();
    std::optional<FetchRequest> request
        = templateRequest(QStringLiteral("fetchRecipeByID"), { { QStringLiteral("id"), onlineID } });
    if (!main || !request)
        return nullptr;
    request->setFetchLimit(1);
    Error error;
    const std::optional<QList<ManagedObject*>> found = main->executeFetchRequest(*request, &error);
    if (!found) {
        Log::logf(QStringLiteral("fetch failed! Error - %1"), error.localizedDescription);
        return nullptr;
    }
    return found->isEmpty() ? nullptr : found->first();
}

void SearchEngine::newSearchResults(const SearchResultList& results, quint64 page)
{
    if (results.isEmpty()) {
        endSearch();
        return;
    }
    for (const auto& result : results)
        m_incompleteResults.append(result);
    ManagedObject* libraryCollection = library();
    ManagedObject* cache = searchCache();
    bool webChanged = false;
    bool localChanged = false;
    for (const auto& result : results) {
        ManagedObject* recipe = recipeForOnlineID(result->onlineID());
        if (!recipe)
            continue;
        result->setRecipe(recipe);
        m_incompleteResults.removeOne(result);
        if (isInCollection(recipe, libraryCollection)) {
            result->setIsLocalResult(true);
            addResult(result, true);
            localChanged = true;
        } else if (isInCollection(recipe, cache)) {
            result->setIsLocalResult(false);
            addResult(result, false);
            webChanged = true;
        } else {
            Log::log(QStringLiteral("-[SearchEngine newSearchResults:] orphaned recipe result, contained in "
                                    "database but not in main library or searchRestulsCache."));
        }
    }
    // Only this page's waiting results: those of earlier pages are in the list already and their
    // recipes are on the way.
    SearchResultList waiting;
    for (const auto& result : results) {
        if (m_incompleteResults.contains(result))
            waiting.append(result);
    }
    if (!waiting.isEmpty()) {
        for (const auto& result : waiting) {
            result->setIsLocalResult(false);
            result->setPageNumber(page);
        }
        // A duplicate merged into a result already listed waits no more: that one gets the recipe.
        for (const auto& merged : addResults(waiting, false)) {
            m_incompleteResults.removeOne(merged);
            waiting.removeOne(merged);
        }
        requestRecipes(waiting);
        webChanged = true;
    }
    if (webChanged)
        rankWebResults();
    if (localChanged)
        rankLocalResults();
    endSearch();
    announce(QStringLiteral("resultsCount"));
}

void SearchEngine::requestRecipes(const SearchResultList& waiting)
{
    QVariantList ids;
    for (const auto& result : waiting) {
        const QString key = idKey(result->onlineID());
        if (!hasOnlineID(result->onlineID()) || m_requestedIDs.contains(key))
            continue;
        m_requestedIDs.insert(key);
        ids.append(result->onlineID());
    }
    if (ids.isEmpty() || !m_web)
        return;
    std::weak_ptr<bool> alive = m_alive;
    m_web->recipesForRecipeIDs(
        ids,
        [this, alive](const QVariant& reply) {
            if (!alive.expired())
                recipesArrived(reply.toList());
        },
        [this, alive, ids](const QString& message) {
            if (alive.expired())
                return;
            Log::logf(QStringLiteral("-[SearchEngine newSearchResults:] recipes not fetched: %1"), message);
            // They may be asked for again by a later page.
            for (const QVariant& id : ids)
                m_requestedIDs.remove(idKey(id));
        });
}

void SearchEngine::recipesArrived(const QVariantList& plists)
{
    QList<ManagedObject*> recipes;
    for (const QVariant& item : plists) {
        const QVariantMap plist = item.toMap();
        const QVariant onlineID = plist.value(QStringLiteral("onlineID"));
        m_requestedIDs.remove(idKey(onlineID));
        // A recipe already here (brought by an earlier reply) is not made twice.
        ManagedObject* recipe = hasOnlineID(onlineID) ? recipeForOnlineID(onlineID) : nullptr;
        if (!recipe && m_web) {
            recipe = m_web->recipeManagedObjectFromPlist(plist);
            if (!recipe)
                continue;
            recipe->setValueForKey(false, QStringLiteral("changedRating"));
            recipe->setValueForKey(false, QStringLiteral("changedSharing"));
        }
        if (recipe && !recipes.contains(recipe))
            recipes.append(recipe);
    }
    for (ManagedObject* recipe : recipes)
        addResultRecipe(recipe);
    postUpdatedRecipes(recipes);
    if (m_pane.doneLoading)
        m_pane.doneLoading();
}

void SearchEngine::addResultRecipe(ManagedObject* recipe)
{
    ManagedObject* cache = searchCache();
    if (cache && !isInCollection(recipe, library()) && !isInCollection(recipe, cache))
        recipe->mutableSetValueForKey(QStringLiteral("collections")).addObject(cache);
    const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
    const QString key = idKey(onlineID);
    for (auto it = m_incompleteResults.begin(); it != m_incompleteResults.end();) {
        if (idKey((*it)->onlineID()) != key) {
            ++it;
            continue;
        }
        (*it)->setRecipe(recipe);
        BaseMOAdditions::refreshDisplayString(recipe);
        it = m_incompleteResults.erase(it);
    }
    if (!recipe->valueForKey(QStringLiteral("hasImage")).toBool() && hasOnlineID(onlineID))
        requestPicture(recipe);
}

void SearchEngine::requestPicture(ManagedObject* recipe)
{
    if (!m_web)
        return;
    const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
    std::weak_ptr<bool> alive = m_alive;
    // The recipe is looked up again on arrival: the cache may have been cleared meanwhile.
    m_web->imageForRecipeID(
        onlineID,
        [this, alive, onlineID](const QVariant& reply) {
            if (alive.expired())
                return;
            ManagedObject* recipe = recipeForOnlineID(onlineID);
            if (!recipe || recipe->isDeleted() || recipe->valueForKey(QStringLiteral("hasImage")).toBool())
                return;
            ManagedObject* image = recipe->objectForKey(QStringLiteral("image"));
            if (!image) {
                image = EntityDescription::insertNewObjectForEntityForName(
                    QStringLiteral("Image"), recipe->managedObjectContext());
                recipe->setValueForKey(QVariant::fromValue(image), QStringLiteral("image"));
            }
            if (auto* picture = dynamic_cast<ImageMO*>(image))
                picture->setDataValue(reply.toByteArray());
        },
        [onlineID](const QString& message) {
            Log::logf(QStringLiteral("-[SearchEngine addResultRecipes:] picture of %1 not fetched: %2"),
                onlineID.toString(), message);
        });
}

void SearchEngine::postUpdatedRecipes(const QList<ManagedObject*>& recipes)
{
    // One notification waits at a time; recipes arriving meanwhile join it.
    for (ManagedObject* recipe : recipes) {
        if (!m_pendingUpdatedRecipes.contains(recipe))
            m_pendingUpdatedRecipes.append(recipe);
    }
    if (m_updatePosted)
        return;
    m_updatePosted = true;
    std::weak_ptr<bool> alive = m_alive;
    RunLoop::postToMain([this, alive] {
        if (alive.expired())
            return;
        m_updatePosted = false;
        QVariantList list;
        for (ManagedObject* recipe : std::exchange(m_pendingUpdatedRecipes, {}))
            list.append(QVariant::fromValue(recipe));
        NotificationCenter::defaultCenter().postNotificationName(
            SearchEngineUpdatedRecipesNotification, this, { { QStringLiteral("recipes"), list } });
    });
}

void SearchEngine::endSearch()
{
    if (m_pane.endSearch)
        m_pane.endSearch();
}

// ---- the lists ----

void SearchEngine::setLocalResultsDataSourceArray(const SearchResultList& results)
{
    m_localResults = results;
    m_localSeparator.setCount(quint64(m_localResults.size()));
    announce(QStringLiteral("localResultsDataSourceArray"));
}

void SearchEngine::setWebResultsDataSourceArray(const SearchResultList& results)
{
    m_webResults = results;
    m_webSeparator.setCount(quint64(m_webResults.size()));
    announce(QStringLiteral("webResultsDataSourceArray"));
}

bool SearchEngine::addResult(const std::shared_ptr<SearchResult>& result, bool local)
{
    if (!result)
        return false;
    SearchResultList& list = local ? m_localResults : m_webResults;
    for (const auto& listed : list) {
        if (listed->recipe() == result->recipe()) {
            listed->setMatchCount(listed->matchCount() + 1);
            return false;
        }
    }
    list.append(result);
    (local ? m_localSeparator : m_webSeparator).setCount(quint64(list.size()));
    announce(Change {
        local ? QStringLiteral("localResultsDataSourceArray") : QStringLiteral("webResultsDataSourceArray"),
        Change::Insertion, { int(list.size() - 1) } });
    return true;
}

SearchResultList SearchEngine::addResults(const SearchResultList& results, bool local)
{
    SearchResultList merged;
    if (results.isEmpty())
        return merged;
    SearchResultList& list = local ? m_localResults : m_webResults;
    QHash<QString, std::shared_ptr<SearchResult>> listed;
    listed.reserve(list.size());
    for (const auto& result : list)
        listed.insert(idKey(result->onlineID()), result);
    SearchResultList added;
    for (const auto& result : results) {
        const auto existing = listed.constFind(idKey(result->onlineID()));
        if (existing != listed.constEnd()) {
            (*existing)->setMatchCount((*existing)->matchCount() + 1);
            merged.append(result);
        } else {
            added.append(result);
        }
    }
    if (added.isEmpty())
        return merged;
    const int first = int(list.size());
    list.append(added);
    (local ? m_localSeparator : m_webSeparator).setCount(quint64(list.size()));
    QList<int> indexes;
    for (int i = first; i < list.size(); ++i)
        indexes.append(i);
    announce(Change {
        local ? QStringLiteral("localResultsDataSourceArray") : QStringLiteral("webResultsDataSourceArray"),
        Change::Insertion, indexes });
    return merged;
}

void SearchEngine::removeResults(const SearchResultList& results)
{
    auto removeFrom
        = [this, &results](SearchResultList& list, SearchResultSeparator& separator, const QString& key) {
              QList<int> indexes;
              for (int i = 0; i < list.size(); ++i) {
                  if (results.contains(list.at(i)))
                      indexes.append(i);
              }
              for (auto it = indexes.crbegin(); it != indexes.crend(); ++it)
                  list.removeAt(*it);
              separator.setCount(quint64(list.size()));
              if (!indexes.isEmpty())
                  announce(Change { key, Change::Removal, indexes });
              return indexes.size();
          };
    const qsizetype found
        = removeFrom(m_localResults, m_localSeparator, QStringLiteral("localResultsDataSourceArray"));
    if (found < results.size())
        removeFrom(m_webResults, m_webSeparator, QStringLiteral("webResultsDataSourceArray"));
}

bool SearchEngine::moreResultsAvailable() const
{
    return m_webSeparator.isDisclosed() && m_moreResultsAvailable;
}

void SearchEngine::setMoreResultsAvailable(bool available)
{
    m_moreResultsAvailable = available;
    announce(QStringLiteral("moreResultsAvailable"));
}

void SearchEngine::setNoResults()
{
    announce(QStringLiteral("resultsCount"));
}

QString SearchEngine::resultsCountString() const
{
    const quint64 count = resultsCount();
    if (count == 1)
        return tr("1 Search Result");
    return QStringLiteral("%1 %2").arg(count).arg(tr("Search Results"));
}

int SearchEngine::addObserver(Observer observer)
{
    const int token = m_nextObserverToken++;
    m_observers.emplace_back(token, std::move(observer));
    return token;
}

void SearchEngine::removeObserver(int token)
{
    std::erase_if(m_observers, [token](const auto& entry) { return entry.first == token; });
}

void SearchEngine::announce(const Change& change)
{
    const auto observers = m_observers;
    for (const auto& [token, observer] : observers)
        observer(change);
}

// ---- ranking ----

void SearchEngine::rankWebResults()
{
    rankResults(m_webResults);
}

void SearchEngine::rankLocalResults()
{
    rankResults(m_localResults);
}

double SearchEngine::rankValue(
    const SearchResult& result, const QStringList& terms, const QStringList& staticTerms)
{
    const double m = double(result.matchCount());
    ManagedObject* recipe = result.recipe();
    if (!recipe)
        return m;

    double S = 1.0;
    bool allCovered = true;
    bool exactSeen = false;
    for (ManagedObject* line : recipe->objectsForKey(QStringLiteral("ingredients"))) {
        ManagedObject* base = line->objectForKey(QStringLiteral("baseIngredient"));
        const QString N = base ? base->valueForKey(QStringLiteral("name")).toString() : QString();
        bool lineCovered = true;
        for (const QString& t : terms) {
            if (N.isEmpty() || t.isEmpty())
                lineCovered = false;
            else if (N.compare(t, Qt::CaseInsensitive) == 0) {
                S += 0.125;
                exactSeen = true;
            } else if (N.startsWith(t, Qt::CaseInsensitive))
                S += 0.015;
            else if (N.endsWith(t, Qt::CaseInsensitive))
                S += 0.075;
            else if (N.contains(t, Qt::CaseInsensitive))
                S += 0.01;
            else
                lineCovered = false;
        }
        if (base && base->valueForKey(QStringLiteral("haveIt")).toBool()) {
            S += 0.025;
            lineCovered = true;
        }
        allCovered = allCovered && lineCovered;
    }
    if (!exactSeen)
        S -= 0.25;
    const QString name = recipe->valueForKey(QStringLiteral("name")).toString();
    const QString description = recipe->valueForKey(QStringLiteral("recipeDescription")).toString();
    for (const QString& t : terms) {
        if (containsText(name, t))
            S += 0.1;
        if (containsText(description, t))
            S += 0.015;
    }
    if (result.isSubstitutionForSearchTerm())
        S *= 0.9;
    double v = m * S;
    if (result.searchTermIsSubstitute())
        v *= 0.75;
    if (allCovered)
        v *= 1.5;
    double P = 1.0;
    for (const QString& u : staticTerms) {
        if (containsText(name, u))
            P += 0.075;
        if (containsText(description, u))
            P += 0.015;
    }
    const float rating = recipe->valueForKey(QStringLiteral("rating")).toFloat();
    const double F = rating > 0.0005f ? double(rating) / 25.0 + 0.85 : 0.9;
    v = v * P * F;
    return v;
}

void SearchEngine::rankResults(SearchResultList& list)
{
    QStringList terms;
    for (const auto& term : m_currentIngredientSearchTerms)
        terms.append(term->searchString());
    QStringList staticTerms;
    for (const auto& term : m_currentStaticSearchTerms)
        staticTerms.append(term->searchString());
    const double M = KRMaxResultRankValue;
    double lo = double(std::numeric_limits<float>::max());
    double hi = 0.0;
    for (const auto& result : list) {
        const double v = rankValue(*result, terms, staticTerms);
        result->setRank(v);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
    }
    for (const auto& result : list) {
        const double x = result->rank();
        if (hi > lo)
            result->setRank((x - lo) * (M - 1.0) / (hi - lo) + 1.0);
        else
            result->setRank(std::max(1.0, x * (hi == 0.0 ? 1.0 : M / hi)));
    }
    if (!list.isEmpty() && m_pane.sortDescriptors) {
        const QList<SortDescriptor> descriptors = m_pane.sortDescriptors();
        const bool byPage = std::any_of(descriptors.begin(), descriptors.end(),
            [](const SortDescriptor& d) { return d.key() == QLatin1String("pageNumber"); });
        if (!descriptors.isEmpty() && descriptors.first().key() == QLatin1String("rank") && !byPage) {
            QList<SortDescriptor> order { SortDescriptor(QStringLiteral("pageNumber")) };
            order.append(descriptors);
            std::stable_sort(list.begin(), list.end(), [&order](const auto& a, const auto& b) {
                for (const SortDescriptor& d : order) {
                    int c = SortDescriptor::compareValues(
                        a->valueForKey(d.key()), b->valueForKey(d.key()), d.selector());
                    if (!d.ascending())
                        c = -c;
                    if (c != 0)
                        return c < 0;
                }
                return false;
            });
        }
    }
    NotificationCenter::defaultCenter().postNotificationName(SearchEngineRanksChangedNotification, this);
}

// ---- the results table's data source ----

int SearchEngine::numberOfRows() const
{
    int rows = 2;
    if (m_localSeparator.isDisclosed())
        rows += int(m_localResults.size());
    if (m_webSeparator.isDisclosed())
        rows += int(m_webResults.size());
    if (moreResultsAvailable())
        ++rows;
    return rows;
}

SearchEngine::Row SearchEngine::groupRowObject(int row) const
{
    Row answer;
    if (row == 0)
        answer.separator = const_cast<SearchResultSeparator*>(&m_localSeparator);
    else if (row == (m_localSeparator.isDisclosed() ? int(m_localSeparator.count()) + 1 : 1))
        answer.separator = const_cast<SearchResultSeparator*>(&m_webSeparator);
    return answer;
}

SearchEngine::Row SearchEngine::rowObject(int row) const
{
    Row answer;
    if (row < 0)
        return answer;
    if (row == 0) {
        answer.separator = const_cast<SearchResultSeparator*>(&m_localSeparator);
        return answer;
    }
    int r = row - 1;
    if (m_localSeparator.isDisclosed()) {
        if (r < m_localResults.size()) {
            answer.result = m_localResults.at(r);
            return answer;
        }
        r -= int(m_localResults.size());
    }
    if (r == 0)
        answer.separator = const_cast<SearchResultSeparator*>(&m_webSeparator);
    else if (r > 0 && m_webSeparator.isDisclosed() && r - 1 < m_webResults.size())
        answer.result = m_webResults.at(r - 1);
    return answer;
}

QVariant SearchEngine::objectValue(const QString& columnIdentifier, int row) const
{
    const Row object = rowObject(row);
    if (object.separator)
        return object.separator->title();
    return object.result ? object.result->valueForKey(columnIdentifier) : QVariant();
}

void SearchEngine::setObjectValue(const QVariant& value, const QString& columnIdentifier, int row)
{
    const Row object = rowObject(row);
    if (object.result && !columnIdentifier.isEmpty())
        object.result->setValueForKey(value, columnIdentifier);
}

QList<int> SearchEngine::sortDescriptorsDidChange(
    const QList<SortDescriptor>& descriptors, const QList<int>& selectedRows)
{
    QList<std::pair<std::shared_ptr<SearchResult>, bool>> remembered;
    for (int row : selectedRows) {
        const Row object = rowObject(row);
        if (object.result)
            remembered.append({ object.result, m_localResults.contains(object.result) });
    }
    auto sortList = [&descriptors](SearchResultList& list) {
        std::stable_sort(list.begin(), list.end(), [&descriptors](const auto& a, const auto& b) {
            for (const SortDescriptor& d : descriptors) {
                int c = SortDescriptor::compareValues(
                    a->valueForKey(d.key()), b->valueForKey(d.key()), d.selector());
                if (!d.ascending())
                    c = -c;
                if (c != 0)
                    return c < 0;
            }
            return false;
        });
    };
    sortList(m_localResults);
    sortList(m_webResults);
    QList<int> rows;
    for (const auto& [result, local] : remembered) {
        if (local) {
            const qsizetype i = m_localResults.indexOf(result);
            if (i >= 0)
                rows.append(int(i) + 1);
        } else {
            const qsizetype j = m_webResults.indexOf(result);
            if (j >= 0)
                rows.append(int(j) + 2 + (m_localSeparator.isDisclosed() ? int(m_localResults.size()) : 0));
        }
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

bool SearchEngine::writeRows(const QList<int>& rows, QMimeData& pasteboard) const
{
    QList<int> ordered = rows;
    std::sort(ordered.begin(), ordered.end());
    QList<QUrl> uris;
    for (int row : ordered) {
        const Row object = rowObject(row);
        if (object.result && object.result->recipe())
            uris.append(object.result->recipe()->objectID().URIRepresentation());
    }
    RecipePasteboard::writeRecipeURIs(pasteboard, uris);
    return true;
}

SearchEngine::DropOperation SearchEngine::validateDrop(bool fromThisTable)
{
    return fromThisTable ? DropOperation::None : DropOperation::Copy;
}
