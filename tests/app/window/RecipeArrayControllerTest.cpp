#include "RecipeArrayController.h"

#include "KitchoraController.h"
#include "Log.h"
#include "ManualCollection.h"
#include "ModelStoreFixture.h"
#include "RecipeMO.h"
#include "RecipeTableView.h"
#include "RecordingPresenter.h"
#include "SmartCollection.h"

namespace
{

class RecipeArrayControllerTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        library = static_cast<ManualCollection*>(makeCollection(KRCollectionKindMainLibrary));
    }

    RecipeMO* recipe(const QString& name, ManualCollection* in = nullptr)
    {
        auto* made = static_cast<RecipeMO*>(insertNamed(QStringLiteral("Recipe"), name));
        if (in)
            made->addCollectionsObject(in);
        return made;
    }

    // A controller listing `collection`, as the source list has it selected.
    std::unique_ptr<RecipeArrayController> listing(ManagedObject* collection)
    {
        selected = collection;
        RecipeArrayController::Outlets outlets;
        outlets.selectedCollection = [this] { return selected; };
        outlets.presenter = &presenter;
        outlets.beep = [this] { ++beeps; };
        auto controller = std::make_unique<RecipeArrayController>(std::move(outlets));
        controller->setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
        // New recipes join the library on the next pass.
        clock.advance(0);
        context->processPendingChanges();
        controller->setCollection(collection);
        return controller;
    }

    static QStringList names(const RecipeArrayController& controller)
    {
        QStringList result;
        for (qsizetype i = 0; i < controller.count(); ++i)
            result.append(controller.recipeAt(i)->valueForKey(QStringLiteral("name")).toString());
        return result;
    }

    ManualCollection* library = nullptr;
    ManagedObject* selected = nullptr;
    RecordingPresenter presenter;
    int beeps = 0;
};

} // namespace

