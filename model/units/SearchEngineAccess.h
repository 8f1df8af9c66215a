#pragma once

// What the units engine needs of the search engine, which lives in a layer above the model.
// The application controller installs its bridge at launch; until then calls do nothing.
class SearchEngineAccess
{
public:
    virtual ~SearchEngineAccess() = default;
    // Have the next search start by clearing the search-results cache.
    virtual void clearSearchCacheOnNextSearch() = 0;

    // The installed bridge (not owned), or nullptr.
    static SearchEngineAccess* shared();
    static void setShared(SearchEngineAccess* access);
};
