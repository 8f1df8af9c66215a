#include "GroceryListController.h"

#include "FakeNeighbours.h"
#include "GroceryFixture.h"
#include "GroceryListsFile.h"
#include "IngredientMO.h"
#include "KitchoraController.h"
#include "PropertyList.h"
#include "RecipeCollection.h"
#include "RecordingPresenter.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>

namespace
{

class GroceryListControllerTest : public GroceryFixture
{
protected:
    void SetUp() override
    {
        GroceryFixture::SetUp();
        ASSERT_TRUE(folder.isValid());
        defaults.defaults().setBool(true, KRConfirmsGroceryListDelete);
    }

    std::unique_ptr<GroceryListController> makeController()
    {
        auto controller = std::make_unique<GroceryListController>(presenter);
        controller->setFolder(folder.path());
        controller->setDropbox(&dropbox);
        GroceryListController::Outlets outlets;
        outlets.selectCollection = [this](ManagedObject* collection) { shownCollections.append(collection); };
        outlets.selectedRecipes = [this] { return selectedRecipes; };
        outlets.sendMail = [this](const QString& subject, const QString& body) {
            mails.append({ subject, body });
            return mailWorks;
        };
        controller->setOutlets(outlets);
        return controller;
    }

    static QStringList names(const GroceryListController& controller)
    {
        QStringList result;
        for (const GroceryList* list : controller.listsArray())
            result.append(list->name());
        return result;
    }

    static QStringList shownItems(GroceryListController& controller)
    {
        QStringList result;
        for (const QVariant& item : controller.itemArrayController().arrangedObjects())
            result.append(
                item.toMap().value("name").toString() + ": " + item.toMap().value("amount").toString());
        return result;
    }