TEST_F(RecipeArrayControllerTest, RemovalFollowsTheSelectedCollectionsKind)
{
    defaults.defaults().setBool(false, KRConfirmsRecipeDelete);
    struct Case {
        const char* kind;
        bool refusedByTable; // the recipe list beeps before asking the controller
        bool refusedByController;
        bool stillInCollection;
        bool deleted;
    };
    const Case cases[] = {
        { "RBCollectionKindMainLibrary", false, false, false, true },
        { "RBCollectionKindManualCollection", false, false, false, false },
        { "RBCollectionKindImportedCollection", true, true, true, false },
        { "RBCollectionKindRecentlyCookedCollection", true, false, false, false },
        { "RBCollectionKindSearchCache", true, false, false, true }, // its recipes are in no other collection
        { "smart", true, true, true, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        beeps = 0;
        const bool smart = QLatin1String(c.kind) == QLatin1String("smart");
        ManualCollection* manual = nullptr;
        ManagedObject* collection = library;
        if (smart) {
            auto* made = static_cast<SmartCollection*>(insert(QStringLiteral("SmartCollection")));
            made->setPredicate(*Predicate::predicateWithFormat(QStringLiteral("name == \"Soup\"")));
            collection = made;
        } else if (QLatin1String(c.kind) != QLatin1String("RBCollectionKindMainLibrary")) {
            manual = static_cast<ManualCollection*>(makeCollection(QString::fromLatin1(c.kind)));
            collection = manual;
        }
        RecipeMO* soup = recipe(QStringLiteral("Soup"), manual);
        auto controller = listing(collection);
        ASSERT_EQ(names(*controller), QStringList { QStringLiteral("Soup") });
        EXPECT_EQ(RecipeTableView::refusesDeletionIn(collection), c.refusedByTable);

        Log::Capture log;
        controller->removeObjectsAtArrangedObjectIndexes({ 0 });
        EXPECT_EQ(beeps, c.refusedByController ? 1 : 0);
        EXPECT_EQ(soup->isDeleted(), c.deleted);
        if (manual) {
            EXPECT_EQ(manual->recipes().contains(soup), c.stillInCollection);
        }
        if (!c.deleted) {
            EXPECT_TRUE(library->recipes().contains(soup)) << "a recipe left in the library is kept";
        }
        EXPECT_EQ(controller->count(), c.refusedByController ? 1 : 0);
        EXPECT_TRUE(log.contains(QStringLiteral("Handling recipe delete")));
        if (!soup->isDeleted())
            context->deleteObject(soup);
        context->processPendingChanges();
    }
}

TEST_F(RecipeArrayControllerTest, ARecipeLeftInNoCollectionIsDeleted)
{
    defaults.defaults().setBool(false, KRConfirmsRecipeDelete);
    auto* manual = static_cast<ManualCollection*>(makeCollection(KRCollectionKindManualCollection));
    RecipeMO* soup = recipe(QStringLiteral("Soup"), manual);
    soup->removeCollectionsObject(library);
    auto controller = listing(manual);
    controller->removeObject(QVariant::fromValue<ManagedObject*>(soup));
    EXPECT_TRUE(soup->isDeleted());
    EXPECT_EQ(controller->count(), 0);
}

TEST_F(RecipeArrayControllerTest, WithoutASelectedCollectionNothingIsRemoved)
{
    defaults.defaults().setBool(false, KRConfirmsRecipeDelete);
    RecipeMO* soup = recipe(QStringLiteral("Soup"));
    auto controller = listing(library);
    selected = nullptr;
    controller->removeObjectsAtArrangedObjectIndexes({ 0 });
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(soup->isDeleted());
    EXPECT_EQ(controller->count(), 1);
    // A deleted collection counts as none.
    selected = library;
    context->deleteObject(library);
    context->processPendingChanges();
    controller->removeObjectAtArrangedObjectIndex(0);
    EXPECT_EQ(beeps, 2);
}

TEST_F(RecipeArrayControllerTest, DeletingSeveralRecipesAsksOnceAndCancelDeletesNone)
{
    defaults.defaults().setBool(true, KRConfirmsRecipeDelete);
    QList<RecipeMO*> recipes;
    for (const char* name : { "Bread", "Pie", "Soup" })
        recipes.append(recipe(QString::fromLatin1(name)));
    auto controller = listing(library);

    presenter.alertAnswers.enqueue(1); // Cancel
    controller->removeObjectsAtArrangedObjectIndexes({ 0, 2 });
    ASSERT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(presenter.alerts[0].message.contains(QStringLiteral("recipes")));
    for (RecipeMO* r : recipes)
        EXPECT_FALSE(r->isDeleted());
    EXPECT_EQ(controller->count(), 3);

    controller->removeObjectsAtArrangedObjectIndexes({ 0, 2 });
    EXPECT_EQ(presenter.alerts.size(), 2);
    EXPECT_TRUE(recipes[0]->isDeleted());
    EXPECT_FALSE(recipes[1]->isDeleted());
    EXPECT_TRUE(recipes[2]->isDeleted());
    EXPECT_EQ(names(*controller), QStringList { QStringLiteral("Pie") });

    controller->removeObjectAtArrangedObjectIndex(0);
    ASSERT_EQ(presenter.alerts.size(), 3);
    EXPECT_FALSE(presenter.alerts[2].message.contains(QStringLiteral("recipes")));
    EXPECT_TRUE(recipes[1]->isDeleted());

    // Off: nobody is asked.
    defaults.defaults().setBool(false, KRConfirmsRecipeDelete);
    recipe(QStringLiteral("Stew"));
    clock.advance(0);
    controller->reloadContent();
    controller->removeObjectAtArrangedObjectIndex(0);
    EXPECT_EQ(presenter.alerts.size(), 3);
    EXPECT_EQ(controller->count(), 0);
}

TEST_F(RecipeArrayControllerTest, CountTextSaysRecipeOnlyForOne)
{
    const struct {
        qsizetype count;
        const char* text;
    } cases[] = { { 0, "0 Recipes" }, { 1, "1 Recipe" }, { 12, "12 Recipes" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(RecipeArrayController::itemCountString(c.count), QString::fromLatin1(c.text));
    }
    for (int i = 0; i < 12; ++i)
        recipe(QStringLiteral("Recipe %1").arg(i));
    EXPECT_EQ(listing(library)->itemCountString(), QStringLiteral("12 Recipes"));
    EXPECT_EQ(listing(nullptr)->itemCountString(), QStringLiteral("0 Recipes"));
}

TEST_F(RecipeArrayControllerTest, SortingKeepsTheSelectedRecipesSelected)
{
    const struct {
        const char* name;
        double rating;
    } made[] = { { "Bread", 3 }, { "Pie", 5 }, { "Soup", 3 }, { "Apple", 1 } };
    for (const auto& m : made)
        recipe(QString::fromLatin1(m.name))->setValueForKey(m.rating, QStringLiteral("rating"));
    auto controller = listing(library);
    EXPECT_EQ(names(*controller), (QStringList { "Apple", "Bread", "Pie", "Soup" }));
    controller->setSelectionIndexes({ 2 });

    controller->setSortDescriptors(
        { SortDescriptor(QStringLiteral("rating"), false), SortDescriptor(QStringLiteral("name"), false) });
    EXPECT_EQ(names(*controller), (QStringList { "Pie", "Soup", "Bread", "Apple" }));
    EXPECT_EQ(controller->selectionIndexes(), QList<qsizetype> { 0 });
    EXPECT_EQ(
        controller->selectedRecipes().value(0)->valueForKey(QStringLiteral("name")), QStringLiteral("Pie"));

    controller->setFilterPredicate(Predicate::predicateWithFormat(QStringLiteral("rating == 3")));
    EXPECT_EQ(names(*controller), (QStringList { "Soup", "Bread" }));
    EXPECT_TRUE(controller->selectionIndexes().isEmpty());
}

TEST_F(RecipeArrayControllerTest, AddPutsANewRecipeIntoTheSelectedManualCollectionAndOpensIt)
{
    auto* manual = static_cast<ManualCollection*>(makeCollection(KRCollectionKindManualCollection));
    auto controller = listing(manual);
    int edits = 0;
    qsizetype told = -1;
    RecipeArrayController::Outlets outlets = controller->outlets();
    outlets.editRecipe = [&edits] { ++edits; };
    outlets.recipePageEditable = [] { return false; };
    outlets.didAddObjectAtIndex = [&told](RecipeArrayController&, qsizetype index) { told = index; };
    controller->setOutlets(outlets);

    controller->add();
    ASSERT_EQ(controller->count(), 1);
    ManagedObject* added = controller->recipeAt(0);
    EXPECT_TRUE(manual->recipes().contains(added));
    EXPECT_TRUE(library->recipes().contains(added));
    EXPECT_EQ(told, 0);
    EXPECT_EQ(edits, 0) << "editing starts on the next pass";
    clock.advance(0);
    EXPECT_EQ(edits, 1);
}
