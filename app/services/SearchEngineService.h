#pragma once

class ManagedObject;

// What the application controller asks of the search engine: its search-results cache.
// Main thread only, on the main context.
class SearchEngineService
{
public:
    virtual ~SearchEngineService() = default;

    // The search-results cache collection the engine holds, or nullptr; no side effect.
    virtual ManagedObject* searchCache() = 0;
    // Only sets the flag that makes the next search clear the cache first.
    virtual void clearSearchCacheOnNextSearch() = 0;
    // Deletes from the main context every recipe of the cache collections that is not also in
    // the library; does not save. A failed fetch presents its error.
    virtual void clearSearchCache() = 0;
    // Finds the cache collection again in the current store (after the store was replaced).
    virtual void refetchSearchCache() = 0;
};
