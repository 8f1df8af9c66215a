#include "SearchController.h"

#include "EntityDescription.h"
#include "ImageMO.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "RecipeCollection.h"
#include "SVSearchFieldView.h"
#include "SearchResultTableView.h"
#include "SearchSplitView.h"
#include "SearchView.h"
#include "WebSearchService.h"

#include <QCoreApplication>
#include <QLabel>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace
{

template <typename R, typename... Args> R ask(const std::function<R(Args...)>& f, R fallback, Args... args)
{
    return f ? f(args...) : fallback;
}

bool isGone(const ManagedObject* recipe)
{
    return !recipe || recipe->isDeleted() || !recipe->managedObjectContext();
}

QString idKey(const QVariant& onlineID)
{
    return onlineID.isValid() && !onlineID.isNull() ? onlineID.toString() : QString();
}

} // namespace

SearchController::SearchController(
    SearchEngine& engine, WebSearchService* web, Outlets outlets, QObject* parent)
    : QObject(parent)
    , m_engine(engine)
    , m_web(web)
    , m_outlets(std::move(outlets))
{
    SearchEngine::Pane pane = m_engine.pane();
    std::weak_ptr<bool> alive = m_alive;
    pane.endSearch = [this, alive] {
        if (!alive.expired())
            endSearch();
    };
    pane.searchFailed = [this, alive](const QString& message) {
        if (!alive.expired())
            emit searchFailed(message);
    };
    pane.sortDescriptors = [this, alive]() -> QList<SortDescriptor> {
        if (alive.expired() || !m_searchResultsTableView)
            return {};
        return m_searchResultsTableView->sortDescriptors();
    };
    m_engine.setPane(std::move(pane));
    m_engineObserver
        = m_engine.addObserver([this](const SearchEngine::Change& change) { engineChanged(change); });
    m_updatedObserver = ScopedObserver(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(
            SearchEngineUpdatedRecipesNotification, &m_engine, [this](const Notification& notification) {
                recipesArrived(notification.userInfo.value(QStringLiteral("recipes")).toList());
            }));
}

SearchController::~SearchController()
{
    if (m_delayedSearch)
        RunLoop::cancel(m_delayedSearch);
    m_engine.removeObserver(m_engineObserver);
    SearchEngine::Pane pane = m_engine.pane();
    pane.endSearch = nullptr;
    pane.searchFailed = nullptr;
    pane.sortDescriptors = nullptr;
    m_engine.setPane(std::move(pane));
    // The pane's widgets belong to the window; they must not call back into a controller that is gone.
    if (m_searchView)
        m_searchView->disconnect(this);
    if (m_splitView)
        m_splitView->setDelegate({});
}

// ---- the pane ----

QWidget* SearchController::searchPane(QWidget* lists)
{
    if (m_splitView)
        return m_splitView;
    m_lists = lists;
    auto* searchArea = new QWidget;
    searchArea->setObjectName(QStringLiteral("searchBackgroundView"));
    searchArea->setAutoFillBackground(true);
    QPalette grey = searchArea->palette();
    grey.setColor(QPalette::Window, QColor(0xe8, 0xe8, 0xe8));
    searchArea->setPalette(grey);
    m_searchView = new SearchView(this, searchArea);
    auto* areaLayout = new QVBoxLayout(searchArea);
    areaLayout->setContentsMargins(0, 0, 0, 0);
    areaLayout->addWidget(m_searchView);

    m_searchResultsTableView = new SearchResultTableView(m_engine);
    m_searchResultsTableView->setSearchController(this);
    m_searchResultsField = new QLabel;
    m_searchResultsField->setAlignment(Qt::AlignCenter);
    m_resultsPane = new QWidget;
    auto* resultsLayout = new QVBoxLayout(m_resultsPane);
    resultsLayout->setContentsMargins(0, 0, 0, 0);
    resultsLayout->setSpacing(0);
    resultsLayout->addWidget(m_searchResultsTableView, 1);
    resultsLayout->addWidget(m_searchResultsField);

    m_resultsArea = new QStackedWidget;
    if (lists)
        m_resultsArea->addWidget(lists);
    m_resultsArea->addWidget(m_resultsPane);
    m_resultsArea->setCurrentWidget(
        ask(m_outlets.searchResultsTableHidden, true) && lists ? lists : m_resultsPane.data());

    m_splitView = new SearchSplitView(searchArea, m_resultsArea);
    m_splitView->setObjectName(QStringLiteral("searchSplitView"));
    std::weak_ptr<bool> alive = m_alive;
    m_splitView->setDelegate({
        [this] { return constrainMinCoordinate(); },
        [this](double proposed) { return constrainMaxCoordinate(proposed); },
        [this](double position) { return constrainSplitPosition(position); },
    });
    m_splitView->setTopHeight(SearchView::SearchFieldViewHeight);
    connect(m_splitView, &QObject::destroyed, this, [this] {
        // The window let the pane go: the engine no longer reaches its table.
        m_searchResultsTableView = nullptr;
    });
    updateResultsCount();
    m_searchView->frameChanged();
    return m_splitView;
}

