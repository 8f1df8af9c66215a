#pragma once

#include "SearchEngineAccess.h"

#include <functional>

class SearchEngineService;

// Lets the model (the units engine) reach the search engine: forwards to whatever engine
// `engine` answers at the moment of the call (nothing happens while it answers nullptr).
// Installs itself as the shared access while alive. Main thread only.
class SearchEngineAccessBridge : public SearchEngineAccess
{
public:
    explicit SearchEngineAccessBridge(std::function<SearchEngineService*()> engine);
    ~SearchEngineAccessBridge() override;
    SearchEngineAccessBridge(const SearchEngineAccessBridge&) = delete;
    SearchEngineAccessBridge& operator=(const SearchEngineAccessBridge&) = delete;

    void clearSearchCacheOnNextSearch() override;

private:
    std::function<SearchEngineService*()> m_engine;
};
