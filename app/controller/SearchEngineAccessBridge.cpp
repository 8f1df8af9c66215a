#include "SearchEngineAccessBridge.h"

#include "SearchEngineService.h"

SearchEngineAccessBridge::SearchEngineAccessBridge(std::function<SearchEngineService*()> engine)
    : m_engine(std::move(engine))
{
    setShared(this);
}

SearchEngineAccessBridge::~SearchEngineAccessBridge()
{
    if (shared() == this)
        setShared(nullptr);
}

void SearchEngineAccessBridge::clearSearchCacheOnNextSearch()
{
    if (SearchEngineService* engine = m_engine ? m_engine() : nullptr)
        engine->clearSearchCacheOnNextSearch();
}