void SearchController::collapseAllSearchFields()
{
    if (m_searchView)
        m_searchView->collapseAllSearchFields();
}

// ---- searching ----

void SearchController::search(QObject*)
{
    if (m_delayedSearch)
        RunLoop::cancel(m_delayedSearch);
    std::weak_ptr<bool> alive = m_alive;
    m_delayedSearch = RunLoop::postAfterDelay(kSearchDelay, [this, alive] {
        if (alive.expired())
            return;
        m_delayedSearch = 0;
        delayedSearch();
    });
}

void SearchController::delayedSearch()
{
    searchForTerms(getSearchTerms());
}

SearchTermList SearchController::getSearchTerms() const
{
    SearchTermList terms;
    if (!m_searchView)
        return terms;
    for (const SVSearchFieldView* row : m_searchView->searchFields()) {
        const std::shared_ptr<SearchTerm> term = row->searchTerm();
        if (!term || term->searchString().isEmpty())
            continue;
        if (term->isIngredientTerm())
            terms.append(term->separateSearchTermOnString(QStringLiteral(",")));
        else
            terms.append(term);
    }
    return terms;
}

void SearchController::searchForTerms(const SearchTermList& terms)
{
    // Terms that are all empty (blanks only, a lone comma) start nothing the engine would end.
    const bool nothing = std::all_of(
        terms.begin(), terms.end(), [](const auto& term) { return !term || term->searchString().isEmpty(); });
    if (nothing) {
        setIsSearching(false);
        return;
    }
    setIsSearching(true);
    if (ManagedObject* cache = m_engine.searchCache(); cache && m_outlets.selectCollection) {
        m_selectingSearchCache = true;
        m_outlets.selectCollection(cache);
        // A cache the engine has just made is not in the source list yet: it reads the collections
        // again first.
        if (m_outlets.selectedCollection && m_outlets.selectedCollection() != cache) {
            if (KitchoraServices* services = KitchoraServices::shared())
                services->rearrangeCollections();
            m_outlets.selectCollection(cache);
        }
        m_selectingSearchCache = false;
    }
    if (ask(m_outlets.searchResultsTableHidden, true))
        unbindRecipeView();
    if (m_outlets.setSearchResultsTableHidden)
        m_outlets.setSearchResultsTableHidden(false);
    if (m_resultsArea)
        m_resultsArea->setCurrentWidget(m_resultsPane);
    m_inEngineSearch = true;
    m_engine.search(terms);
    m_inEngineSearch = false;
    if (std::exchange(m_endSearchPending, false))
        endSearch();
    announceSelection();
}

void SearchController::manualSearchForTerms(const SearchTermList& terms, bool updateSearchFields)
{
    if (m_searchView) {
        m_searchView->clearAllSearchFields();
        if (updateSearchFields) {
            const QList<SVSearchFieldView*>& rows = m_searchView->searchFields();
            for (qsizetype i = 0; i < terms.size() && i < rows.size(); ++i)
                rows.at(i)->setSearchTerm(terms.at(i));
        }
    }
    searchForTerms(terms);
}

void SearchController::searchMoreResults()
{
    if (!m_engine.moreResultsAvailable())
        return;
    setIsSearching(true);
    m_engine.setMoreResultsAvailable(false);
    reloadTable();
    m_engine.searchMoreResults();
}

void SearchController::endSearch()
{
    if (m_inEngineSearch) {
        m_endSearchPending = true;
        return;
    }
    setIsSearching(false);
    if (m_engine.numberOfRows() < 3)
        m_engine.setNoResults();
    int row = 0;
    if (m_engine.rowObject(1).result)
        row = 1;
    else if (m_engine.rowObject(2).result)
        row = 2;
    if (m_searchResultsTableView)
        m_searchResultsTableView->selectRows({ row });
    // A header cannot be selected in the table; the controller holds it all the same (no recipe).
    setSearchResultsTableViewSelectionIndexes({ row });
}

