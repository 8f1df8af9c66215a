#pragma once

#include "NotificationCenter.h"
#include "RunLoop.h"
#include "SearchControllerService.h"
#include "SearchEngine.h"
#include "SearchResultTableView.h"
#include "SearchSplitView.h"
#include "SearchTerm.h"
#include "SearchView.h"

#include <QLabel>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QStackedWidget>
#include <functional>
#include <memory>

class ManagedObject;
class QMenu;
class SVSearchFieldView;
class WebSearchService;

// Runs the search pane: the stack of search-field rows above the middle pane, the results table
// in place of the recipe list, and which selection the recipe page shows. A change in a field
// searches 0.75 s after the last change; the terms go to the engine, whose results the table
// shows under their headers; the selected result is offered to the recipe page. It is also the
// results table's delegate and the split view's delegate (the search area keeps whole rows).
// Main thread only.
class SearchController : public QObject, public SearchControllerService
{
    Q_OBJECT

public:
    // What the controller reaches outside the pane; an empty function answers false or nothing.
    struct Outlets {
        // The application controller's flag: true while the recipe list shows instead of the
        // results.
        std::function<bool()> searchResultsTableHidden;
        std::function<void(bool hidden)> setSearchResultsTableHidden;
        // The source list: its one selected collection (nullptr: none or several) and selecting one.
        std::function<ManagedObject*()> selectedCollection;
        std::function<void(ManagedObject* collection)> selectCollection;
        // The recipe page: the recipe it shows, leaving editing, and reading the selection again
        // from the search results (true) or from the recipe list (false).
        std::function<ManagedObject*()> currentRecipe;
        std::function<void(bool editable)> setRecipePageEditable;
        std::function<void(bool fromSearchResults)> pageSelectionDidChange;
        // The contextual menu of a result's recipe (owned by the caller), or nullptr.
        std::function<QMenu*(ManagedObject* recipe)> recipeContextualMenu;
        // The keyboard loop's neighbours.
        std::function<QWidget*()> recipeTableView;
        std::function<QWidget*()> collectionsOutlineView;
    };

    // The selected result (`selection`): nothing, several, or one row's recipe (nullptr for a
    // header or a web result whose recipe has not arrived).
    struct Selection {
        enum Kind { NoSelection, MultipleValues, Value };
        Kind kind = NoSelection;
        ManagedObject* recipe = nullptr;
    };

    static constexpr double kSearchDelay = 0.75;
    // The fixed top of the search area; a taller pane may show more rows (see
    // constrainMaxCoordinate).
    static constexpr double kMaximumSearchAreaHeight = 55.0;
    static constexpr double kMoreResultsRowHeight = 24.0;

    // `engine` and `web` (may be nullptr: no pictures asked for) are not owned and must outlive the
    // controller; the controller becomes the engine's pane.
    SearchController(SearchEngine& engine, WebSearchService* web, Outlets outlets, QObject* parent = nullptr);
    ~SearchController() override;

    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }
    const Outlets& outlets() const { return m_outlets; }

    // SearchControllerService
    QWidget* searchPane(QWidget* lists) override;
    void outlineViewAction() override;
    void collapseAllSearchFields() override;

    SearchEngine& engine() const { return m_engine; }
    // The pane's parts, made by searchPane (nullptr before).
    SearchView* searchView() const { return m_searchView; }
    SearchResultTableView* searchResultsTableView() const { return m_searchResultsTableView; }
    SearchSplitView* splitView() const { return m_splitView; }
    QLabel* searchResultsField() const { return m_searchResultsField; }

    // A change in a search field: searches once no further change came for 0.75 s.
    void search(QObject* sender = nullptr);
    void delayedSearch();
    void searchForTerms(const SearchTermList& terms);
    // From the recipe page's menus: clears the fields, shows the terms in them when asked, and
    // searches at once.
    void manualSearchForTerms(const SearchTermList& terms, bool updateSearchFields);
    // The rows' terms in row order, empty ones left out, each split at commas.
    SearchTermList getSearchTerms() const;
    // The more-results row's button.
    void searchMoreResults();
    // The engine ended a search or a page request.
    void endSearch();
    void addSearchField();
    // From a control inside a search-field row; anything else is logged and ignored.
    void removeSearchField(QObject* sender);
    SVSearchFieldView* instantiateNewSearchFieldView();

    bool isSearching() const { return m_isSearching; }

    Selection selection();
    // The selected result's recipe, or nullptr.
    ManagedObject* searchSelection();
    bool selectionIsLocal();
    // The selected results (headers left out), in row order.
    SearchResultList multipleSelection() const;
    QList<int> searchResultsTableViewSelectionIndexes() const { return m_selectionIndexes; }
    void setSearchResultsTableViewSelectionIndexes(const QList<int>& indexes);
    // True while the recipe page reads the search results' selection.
    bool showsSearchSelection() const { return m_showsSearchSelection; }

    // The results table's delegate.
    bool isGroupRow(int row) const;
    bool shouldSelectRow(int row) const;
    double heightOfRow(int row, double rowHeight) const;
    void tableViewSelectionDidChange();

    // The split view's delegate.
    double heightOfASearchField() const;
    double constrainMinCoordinate() const { return heightOfASearchField(); }
    // 55, or half the split view's height when that is more, so that further rows can be added.
    double constrainMaxCoordinate(double proposedMaximum) const;
    // The nearer row boundary to `position` (half-way goes to the larger one).
    double constrainSplitPosition(double position) const;

signals:
    void isSearchingChanged(bool searching);
    // The selection, its card and whether it is local may have changed.
    void selectionChanged();
    // The engine's last web request failed for good.
    void searchFailed(const QString& message);

private:
    void setIsSearching(bool searching);
    void unbindRecipeView();
    void rebindRecipeView();
    void engineChanged(const SearchEngine::Change& change);
    void rankingsChanged();
    void recipesArrived(const QVariantList& recipes);
    void reloadTable();
    void updateResultsCount();
    void requestPictureOnce(ManagedObject* recipe);
    bool holdsRecipe(const ManagedObject* recipe) const;
    void announceSelection();
    bool selectedCollectionIsSearchCache(bool* single) const;

    SearchEngine& m_engine;
    WebSearchService* m_web;
    Outlets m_outlets;

    QPointer<SearchSplitView> m_splitView;
    QPointer<SearchView> m_searchView;
    QPointer<SearchResultTableView> m_searchResultsTableView;
    QPointer<QLabel> m_searchResultsField;
    QPointer<QStackedWidget> m_resultsArea;
    QPointer<QWidget> m_lists;
    QPointer<QWidget> m_resultsPane;

    bool m_isSearching = false;
    RunLoop::Token m_delayedSearch = 0;
    bool m_showsSearchSelection = false;
    QList<int> m_selectionIndexes;
    ManagedObject* m_observedObject = nullptr;
    int m_engineObserver = 0;
    ScopedObserver m_ranksObserver;
    ScopedObserver m_updatedObserver;
    // The controller selects the search cache itself: the source list's change is not the user's.
    bool m_selectingSearchCache = false;
    // The engine may end a search inside its own search call (no web service): the row is chosen
    // once the local results are in.
    bool m_inEngineSearch = false;
    bool m_endSearchPending = false;
    // Web identifiers whose picture was asked for and not yet answered.
    QSet<QString> m_picturesAsked;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
