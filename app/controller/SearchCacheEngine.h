#pragma once

#include "Error.h"
#include "SearchEngineService.h"

#include <functional>

class ManagedObjectContext;

// The search-results cache of the search engine: the collection of kind search cache that holds
// the recipes web searches brought in, and the flag that has the next search clear it. The rest of
// the search engine lives with search and import; until then this is the engine the application
// controller uses. Main thread only, on the main context.
class SearchCacheEngine : public SearchEngineService
{
public:
    // `context` answers the main context (nullptr while there is none); `presentError` shows a
    // failed fetch to the user.
    SearchCacheEngine(
        std::function<ManagedObjectContext*()> context, std::function<void(const Error&)> presentError);

    // Found in the store on first need, then held until refetchSearchCache.
    ManagedObject* searchCache() override;
    void clearSearchCacheOnNextSearch() override { m_clearOnNextSearch = true; }
    void clearSearchCache() override;
    void refetchSearchCache() override;

    bool clearsSearchCacheOnNextSearch() const { return m_clearOnNextSearch; }

private:
    std::function<ManagedObjectContext*()> m_context;
    std::function<void(const Error&)> m_presentError;
    ManagedObject* m_searchCache = nullptr;
    bool m_fetched = false;
    bool m_clearOnNextSearch = false;
};