void SearchController::setIsSearching(bool searching)
{
    if (m_isSearching == searching)
        return;
    m_isSearching = searching;
    emit isSearchingChanged(searching);
}

void SearchController::addSearchField()
{
    if (m_searchView)
        m_searchView->revealNextSearchField();
}

void SearchController::removeSearchField(QObject* sender)
{
    auto* control = qobject_cast<QWidget*>(sender);
    auto* row = control ? qobject_cast<SVSearchFieldView*>(control->parentWidget()) : nullptr;
    if (!row || !m_searchView) {
        Log::log(QStringLiteral("bad class sending removeSearchField:\n"));
        return;
    }
    m_searchView->removeSearchFieldView(row, true);
    if (m_isSearching)
        search(sender);
}

SVSearchFieldView* SearchController::instantiateNewSearchFieldView()
{
    return new SVSearchFieldView(this);
}

// ---- the middle pane's state ----

bool SearchController::selectedCollectionIsSearchCache(bool* single) const
{
    ManagedObject* collection = ask(m_outlets.selectedCollection, static_cast<ManagedObject*>(nullptr));
    const auto* recipes = dynamic_cast<const RecipeCollection*>(collection);
    *single = recipes != nullptr;
    return recipes && recipes->isSearchCache();
}

void SearchController::outlineViewAction()
{
    const bool fromOutlineView = !m_selectingSearchCache;
    if (!ask(m_outlets.searchResultsTableHidden, true)) {
        rebindRecipeView();
        if (m_outlets.setSearchResultsTableHidden)
            m_outlets.setSearchResultsTableHidden(true);
        if (m_resultsArea && m_lists)
            m_resultsArea->setCurrentWidget(m_lists);
    }
    bool single = false;
    if (fromOutlineView && selectedCollectionIsSearchCache(&single)) {
        if (m_outlets.setRecipePageEditable)
            m_outlets.setRecipePageEditable(false);
        unbindRecipeView();
        if (m_outlets.setSearchResultsTableHidden)
            m_outlets.setSearchResultsTableHidden(false);
        if (m_resultsArea)
            m_resultsArea->setCurrentWidget(m_resultsPane);
        // Results whose recipes were deleted meanwhile leave the lists.
        SearchResultList removed;
        QList<int> removedRows;
        for (int row = 0; row < m_engine.numberOfRows(); ++row) {
            const SearchEngine::Row object = m_engine.rowObject(row);
            if (object.result && m_engine.localResultsDataSourceArray().contains(object.result)
                && isGone(object.result->recipe())) {
                removed.append(object.result);
                removedRows.append(row);
            }
        }
        for (const auto& result : m_engine.localResultsDataSourceArray()) {
            if (isGone(result->recipe()) && !removed.contains(result))
                removed.append(result);
        }
        QList<int> selected = m_selectionIndexes;
        const bool allRemoved = !selected.isEmpty()
            && std::all_of(selected.begin(), selected.end(),
                [&removedRows](int row) { return removedRows.contains(row); });
        if (!removed.isEmpty())
            m_engine.removeResults(removed);
        reloadTable();
        if (selected.isEmpty() || allRemoved) {
            if (m_searchResultsTableView)
                m_searchResultsTableView->selectRows({});
            setSearchResultsTableViewSelectionIndexes({});
        }
    }
    announceSelection();
}

void SearchController::unbindRecipeView()
{
    if (m_showsSearchSelection)
        return;
    m_showsSearchSelection = true;
    std::weak_ptr<bool> alive = m_alive;
    m_ranksObserver = ScopedObserver(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(
            SearchEngineRanksChangedNotification, &m_engine, [this, alive](const Notification&) {
                if (!alive.expired())
                    rankingsChanged();
            }));
    if (m_outlets.pageSelectionDidChange)
        m_outlets.pageSelectionDidChange(true);
}

void SearchController::rebindRecipeView()
{
    if (!m_showsSearchSelection)
        return;
    m_showsSearchSelection = false;
    m_ranksObserver.reset();
    if (m_outlets.pageSelectionDidChange)
        m_outlets.pageSelectionDidChange(false);
}

