#pragma once

#include "Error.h"
#include "SearchEngineService.h"
#include "SearchResult.h"
#include "SearchResultSeparator.h"
#include "SearchTerm.h"
#include "SortDescriptor.h"

#include <QHash>
#include <QList>
#include <QMimeData>
#include <QSet>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class ManagedObject;
class ManagedObjectContext;
class WebSearchService;

inline const QString SearchEngineRanksChangedNotification
    = QStringLiteral("SearchEngineRanksChangedNotification");
inline const QString SearchEngineUpdatedRecipesNotification
    = QStringLiteral("SearchEngineUpdatedRecipesNotification");

using SearchResultList = QList<std::shared_ptr<SearchResult>>;

// The one search engine: searches the library in the main context, asks the web recipe service
// for pages of results, merges both into a local and a web list, brings the web results' recipes
// and pictures into the search-results cache collection, ranks every list from 1 to 10 and tells
// the search pane through notifications and its pane hooks. It is also the data source of the
// results table. The main context, the library and error presentation come from
// KitchoraServices. Main thread only.
class SearchEngine : public SearchEngineService
{
public:
    // What the engine tells the search pane and asks of it; any may be left empty.
    struct Pane {
        std::function<void()> endSearch;
        // A web request failed for good; the search ended with what the library had.
        std::function<void(const QString& message)> searchFailed;
        // Recipes of web results arrived (the application's busy indicator steps down).
        std::function<void()> doneLoading;
        // The results table's sort descriptors, read when a list is ranked.
        std::function<QList<SortDescriptor>()> sortDescriptors;
    };

    // How an observed value changed (the results table follows the lists by it).
    struct Change {
        enum Kind { Setting, Insertion, Removal };
        QString key;
        Kind kind = Setting;
        QList<int> indexes; // of an insertion or removal
    };
    using Observer = std::function<void(const Change& change)>;

    // `web` is not owned and must outlive the engine; nullptr: local search only. The cache is
    // fetched now when there is a main context, else on first need.
    explicit SearchEngine(WebSearchService* web = nullptr);
    ~SearchEngine() override;
    SearchEngine(const SearchEngine&) = delete;
    SearchEngine& operator=(const SearchEngine&) = delete;

    // Made on first use with the web service set before, and kept for the process.
    static SearchEngine& sharedSearchEngine();
    // Not owned; takes effect when the shared engine is made.
    static void setSharedWebService(WebSearchService* web);

    void setPane(Pane pane) { m_pane = std::move(pane); }
    const Pane& pane() const { return m_pane; }

    // A new search for the terms (comma pieces, empty ones included). Terms that are all empty
    // change nothing.
    void search(const SearchTermList& terms);
    // The next web page of the current search.
    void searchMoreResults();

    ManagedObject* searchCache() override;
    void refetchSearchCache() override;
    void clearSearchCache() override;
    void clearSearchCacheOnNextSearch() override { m_clearSearchCacheOnNextSearch = true; }
    bool clearsSearchCacheOnNextSearch() const { return m_clearSearchCacheOnNextSearch; }

    const SearchResultList& localResultsDataSourceArray() const { return m_localResults; }
    const SearchResultList& webResultsDataSourceArray() const { return m_webResults; }
    void setLocalResultsDataSourceArray(const SearchResultList& results);
    void setWebResultsDataSourceArray(const SearchResultList& results);
    SearchResultSeparator& localSearchResultsSeparator() { return m_localSeparator; }
    SearchResultSeparator& webSearchResultsSeparator() { return m_webSeparator; }
    const SearchTermList& cachedSearchTerms() const { return m_cachedSearchTerms; }
    const SearchTermList& currentIngredientSearchTerms() const { return m_currentIngredientSearchTerms; }
    const SearchTermList& currentStaticSearchTerms() const { return m_currentStaticSearchTerms; }
    quint64 searchCount() const { return m_searchCount; }
    // Web results still waiting for their recipes.
    const SearchResultList& incompleteSearchResults() const { return m_incompleteResults; }

