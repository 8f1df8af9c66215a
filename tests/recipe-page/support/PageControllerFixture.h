#pragma once

#include "CardFixture.h"
#include "Error.h"
#include "RecipeCollection.h"
#include "RecipeController.h"

#include <memory>

// A recipe controller on the library store, with the window's selections as plain fields.
class PageControllerFixture : public CardFixture
{
protected:
    using Observed = RecipeControllerService::ObservedController;

    void SetUp() override
    {
        CardFixture::SetUp();
        RecipeController::Outlets outlets;
        outlets.managedObjectContext = [this] { return context.get(); };
        outlets.presentError = [this](const Error& error) { presented.append(error.localizedDescription); };
        outlets.recipeListSelection = [this] { return listSelection; };
        outlets.searchSelection = [this] { return searchSelection; };
        outlets.selectedCollectionKind = [this] { return collectionKind; };
        outlets.searchResultsTableHidden = [this] { return searchHidden; };
        outlets.groceryListsTableHidden = [this] { return groceryHidden; };
        outlets.searchSelectionIsLocal = [this] { return searchLocal; };
        outlets.mainWindowIsKey = [this] { return windowKey; };
        outlets.enterFullScreenForRecipe = [this](ManagedObject*) { return cookingStarts; };
        outlets.addImage = [this] { ++addImageCalls; };
        outlets.showImagePanel = [this] { ++imagePanelCalls; };
        controller = std::make_unique<RecipeController>(std::move(outlets));
    }

    void TearDown() override
    {
        controller.reset();
        CardFixture::TearDown();
    }

    RecipeMO* recipeWith(const QString& name, const QString& direction)
    {
        RecipeMO* recipe = bareRecipe(name);
        addIngredient(recipe, 1, {}, {}, {}, QStringLiteral("flour"), QStringLiteral("2 cups flour"));
        addItem(recipe, QStringLiteral("Direction"), 1, direction);
        addItem(recipe, QStringLiteral("Note"), 1, {});
        recipe->addCollectionsObject(library);
        return recipe;
    }

    // The recipe list selects the recipe.
    void selectInList(ManagedObject* recipe, const QString& keyPath = QStringLiteral("selection"))
    {
        listSelection = recipe;
        controller->observedSelectionDidChange(Observed::RecipeList, keyPath);
    }

    QString shownText() const { return controller->page().textStorage().string(); }

    std::unique_ptr<RecipeController> controller;
    ManagedObject* listSelection = nullptr;
    ManagedObject* searchSelection = nullptr;
    QString collectionKind = QStringLiteral("RBCollectionKindMainLibrary");
    bool searchHidden = true;
    bool groceryHidden = true;
    bool searchLocal = true;
    bool windowKey = true;
    bool cookingStarts = true;
    QStringList presented;
    int addImageCalls = 0;
    int imagePanelCalls = 0;
};