void SearchController::rankingsChanged()
{
    reloadTable();
}

void SearchController::reloadTable()
{
    if (m_searchResultsTableView)
        m_searchResultsTableView->reloadData();
    updateResultsCount();
}

void SearchController::updateResultsCount()
{
    if (m_searchResultsField)
        m_searchResultsField->setText(m_engine.resultsCountString());
}

void SearchController::engineChanged(const SearchEngine::Change& change)
{
    const bool lists = change.key == QLatin1String("localResultsDataSourceArray")
        || change.key == QLatin1String("webResultsDataSourceArray");
    if (change.key == QLatin1String("resultsCount") || change.key == QLatin1String("moreResultsAvailable")) {
        if (change.key == QLatin1String("moreResultsAvailable"))
            reloadTable();
        updateResultsCount();
        return;
    }
    if (!lists)
        return;
    reloadTable();
    if (!m_showsSearchSelection || !m_searchResultsTableView)
        return;
    const QList<int> rows = m_searchResultsTableView->selectedRows();
    if (rows.isEmpty())
        return;
    const SearchEngine::Row object = m_engine.rowObject(rows.first());
    if (!object.separator) {
        // The row now holds another result: the page shows that one.
        ManagedObject* recipe = object.result ? object.result->recipe() : nullptr;
        if (recipe != ask(m_outlets.currentRecipe, static_cast<ManagedObject*>(nullptr))) {
            m_selectionIndexes.clear();
            setSearchResultsTableViewSelectionIndexes(rows);
        }
    } else if (rows.size() == 1) {
        m_searchResultsTableView->selectRows({});
        setSearchResultsTableViewSelectionIndexes({});
    }
}

void SearchController::recipesArrived(const QVariantList& recipes)
{
    if (recipes.isEmpty())
        return;
    ManagedObject* shown = searchSelection();
    for (const QVariant& recipe : recipes) {
        if (shown && recipe.value<ManagedObject*>() == shown) {
            announceSelection();
            break;
        }
    }
    // A waiting web result may be the selected one: its recipe is shown now that it is here.
    if (!shown && m_selectionIndexes.size() == 1 && m_engine.rowObject(m_selectionIndexes.first()).result)
        announceSelection();
    m_engine.rankWebResults();
}

// ---- the selection ----

void SearchController::setSearchResultsTableViewSelectionIndexes(const QList<int>& indexes)
{
    QList<int> sorted;
    for (int row : indexes) {
        if (!sorted.contains(row))
            sorted.append(row);
    }
    std::sort(sorted.begin(), sorted.end());
    if (sorted == m_selectionIndexes)
        return;
    m_observedObject = nullptr;
    m_selectionIndexes = sorted;
    if (sorted.size() == 1) {
        const Selection selected = selection();
        if (selected.kind == Selection::Value)
            m_observedObject = selected.recipe;
    }
    announceSelection();
}

void SearchController::announceSelection()
{
    emit selectionChanged();
    if (m_showsSearchSelection && m_outlets.pageSelectionDidChange)
        m_outlets.pageSelectionDidChange(true);
}

SearchController::Selection SearchController::selection()
{
    Selection answer;
    if (m_selectionIndexes.isEmpty())
        return answer;
    if (m_selectionIndexes.size() > 1) {
        answer.kind = Selection::MultipleValues;
        return answer;
    }
    const SearchEngine::Row object = m_engine.rowObject(m_selectionIndexes.first());
    if (!object.result)
        return answer;
    answer.kind = Selection::Value;
    ManagedObject* recipe = object.result->recipe();
    if (isGone(recipe))
        return answer;
    answer.recipe = recipe;
    requestPictureOnce(recipe);
    return answer;
}

ManagedObject* SearchController::searchSelection()
{
    return selection().recipe;
}

