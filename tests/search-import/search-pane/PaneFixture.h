#pragma once

#include "SVSearchField.h"
#include "SVSearchFieldView.h"
#include "SearchController.h"
#include "SearchEngine.h"
#include "SearchFixture.h"
#include "SearchView.h"
#include "WebSearchService.h"

#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QWidget>
#include <memory>

// Records every request of the engine and the pane; a test answers them when it likes.
class RecordingWeb : public WebSearchService
{
public:
    struct Request {
        QVariantList arguments;
        Reply success;
        Failure failure;
    };

    void searchForTerms(const QStringList& terms, quint64 page, Reply success, Failure failure) override
    {
        searches.append({ { terms, page }, std::move(success), std::move(failure) });
    }
    void recipesForRecipeIDs(const QVariantList& ids, Reply success, Failure failure) override
    {
        recipeRequests.append({ ids, std::move(success), std::move(failure) });
    }
    void imageForRecipeID(const QVariant& id, Reply success, Failure failure) override
    {
        pictureRequests.append({ { id }, std::move(success), std::move(failure) });
    }
    ManagedObject* recipeManagedObjectFromPlist(const QVariantMap& plist) override
    {
        ManagedObject* r = RecipeMO::insertNewRecipeWithoutPlaceholderItems(context);
        r->setValueForKey(plist.value("name"), "name");
        r->setValueForKey(plist.value("onlineID"), "onlineID");
        return r;
    }

    ManagedObjectContext* context = nullptr;
    QList<Request> searches;
    QList<Request> recipeRequests;
    QList<Request> pictureRequests;
};

// A library store, the engine over the recording web service, and the search pane built in a
// window of 400 x 500 with a stand-in for the recipe list. The outlets play the application
// controller, the source list and the recipe page.
class PaneFixture : public SearchFixture
{
protected:
    void SetUp() override
    {
        SearchFixture::SetUp();
        web.context = context.get();
        cache = makeCollection("RBCollectionKindSearchCache");
        cache->setValueForKey("Search Results", "name");
        engine = std::make_unique<SearchEngine>(&web);
        selectedCollection = library;
        SearchController::Outlets outlets;
        outlets.searchResultsTableHidden = [this] { return resultsHidden; };
        outlets.setSearchResultsTableHidden = [this](bool hidden) { resultsHidden = hidden; };
        outlets.selectedCollection = [this] { return selectedCollection; };
        outlets.selectCollection = [this](ManagedObject* collection) {
            selectedCollection = collection;
            controller->outlineViewAction();
        };
        outlets.currentRecipe = [this] { return pageRecipe; };
        outlets.setRecipePageEditable = [this](bool editable) { pageEditable = editable; };
        outlets.pageSelectionDidChange = [this](bool fromSearchResults) {
            pageReads.append(fromSearchResults);
            pageRecipe = fromSearchResults ? controller->searchSelection() : nullptr;
        };
        controller = std::make_unique<SearchController>(*engine, &web, std::move(outlets));
        window = std::make_unique<QWidget>();
        lists = new QLabel("recipe list");
        QWidget* pane = controller->searchPane(lists);
        pane->setParent(window.get());
        window->resize(400, 500);
        pane->setGeometry(0, 0, 400, 500);
        window->show();
    }
    void TearDown() override
    {
        window.reset();
        controller.reset();
        engine.reset();
        SearchFixture::TearDown();
    }

    // Types into the row's field as the user would and lets the search delay pass.
    void typeAndWait(int row, const QString& text)
    {
        SVSearchField* field = controller->searchView()->searchFields().at(row)->searchField();
        QTest::keyClicks(field, text);
        clock.advance(SearchController::kSearchDelay + 0.5);
    }

    RecordingWeb web;
    ManagedObject* cache = nullptr;
    std::unique_ptr<SearchEngine> engine;
    std::unique_ptr<SearchController> controller;
    std::unique_ptr<QWidget> window;
    QWidget* lists = nullptr;
    ManagedObject* selectedCollection = nullptr;
    bool resultsHidden = true;
    bool pageEditable = true;
    ManagedObject* pageRecipe = nullptr;
    QList<bool> pageReads;
};