    QTemporaryDir folder;
    RecordingPresenter presenter;
    FakeDropbox dropbox;
    QList<ManagedObject*> shownCollections;
    QList<ManagedObject*> selectedRecipes;
    QList<std::pair<QString, QString>> mails;
    bool mailWorks = true;
};

TEST_F(GroceryListControllerTest, ListsFromRecipesAreNamedAppendedAndSelected)
{
    setMeasurementSystem(2);
    RecipeMO* soup = recipeWithLines("Soup", { "2 carrots", "1 cup milk" });
    RecipeMO* cake = recipeWithLines("Cake", { "1 cup milk", "3 eggs" });
    RecipeMO* empty = recipeWithLines("Water", {});
    auto controller = makeController();
    controller->fetchGroceryListCollection();

    // A recipe with only its placeholder line makes no list.
    EXPECT_EQ(controller->createGroceryListWithRecipes(QList<RecipeMO*> { empty }), nullptr);
    EXPECT_TRUE(controller->listsArray().isEmpty());

    // Through the service, as a drop on the collection: non-recipes are left out.
    controller->createGroceryListWithRecipes(
        QList<ManagedObject*> { soup, controller->groceryListCollection(), cake });
    ASSERT_EQ(controller->listsArray().size(), 1);
    GroceryList* both = controller->listsArray().first();
    EXPECT_TRUE(both->name().startsWith("Untitled Grocery List ("));
    EXPECT_EQ(controller->selectedGroceryList(), both);
    EXPECT_EQ(shownCollections, QList<ManagedObject*> { controller->groceryListCollection() });
    EXPECT_EQ(shownItems(*controller), (QStringList { "carrot: 2", "milk: 16 floz", "egg: 3" }));

    GroceryList* one = controller->createGroceryListWithRecipe(soup);
    EXPECT_EQ(one->name(), "Soup Grocery List (" + GroceryList::shortDateString(one->date()) + ")");
    EXPECT_EQ(names(*controller).size(), 2);
    EXPECT_EQ(controller->selectedGroceryList(), one);
    EXPECT_EQ(shownItems(*controller), (QStringList { "carrot: 2", "milk: 8 floz" }));
}

TEST_F(GroceryListControllerTest, MenuSenderGivesTheLineOrRecipeElseTheSelectedRecipes)
{
    setMeasurementSystem(2);
    RecipeMO* soup = recipeWithLines("Soup", { "2 carrots", "1 tsp salt" });
    RecipeMO* bread = recipeWithLines("Bread", { "2 cups flour" });
    auto lines = soup->objectsForKey("ingredients");
    RecipeIngredientMO* salt = nullptr;
    for (ManagedObject* object : lines) {
        auto* line = dynamic_cast<RecipeIngredientMO*>(object);
        if (line && ingredientName(line) == "salt")
            salt = line;
    }
    ASSERT_TRUE(salt);
    // A line asked for by name is added even when the user has it.
    salt->baseIngredient()->setHaveIt(true);
    auto controller = makeController();

    QAction fromLine;
    fromLine.setData(QVariant::fromValue<ManagedObject*>(salt));
    controller->createGroceryList(QVariant::fromValue<QObject*>(&fromLine));
    ASSERT_EQ(controller->listsArray().size(), 1);
    EXPECT_EQ(shownItems(*controller), QStringList { "salt: 0.17 fl. oz." });

    QAction fromRecipe;
    fromRecipe.setData(QVariant::fromValue<ManagedObject*>(bread));
    controller->createGroceryList(QVariant::fromValue<QObject*>(&fromRecipe));
    EXPECT_EQ(controller->selectedGroceryList()->name().left(18), "Bread Grocery List");

    // No represented object: the recipe list's selection; none selected makes nothing.
    controller->createGroceryList(QVariant());
    EXPECT_EQ(controller->listsArray().size(), 2);
    selectedRecipes = { soup, bread };
    controller->createGroceryList(QVariant());
    ASSERT_EQ(controller->listsArray().size(), 3);
    EXPECT_EQ(shownItems(*controller), (QStringList { "carrot: 2", "flour: 16 floz" }));
}

TEST_F(GroceryListControllerTest, TheCollectionIsFoundByItsKindOrMade)
{
    // A user's collection that bears the name stays the user's.
    auto* users = dynamic_cast<RecipeCollection*>(insert("ManualCollection"));
    users->setName("Grocery Lists");
    auto controller = makeController();
    controller->fetchGroceryListCollection();
    auto* made = dynamic_cast<RecipeCollection*>(controller->groceryListCollection());
    ASSERT_TRUE(made);
    EXPECT_NE(made, users);
    EXPECT_TRUE(made->isGroceryListsCollection());
    EXPECT_FALSE(users->isGroceryListsCollection());
    EXPECT_EQ(made->valueForKey("index").toInt(), 4);
    EXPECT_FALSE(made->valueForKey("draggable").toBool());
    EXPECT_EQ(made->collectionImageName(), "image_collection_grocery");

    // Found again, not made twice.
    made->setIndex(9);
    auto again = makeController();
    again->fetchGroceryListCollection();
    EXPECT_EQ(again->groceryListCollection(), made);
    EXPECT_EQ(made->valueForKey("index").toInt(), 4);
    EXPECT_TRUE(presenter.errors.isEmpty());
}

TEST_F(GroceryListControllerTest, ListsAreKeptBetweenRunsAndDeviceListsAreSavedAtOnce)
{
    auto first = makeController();
    first->awakeFromNib();
    first->createNewGroceryList()->setName("Monday");
    first->createNewGroceryList()->setName("Party");
    ASSERT_TRUE(first->applicationWillTerminate());

    // Lists from a device come after the stored ones, unselected, and are on disk before quit.
    dropbox.linked = true;
    GroceryList fromPhone(QStringLiteral("From the phone"),
        QDateTime(QDate(2026, 3, 14), QTime(9, 0), Qt::UTC), { item("bread", "1") });
    dropbox.incomingGroceryLists = { fromPhone.propertyListRepresentation() };
    auto second = makeController();
    second->awakeFromNib();
    EXPECT_EQ(dropbox.groceryChecks, 1);
    EXPECT_EQ(names(*second), (QStringList { "Monday", "Party", "From the phone" }));
    EXPECT_EQ(second->selectedGroceryList(), nullptr);
    const GroceryListsFile::GroceryLists stored = GroceryListsFile(folder.path()).restoreGroceryLists();
    ASSERT_EQ(stored.size(), 3u);
    EXPECT_EQ(stored[2]->items(), fromPhone.items());

    // Unlinked, or sharing the old way: devices are not asked.
    dropbox.linked = false;
    second->fetchGroceryListsFromDropbox();
    dropbox.linked = true;
    defaults.defaults().setBool(true, QLMKitchoraDropboxSharingEnabledKey);
    second->fetchGroceryListsFromDropbox();
    EXPECT_EQ(dropbox.groceryChecks, 1);
    EXPECT_TRUE(presenter.errors.isEmpty());
}

TEST_F(GroceryListControllerTest, AnUnreadableFileIsReportedAndKept)
{
    QFile file(folder.filePath(GroceryListsFile::fileName));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<plist><dict><key>grocerylists</key><array><dict>");
    file.close();
    auto controller = makeController();
    controller->awakeFromNib();
    EXPECT_TRUE(controller->listsArray().isEmpty());
    // Shown once the window is up, not while the lists are read.
    EXPECT_TRUE(presenter.errors.isEmpty());
    clock.advance(0);
    ASSERT_EQ(presenter.errors.size(), 1);
    EXPECT_TRUE(presenter.errors.first().localizedDescription.contains("could not be read"));
    EXPECT_TRUE(QFile::exists(folder.filePath("grocerylists (unreadable).plist")));

    // Lists made in this run are written beside the kept file.
    controller->createNewGroceryList()->setName("New");
    ASSERT_TRUE(controller->applicationWillTerminate());
    EXPECT_EQ(GroceryListsFile(folder.path()).restoreGroceryLists().size(), 1u);
}

TEST_F(GroceryListControllerTest, TheItemTableAndTheListStayInStep)
{
    setMeasurementSystem(2);
    auto controller = makeController();
    GroceryList* list = controller->createNewGroceryList();
    list->setItems({ item("eggs", "2"), item("milk", "1 qt.") });
    DNDArrayController& items = controller->itemArrayController();
    EXPECT_TRUE(items.arrangedObjects().isEmpty()) << "nothing is shown before a list is selected";
    items.add();
    EXPECT_TRUE(items.arrangedObjects().isEmpty()) << "no list, nowhere to add";

    controller->selectGroceryList(list);
    EXPECT_EQ(shownItems(*controller), (QStringList { "eggs: 2", "milk: 1 qt." }));

    // Added through the table: the placeholder item, whose name is edited next.
    items.add();
    EXPECT_TRUE(controller->justAdded());
    EXPECT_EQ(list->items().last(), GroceryItem());
    controller->setValueForItemAtIndex(2, "name", "bread");
    controller->setValueForItemAtIndex(2, "haveit", true);
    EXPECT_EQ(list->items().last().itemName(), "bread");
    EXPECT_TRUE(list->items().last().haveIt());
    EXPECT_EQ(items.selectionIndexes(), QList<qsizetype> { 2 }) << "an edit keeps the selection";

    // Moved and removed through the table.
    items.moveObjectsInArrangedObjectsFromIndexes({ 2 }, 0);
    items.removeObjectAtArrangedObjectIndex(2);
    EXPECT_EQ(GroceryFixture::describe(*list), (QStringList { "bread: Amount", "eggs: 2" }));
    EXPECT_TRUE(presenter.alerts.isEmpty()) << "items go without asking";

    // Added elsewhere (the recipe page's menu): shown at once.
    RecipeMO* soup = recipeWithLines("Soup", { "3 eggs" });
    list->addRecipe(QVariant::fromValue<ManagedObject*>(soup));
    EXPECT_EQ(shownItems(*controller), (QStringList { "bread: Amount", "eggs: 2", "egg: 3" }));

    // Another list shown: its own items; a removed list leaves nothing shown.
    GroceryList* other = controller->createNewGroceryList();
    controller->selectGroceryList(other);
    EXPECT_TRUE(shownItems(*controller).isEmpty());
    presenter.alertAnswers.enqueue(0);
    controller->listsArrayController().removeObjectAtArrangedObjectIndex(1);
    EXPECT_EQ(presenter.alerts.size(), 1) << "removing a list asks first";
    EXPECT_EQ(controller->listsArray(), QList<GroceryList*> { list });
    EXPECT_EQ(controller->selectedGroceryList(), nullptr);
}

TEST_F(GroceryListControllerTest, CountTextReadsOneListOrTheNumber)
{
    auto controller = makeController();
    const QStringList expected { "0 Grocery Lists", "1 Grocery List", "2 Grocery Lists" };
    for (int count = 0; count < 3; ++count) {
        EXPECT_EQ(controller->groceryListCountString(), expected.at(count));
        controller->createNewGroceryList();
    }
}

TEST_F(GroceryListControllerTest, MailCarriesTheListsTextAndASignature)
{
    auto controller = makeController();
    controller->emailGroceryList();
    EXPECT_TRUE(mails.isEmpty()) << "nothing selected, nothing to send";

    GroceryList* list = controller->createNewGroceryList();
    list->setName("Party & friends");
    GroceryItem had = item("salt", "1 tsp.");
    had.setHaveIt(true);
    list->setItems({ item("lemons", "3"), had });
    controller->selectGroceryList(list);
    controller->emailGroceryList();
    ASSERT_EQ(mails.size(), 1);
    EXPECT_EQ(mails[0].first, "Grocery List from Kitchora");
    EXPECT_EQ(mails[0].second,
        "Party & friends\n\nAmount\t\t\t\tItem\n\n3\t\t\t\t\tlemons\n\n\n\nSent from Kitchora "
        "<http://www.kitchora.org>");
    EXPECT_TRUE(presenter.errors.isEmpty());

    mailWorks = false;
    controller->emailGroceryList();
    EXPECT_EQ(presenter.errors.size(), 1) << "a mail program that cannot start is reported";
}

} // namespace