void SearchController::requestPictureOnce(ManagedObject* recipe)
{
    // A recipe still showing the default picture, known to the web service.
    if (!m_web || recipe->valueForKey(QStringLiteral("hasImage")).toBool())
        return;
    const auto* image = dynamic_cast<const ImageMO*>(recipe->objectForKey(QStringLiteral("image")));
    const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
    const QString key = idKey(onlineID);
    if ((image && !image->isDefaultImage()) || key.isEmpty() || key == QLatin1String("0")
        || m_picturesAsked.contains(key))
        return;
    // Asked once: every read of the selection passes here, and one answer is enough.
    m_picturesAsked.insert(key);
    std::weak_ptr<bool> alive = m_alive;
    m_web->imageForRecipeID(
        onlineID,
        [this, alive, recipe](const QVariant& reply) {
            if (alive.expired() || !holdsRecipe(recipe) || isGone(recipe)
                || recipe->valueForKey(QStringLiteral("hasImage")).toBool())
                return;
            ManagedObject* picture = recipe->objectForKey(QStringLiteral("image"));
            if (!picture) {
                picture = EntityDescription::insertNewObjectForEntityForName(
                    QStringLiteral("Image"), recipe->managedObjectContext());
                recipe->setValueForKey(QVariant::fromValue(picture), QStringLiteral("image"));
            }
            if (auto* imageObject = dynamic_cast<ImageMO*>(picture))
                imageObject->setDataValue(reply.toByteArray());
        },
        [this, alive, key](const QString&) {
            // A later selection may ask again.
            if (!alive.expired())
                m_picturesAsked.remove(key);
        });
}

bool SearchController::holdsRecipe(const ManagedObject* recipe) const
{
    auto holds = [recipe](const SearchResultList& list) {
        return std::any_of(
            list.begin(), list.end(), [recipe](const auto& r) { return r->recipe() == recipe; });
    };
    return holds(m_engine.localResultsDataSourceArray()) || holds(m_engine.webResultsDataSourceArray());
}

bool SearchController::selectionIsLocal()
{
    bool single = false;
    const bool cache = selectedCollectionIsSearchCache(&single);
    if (!single)
        return false;
    if (!cache)
        return true;
    bool sawResult = false;
    for (int row : m_selectionIndexes) {
        const SearchEngine::Row object = m_engine.rowObject(row);
        if (!object.result)
            continue;
        sawResult = true;
        if (!object.result->isLocalResult())
            return false;
    }
    return sawResult;
}

SearchResultList SearchController::multipleSelection() const
{
    SearchResultList results;
    for (int row : m_selectionIndexes) {
        if (const SearchEngine::Row object = m_engine.rowObject(row); object.result)
            results.append(object.result);
    }
    return results;
}

// ---- the results table's delegate ----

bool SearchController::isGroupRow(int row) const
{
    return m_engine.rowObject(row).separator != nullptr;
}

bool SearchController::shouldSelectRow(int row) const
{
    if (isGroupRow(row))
        return false;
    if (row == m_engine.numberOfRows() - 1 && m_engine.moreResultsAvailable())
        return false;
    return true;
}

double SearchController::heightOfRow(int row, double rowHeight) const
{
    if (row == m_engine.numberOfRows() - 1 && m_engine.moreResultsAvailable())
        return kMoreResultsRowHeight;
    return rowHeight;
}

void SearchController::tableViewSelectionDidChange()
{
    if (!m_searchResultsTableView)
        return;
    // The table cannot hold a header the controller chose (the end of a search with no results):
    // the table's rows then agree with the selectable part of what the controller holds.
    const QList<int> rows = m_searchResultsTableView->selectedRows();
    QList<int> held;
    for (int row : std::as_const(m_selectionIndexes)) {
        if (shouldSelectRow(row))
            held.append(row);
    }
    if (rows != held)
        setSearchResultsTableViewSelectionIndexes(rows);
}

// ---- the split view's delegate ----

double SearchController::heightOfASearchField() const
{
    if (!m_searchView || m_searchView->searchFields().isEmpty())
        return SearchView::SearchFieldViewHeight;
    return m_searchView->searchFields().last()->rowHeight();
}

double SearchController::constrainMaxCoordinate(double proposedMaximum) const
{
    // A fixed 55 points would leave room for one row only, and a second row could never be added.
    const double whole = m_splitView ? m_splitView->height() : proposedMaximum;
    return std::max(kMaximumSearchAreaHeight, whole / 2.0);
}

double SearchController::constrainSplitPosition(double position) const
{
    if (position == 0.0)
        return 0.0;
    if (!m_searchView || m_searchView->isAnimating())
        return position;
    double sum = 0.0;
    for (const SVSearchFieldView* row : m_searchView->searchFields()) {
        const double height = row->rowHeight();
        sum += height;
        if (sum > position)
            return sum - height / 2.0 > position ? sum - height : sum;
    }
    return sum;
}
