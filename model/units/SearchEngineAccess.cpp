#include "SearchEngineAccess.h"

#include <atomic>

namespace
{
std::atomic<SearchEngineAccess*> g_shared { nullptr };
}

SearchEngineAccess* SearchEngineAccess::shared()
{
    return g_shared.load();
}

void SearchEngineAccess::setShared(SearchEngineAccess* access)
{
    g_shared.store(access);
}