    // Removes the results from the local list, and from the web list those it did not hold.
    void removeResults(const SearchResultList& results);
    void rankWebResults();
    void rankLocalResults();
    // The value a result ranks by before the list is scaled: its match count weighed by how its
    // recipe's ingredient lines, name and description meet the terms, and by its rating.
    static double rankValue(
        const SearchResult& result, const QStringList& terms, const QStringList& staticTerms);

    // A further web page may be asked for: only while the web header is disclosed.
    bool moreResultsAvailable() const;
    void setMoreResultsAvailable(bool available);
    // Announces a change of the result count so that its text is drawn again.
    void setNoResults();
    quint64 resultsCount() const { return quint64(m_localResults.size() + m_webResults.size()); }
    QString resultsCountString() const;

    int addObserver(Observer observer);
    void removeObserver(int token);

    // The results table's data source. A row holds a header, a result, or nothing (the more-
    // results row, rows past the end).
    struct Row {
        SearchResultSeparator* separator = nullptr;
        std::shared_ptr<SearchResult> result;
        bool isEmpty() const { return !separator && !result; }
    };
    int numberOfRows() const;
    // The whole row's object.
    Row rowObject(int row) const;
    // The full-width cell's object: the two headers only.
    Row groupRowObject(int row) const;
    // A result's value for the column's key path; nothing for other rows.
    QVariant objectValue(const QString& columnIdentifier, int row) const;
    void setObjectValue(const QVariant& value, const QString& columnIdentifier, int row);
    // Sorts both lists; answers the rows at which the results on `selectedRows` now are.
    QList<int> sortDescriptorsDidChange(
        const QList<SortDescriptor>& descriptors, const QList<int>& selectedRows);
    // The object URIs of the rows' recipes as RecipeURIDataPboardType; always true.
    bool writeRows(const QList<int>& rows, QMimeData& pasteboard) const;
    // Copy for rows dragged from elsewhere, nothing for rows of this table.
    enum class DropOperation { None, Copy };
    static DropOperation validateDrop(bool fromThisTable);

private:
    struct Fetched;
    void fetchSearchCache();
    ManagedObjectContext* context() const;
    ManagedObject* library() const;
    void presentError(const Error& error) const;
    void setCurrentTerms(const SearchTermList& terms);
    void startWebSearch(const SearchTermList& terms, quint64 page);
    void localSearch(const SearchTermList& terms);
    // The recipes of every search-results cache collection.
    QSet<ManagedObject*> cachedRecipes();
    void newSearchResults(const SearchResultList& results, quint64 page);
    void requestRecipes(const SearchResultList& waiting);
    void recipesArrived(const QVariantList& plists);
    void addResultRecipe(ManagedObject* recipe);
    void requestPicture(ManagedObject* recipe);
    ManagedObject* recipeForOnlineID(const QVariant& onlineID);
    bool addResult(const std::shared_ptr<SearchResult>& result, bool local);
    SearchResultList addResults(const SearchResultList& results, bool local);
    void rankResults(SearchResultList& list);
    void postUpdatedRecipes(const QList<ManagedObject*>& recipes);
    void endSearch();
    void announce(const Change& change);
    void announce(const QString& key) { announce(Change { key, Change::Setting, {} }); }

    WebSearchService* m_web = nullptr;
    Pane m_pane;
    SearchResultList m_incompleteResults;
    SearchResultList m_localResults;
    SearchResultList m_webResults;
    SearchResultSeparator m_localSeparator;
    SearchResultSeparator m_webSeparator;
    ManagedObject* m_searchCache = nullptr;
    bool m_searchCacheFetched = false;
    SearchTermList m_cachedSearchTerms;
    SearchTermList m_currentIngredientSearchTerms;
    SearchTermList m_currentStaticSearchTerms;
    quint64 m_searchCount = 0;
    bool m_moreResultsAvailable = true;
    bool m_clearSearchCacheOnNextSearch = false;
    // Web identifiers asked for and not yet answered, so no recipe is asked for twice.
    QSet<QString> m_requestedIDs;
    // Recipes waiting in the one queued "updated recipes" notification.
    QList<ManagedObject*> m_pendingUpdatedRecipes;
    bool m_updatePosted = false;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_nextObserverToken = 1;
    // Web replies arriving after the engine is gone find this expired.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
