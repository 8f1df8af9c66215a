#include "CollectionsController.h"

#include "CollectionKindBehaviour.h"
#include "CollectionsOutlineView.h"
#include "ControllerFixture.h"
#include "DeviceCollection.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "Folder.h"
#include "MutableObjectSet.h"
#include "PropertyList.h"
#include "RecipeCollection.h"
#include "RecipePasteboard.h"
#include "RecipeTableColumns.h"
#include "UserDefaults.h"

#include <QAction>
#include <QApplication>
#include <QDragEnterEvent>
#include <QKeyEvent>
#include <QMimeData>

namespace
{

using Source = CollectionsController::DragSource;

// The recipe table as the recipe list shows it: records what the source list asks of it.
class FakeRecipeTable : public RecipeTableColumns
{
public:
    bool hasColumn(const QString& identifier) const override { return columns.contains(identifier); }
    void addDateColumn(const QString& identifier, const QString& title, const QString& key) override
    {
        columns.append(identifier);
        titles.append(title + u':' + key);
    }
    void removeColumn(const QString& identifier) override { columns.removeAll(identifier); }
    QList<SortDescriptor> sortDescriptors() const override { return sort; }
    void setSortDescriptors(const QList<SortDescriptor>& descriptors) override { sort = descriptors; }

    QStringList columns;
    QStringList titles;
    QList<SortDescriptor> sort { SortDescriptor(QStringLiteral("name"), true) };
};

class CollectionsControllerTest : public ControllerFixture
{
protected:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        launch();
        lists = std::make_unique<CollectionsController>(*controller);
        lists->collectionsTreeController().rearrangeObjects();
    }

    void TearDown() override
    {
        lists.reset();
        ControllerFixture::TearDown();
    }

    ManagedObject* collection(const QString& entity, const QString& name, const QString& kind, int index,
        ManagedObject* parent = nullptr)
    {
        auto* made = dynamic_cast<RecipeCollection*>(
            EntityDescription::insertNewObjectForEntityForName(entity, context()));
        made->setName(name);
        made->setValueForKey(kind, QStringLiteral("kind"));
        made->setIndex(index);
        made->setValueForKey(true, QStringLiteral("draggable"));
        if (auto* folder = dynamic_cast<Folder*>(parent))
            folder->addChildrenObject(made);
        context()->processPendingChanges();
        return made;
    }

    ManagedObject* manual(const QString& name, int index, ManagedObject* parent = nullptr)
    {
        return collection(
            QStringLiteral("ManualCollection"), name, KRCollectionKindManualCollection, index, parent);
    }

    ManagedObject* folder(const QString& name, int index, ManagedObject* parent = nullptr)
    {
        return collection(QStringLiteral("Folder"), name, KRCollectionKindFolder, index, parent);
    }

    ManagedObject* recipe(const QString& name, bool inLibrary)
    {
        ManagedObject* made
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context());
        made->setValueForKey(name, QStringLiteral("name"));
        context()->processPendingChanges();
        MutableObjectSet collections = made->mutableSetValueForKey(QStringLiteral("collections"));
        if (inLibrary)
            collections.addObject(controller->libraryCollection());
        else
            collections.removeAllObjects();
        context()->processPendingChanges();
        return made;
    }

    static bool holds(ManagedObject* collection, ManagedObject* recipe)
    {
        return collection->objectsForKey(QStringLiteral("recipes")).contains(recipe);
    }

    void rearrange() { lists->collectionsTreeController().rearrangeObjects(); }

    QStringList topLevelNames()
    {
        QStringList names;
        for (ManagedObject* c : lists->collectionsTreeController().siblingObjectsAtArrangedIndexPath({ 0 }))
            names.append(c->valueForKey(QStringLiteral("name")).toString());
        return names;
    }

    static std::unique_ptr<QMimeData> recipeData(const QList<ManagedObject*>& recipes)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> uris;
        for (ManagedObject* r : recipes)
            uris.append(r->objectID().URIRepresentation());
        RecipePasteboard::writeRecipeURIs(*data, uris);
        return data;
    }

    std::unique_ptr<CollectionsController> lists;
};

// The list with the source a real drag from the recipe list would report.
class OutlineViewDraggedInto : public CollectionsOutlineView
{
public:
    OutlineViewDraggedInto(CollectionsController& controller, const QObject* source)
        : CollectionsOutlineView(controller)
        , m_source(source)
    {
    }

protected:
    const QObject* sourceOf(const QDropEvent&) const override { return m_source; }

private:
    const QObject* m_source;
};

} // namespace

TEST(CollectionKindBehaviourTest, EachKindShowsAndAllowsWhatItShould)
{
    using B = CollectionKindBehaviour;
    using D = B::RecipeDeletion;
    struct Row {
        QString kind;
        B::Shows shows;
        B::ExtraDateColumn column;
        bool renames;
        bool takesRecipes;
        bool inside;
        D deletion;
    };
    const Row rows[] = {
        { KRCollectionKindMainLibrary, B::Shows::RecipeList, B::ExtraDateColumn::None, false, true, false,
            D::DeletesRecipes },
        { KRCollectionKindSearchCache, B::Shows::SearchResults, B::ExtraDateColumn::None, false, false, false,
            D::Refused },
        { KRCollectionKindImportedCollection, B::Shows::RecipeList, B::ExtraDateColumn::Added, false, false,
            false, D::Refused },
        { KRCollectionKindRecentlyCookedCollection, B::Shows::RecipeList, B::ExtraDateColumn::Cooked, false,
            false, false, D::Refused },
        { KRCollectionKindGroceryListsCollection, B::Shows::GroceryLists, B::ExtraDateColumn::None, false,
            true, false, D::NotOffered },
        { KRCollectionKindDevicesFolder, B::Shows::RecipeList, B::ExtraDateColumn::None, false, false, false,
            D::RemovesFromCollection },
        { KRCollectionKindDeviceCollection, B::Shows::DeviceInfo, B::ExtraDateColumn::None, false, true,
            false, D::NotOffered },
        { KRCollectionKindManualCollection, B::Shows::RecipeList, B::ExtraDateColumn::None, true, true, false,
            D::RemovesFromCollection },
        { KRCollectionKindFolder, B::Shows::RecipeList, B::ExtraDateColumn::None, true, false, true,
            D::RemovesFromCollection },
        { KRCollectionKindSmartCollection, B::Shows::RecipeList, B::ExtraDateColumn::None, true, false, false,
            D::Refused },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.kind.toStdString());
        const B b = B::forKind(row.kind);
        EXPECT_EQ(b.shows, row.shows);
        EXPECT_EQ(b.extraDateColumn, row.column);
        EXPECT_EQ(b.renamesAndDeletes, row.renames);
        EXPECT_EQ(b.takesRecipes, row.takesRecipes);
        EXPECT_EQ(b.takesCollectionsInside, row.inside);
        EXPECT_EQ(b.recipeDeletion, row.deletion);
    }
    EXPECT_TRUE(B::forKind(KRCollectionKindDeviceCollection).takesGroceryLists);
    EXPECT_TRUE(B::forKind(KRCollectionKindGroceryListsCollection).makesGroceryLists);
}

TEST_F(CollectionsControllerTest, BuiltInCollectionsAreNeitherRenamedNorDeleted)
{
    const QString builtIns[]
        = { KRCollectionKindMainLibrary, KRCollectionKindSearchCache, KRCollectionKindImportedCollection,
              KRCollectionKindRecentlyCookedCollection, KRCollectionKindGroceryListsCollection,
              KRCollectionKindDevicesFolder, KRCollectionKindDeviceCollection };
    int beeps = 0;
    QObject::connect(lists.get(), &CollectionsController::beeped, [&beeps] { ++beeps; });
    for (const QString& kind : builtIns) {
        SCOPED_TRACE(kind.toStdString());
        ManagedObject* builtIn = collection(QStringLiteral("ManualCollection"), kind, kind, 1);
        rearrange();
        EXPECT_FALSE(CollectionsController::canRenameOrDelete(builtIn));
        const QModelIndex index = lists->collectionsModel().indexOf(builtIn);
        EXPECT_FALSE(lists->collectionsModel().flags(index) & Qt::ItemIsEditable);
        EXPECT_FALSE(lists->collectionsModel().setData(index, QStringLiteral("Renamed")));
        EXPECT_EQ(lists->writeItems({ builtIn }), nullptr);
        lists->selectCollection(builtIn);
        EXPECT_FALSE(lists->canDeleteSelection());
        EXPECT_EQ(lists->deleteMenuItemTitle(), QStringLiteral("Delete"));
        const int before = beeps;
        EXPECT_FALSE(lists->deleteSelectedItems());
        lists->deleteSmartCollection();
        EXPECT_EQ(beeps, before + 2);
        EXPECT_FALSE(builtIn->isDeleted());
        // Even asked by index path, the tree controller keeps it.
        lists->collectionsTreeController().removeObjectAtArrangedObjectIndexPath(
            lists->collectionsTreeController().arrangedIndexPathForObject(builtIn));
        EXPECT_FALSE(builtIn->isDeleted());
    }
    EXPECT_TRUE(presenter.alerts.isEmpty() || presenter.alerts.size() == int(std::size(builtIns)));
}

TEST_F(CollectionsControllerTest, DeletingAsksOnceAndCancelKeepsEverything)
{
    ManagedObject* cakes = manual(QStringLiteral("Cakes"), 6);
    ManagedObject* pies = manual(QStringLiteral("Pies"), 7);
    rearrange();
    lists->selectCollection(cakes);
    EXPECT_TRUE(lists->canDeleteSelection());
    EXPECT_EQ(lists->deleteMenuItemTitle(), QStringLiteral("Delete Recipe Collection"));

    presenter.alertAnswers.enqueue(1); // Cancel
    EXPECT_FALSE(lists->deleteSelectedItems());
    EXPECT_EQ(presenter.alerts.size(), 1);
    EXPECT_FALSE(cakes->isDeleted());

    // Several at once: one question for all.
    lists->collectionsTreeController().setSelectedObjects({ cakes, pies });
    EXPECT_TRUE(lists->deleteSelectedItems());
    EXPECT_EQ(presenter.alerts.size(), 2);
    EXPECT_TRUE(cakes->isDeleted());
    EXPECT_TRUE(pies->isDeleted());
    EXPECT_EQ(lists->selectedCollection(), nullptr);

    // Without the confirmation default nothing is asked.
    ManagedObject* soups = manual(QStringLiteral("Soups"), 6);
    rearrange();
    UserDefaults::standardUserDefaults().setBool(false, KRConfirmsCollectionDelete);
    lists->selectCollection(soups);
    EXPECT_TRUE(lists->deleteSelectedItems());
    EXPECT_EQ(presenter.alerts.size(), 2);
    EXPECT_TRUE(soups->isDeleted());
}

TEST_F(CollectionsControllerTest, NewCollectionsGoAfterTheSelection)
{
    ManagedObject* desserts = folder(QStringLiteral("Desserts"), 9);
    ManagedObject* cakes = manual(QStringLiteral("Cakes"), 4, desserts);
    ManagedObject* other = manual(QStringLiteral("Other"), 6);
    rearrange();

    struct Case {
        const char* name;
        QList<ManagedObject*> selection;
        ManagedObject* parent;
        int index;
    };
    // Each case adds one collection, so the next free index grows.
    const Case cases[] = {
        { "library", { controller->libraryCollection() }, nullptr, 10 },
        { "folder", { desserts }, desserts, 5 },
        { "inside a folder", { cakes }, desserts, 6 },
        { "none", {}, nullptr, 11 },
        { "several: the last counts", { cakes, other }, nullptr, 12 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lists->collectionsTreeController().setSelectedObjects(c.selection);
        ManagedObject* made = lists->newCollection();
        ASSERT_NE(made, nullptr);
        EXPECT_EQ(made->objectForKey(QStringLiteral("parent")), c.parent);
        EXPECT_EQ(made->valueForKey(QStringLiteral("index")).toInt(), c.index);
        EXPECT_EQ(made->valueForKey(QStringLiteral("kind")).toString(), KRCollectionKindManualCollection);
        EXPECT_EQ(lists->selectedCollection(), made);
    }
    // With only the built-in collections, a new one still starts at 6, after all of them.
    lists->collectionsTreeController().setSelectedObjects({ controller->libraryCollection() });
    ManagedObject* newFolder = lists->newFolder();
    EXPECT_EQ(newFolder->valueForKey(QStringLiteral("kind")).toString(), KRCollectionKindFolder);
    EXPECT_GE(newFolder->valueForKey(QStringLiteral("index")).toInt(), 6);
    EXPECT_EQ(topLevelNames().first(), QStringLiteral("Recipe Library"));
}

TEST_F(CollectionsControllerTest, DateColumnFollowsTheSelectionAndRestoresTheSortOrder)
{
    FakeRecipeTable table;
    lists->setRecipeTableColumns(&table);
    ManagedObject* imports = controller->importedCollection();
    ManagedObject* cooked = controller->recentlyCookedCollection();
    ASSERT_NE(imports, nullptr);
    ASSERT_NE(cooked, nullptr);

    lists->selectCollection(imports);
    EXPECT_EQ(table.columns, QStringList({ KRDateAddedColumnIdentifier }));
    ASSERT_EQ(table.sort.size(), 1);
    EXPECT_EQ(table.sort.first().key(), QStringLiteral("dateAdded"));
    EXPECT_FALSE(table.sort.first().ascending());
    // Selecting it again adds nothing.
    lists->selectionDidChange();
    EXPECT_EQ(table.columns.size(), 1);
    EXPECT_EQ(table.titles.size(), 1);

    // Straight to the other column: swapped, and the order shown now is the one saved.
    lists->selectCollection(cooked);
    EXPECT_EQ(table.columns, QStringList({ KRDateCookedColumnIdentifier }));
    EXPECT_EQ(table.sort.first().key(), QStringLiteral("dateCooked"));

    lists->selectCollection(controller->libraryCollection());
    EXPECT_TRUE(table.columns.isEmpty());
    ASSERT_EQ(table.sort.size(), 1);
    EXPECT_EQ(table.sort.first().key(), QStringLiteral("dateAdded"));

    // From a plain collection to Recent Imports and back gives the first order back.
    table.sort = { SortDescriptor(QStringLiteral("rating"), false) };
    lists->selectCollection(imports);
    lists->selectCollection(controller->libraryCollection());
    EXPECT_EQ(table.sort.first().key(), QStringLiteral("rating"));
    EXPECT_EQ(table.titles.first(), QStringLiteral("Added:dateAdded"));
}

TEST_F(CollectionsControllerTest, DropValidation)
{
    ManagedObject* desserts = folder(QStringLiteral("Desserts"), 6);
    ManagedObject* cakes = folder(QStringLiteral("Cakes"), 0, desserts);
    ManagedObject* pies = manual(QStringLiteral("Pies"), 7);
    ManagedObject* smart = collection(
        QStringLiteral("SmartCollection"), QStringLiteral("Quick"), KRCollectionKindSmartCollection, 8);
    ManagedObject* grocery = collection(QStringLiteral("ManualCollection"), QStringLiteral("Grocery Lists"),
        KRCollectionKindGroceryListsCollection, 3);
    ManagedObject* devicesFolder
        = collection(QStringLiteral("Folder"), QStringLiteral("Devices"), KRCollectionKindDevicesFolder, 5);
    ManagedObject* phone = collection(QStringLiteral("DeviceCollection"), QStringLiteral("Phone"),
        KRCollectionKindDeviceCollection, 0, devicesFolder);
    ManagedObject* pad = collection(QStringLiteral("DeviceCollection"), QStringLiteral("Pad"),
        KRCollectionKindDeviceCollection, 1, devicesFolder);
    phone->setValueForKey(true, QStringLiteral("groceryListSupport"));
    rearrange();
    const int builtIns = lists->builtInRowCount();
    ASSERT_EQ(builtIns, 5); // library, Recent Imports, Recently Cooked, grocery lists, devices

    const std::unique_ptr<QMimeData> recipes = recipeData({ recipe(QStringLiteral("Soup"), true) });
    QMimeData lists_;
    lists_.setData(RecipePasteboard::copiedRowsMimeType, QByteArray("x"));
    const auto collectionData = [this](ManagedObject* c) { return lists->writeItems({ c }); };
    const std::unique_ptr<QMimeData> dragDesserts = collectionData(desserts);
    const std::unique_ptr<QMimeData> dragPies = collectionData(pies);
    ASSERT_NE(dragDesserts, nullptr);

    struct Case {
        const char* name;
        Source source;
        const QMimeData* data;
        ManagedObject* target;
        int childIndex;
        Qt::DropAction expected;
        int indexAfter;
    };
    ManagedObject* library = controller->libraryCollection();
    ManagedObject* imports = controller->importedCollection();
    const Case cases[] = {
        { "from another program", Source::OtherApplication, recipes.get(), pies, -1, Qt::IgnoreAction, -1 },
        { "recipes onto the library", Source::OtherView, recipes.get(), library, -1, Qt::CopyAction, -1 },
        { "recipes onto a manual collection", Source::OtherView, recipes.get(), pies, -1, Qt::CopyAction,
            -1 },
        { "recipes between rows go onto the row", Source::OtherView, recipes.get(), pies, 3, Qt::CopyAction,
            -1 },
        { "recipes onto grocery lists", Source::OtherView, recipes.get(), grocery, -1, Qt::CopyAction, -1 },
        { "recipes onto a device", Source::OtherView, recipes.get(), pad, -1, Qt::CopyAction, -1 },
        { "recipes onto a folder", Source::OtherView, recipes.get(), desserts, -1, Qt::IgnoreAction, -1 },
        { "recipes onto a smart collection", Source::OtherView, recipes.get(), smart, -1, Qt::IgnoreAction,
            -1 },
        { "recipes onto Recent Imports", Source::OtherView, recipes.get(), imports, -1, Qt::IgnoreAction,
            -1 },
        { "recipes onto the devices folder", Source::OtherView, recipes.get(), devicesFolder, -1,
            Qt::IgnoreAction, -1 },
        { "recipes onto the top level", Source::OtherView, recipes.get(), nullptr, 7, Qt::IgnoreAction, 7 },
        { "grocery lists onto a device that takes them", Source::GroceryListsTable, &lists_, phone, -1,
            Qt::CopyAction, -1 },
        { "grocery lists onto a device that does not", Source::GroceryListsTable, &lists_, pad, -1,
            Qt::IgnoreAction, -1 },
        { "grocery lists onto a manual collection", Source::GroceryListsTable, &lists_, pies, -1,
            Qt::IgnoreAction, -1 },
        { "collection onto a row", Source::CollectionsList, dragPies.get(), desserts, -1, Qt::IgnoreAction,
            -1 },
        { "collection into a folder", Source::CollectionsList, dragPies.get(), desserts, 0, Qt::MoveAction,
            0 },
        { "collection after the built-ins", Source::CollectionsList, dragPies.get(), nullptr, builtIns,
            Qt::MoveAction, builtIns },
        { "collection among the built-ins", Source::CollectionsList, dragPies.get(), nullptr, builtIns - 1,
            Qt::IgnoreAction, builtIns - 1 },
        { "folder into itself", Source::CollectionsList, dragDesserts.get(), desserts, 0, Qt::IgnoreAction,
            0 },
        { "folder into its subfolder", Source::CollectionsList, dragDesserts.get(), cakes, 0,
            Qt::IgnoreAction, 0 },
        { "collection into the devices folder", Source::CollectionsList, dragPies.get(), devicesFolder, 0,
            Qt::IgnoreAction, 0 },
        { "collection into a manual collection", Source::CollectionsList, dragPies.get(), pies, 0,
            Qt::IgnoreAction, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int childIndex = c.childIndex;
        EXPECT_EQ(lists->validateDrop({ c.source, c.data }, c.target, &childIndex), c.expected);
        EXPECT_EQ(childIndex, c.indexAfter);
    }
    // A built-in collection's URI (from a foreign drag) never moves it.
    QMimeData libraryDrag;
    RecipePasteboard::writeURL(libraryDrag, library->objectID().URIRepresentation());
    int childIndex = builtIns + 1;
    EXPECT_EQ(lists->validateDrop({ Source::CollectionsList, &libraryDrag }, nullptr, &childIndex),
        Qt::IgnoreAction);
    EXPECT_FALSE(lists->acceptDrop({ Source::CollectionsList, &libraryDrag }, nullptr, builtIns + 1));
}

TEST_F(CollectionsControllerTest, MovingRenumbersUserCollectionsAndLeavesTheBuiltInsAlone)
{
    ManagedObject* a = manual(QStringLiteral("A"), 6);
    ManagedObject* b = manual(QStringLiteral("B"), 7);
    ManagedObject* c = manual(QStringLiteral("C"), 8);
    ManagedObject* box = folder(QStringLiteral("Box"), 9);
    ManagedObject* inside = manual(QStringLiteral("Inside"), 0, box);
    rearrange();
    const int builtIns = lists->builtInRowCount();
    const auto index = [](ManagedObject* o) { return o->valueForKey(QStringLiteral("index")).toInt(); };
    const int libraryIndex = index(controller->libraryCollection());
    const int importsIndex = index(controller->importedCollection());

    // C to the first place after the built-ins.
    const std::unique_ptr<QMimeData> dragC = lists->writeItems({ c });
    ASSERT_TRUE(lists->acceptDrop({ Source::CollectionsList, dragC.get() }, nullptr, builtIns));
    EXPECT_EQ(topLevelNames().mid(builtIns), QStringList({ "C", "A", "B", "Box" }));
    EXPECT_EQ(index(c), 6);
    EXPECT_EQ(index(a), 7);
    EXPECT_EQ(index(b), 8);
    EXPECT_EQ(index(box), 9);
    EXPECT_EQ(index(controller->libraryCollection()), libraryIndex);
    EXPECT_EQ(index(controller->importedCollection()), importsIndex);
    EXPECT_EQ(lists->selectedCollection(), c);

    // A into the folder, before what is there.
    const std::unique_ptr<QMimeData> dragA = lists->writeItems({ a });
    ASSERT_TRUE(lists->acceptDrop({ Source::CollectionsList, dragA.get() }, box, 0));
    EXPECT_EQ(a->objectForKey(QStringLiteral("parent")), box);
    EXPECT_EQ(index(a), 0);
    EXPECT_EQ(index(inside), 1);
    EXPECT_FALSE(box->objectsForKey(QStringLiteral("children")).isEmpty());

    // And back out to the end of the top level.
    const std::unique_ptr<QMimeData> dragInside = lists->writeItems({ inside });
    ASSERT_TRUE(lists->acceptDrop({ Source::CollectionsList, dragInside.get() }, nullptr, builtIns + 3));
    EXPECT_EQ(inside->objectForKey(QStringLiteral("parent")), nullptr);
    EXPECT_FALSE(box->objectsForKey(QStringLiteral("children")).contains(inside));
    EXPECT_EQ(topLevelNames().mid(builtIns), QStringList({ "C", "B", "Box", "Inside" }));
}

TEST_F(CollectionsControllerTest, SeveralRecipesDroppedJoinTheCollectionAndTheLibrary)
{
    UserDefaults::standardUserDefaults().setInteger(5, KRSavedImportsCount);
    ManagedObject* pies = manual(QStringLiteral("Pies"), 6);
    rearrange();
    ManagedObject* own = recipe(QStringLiteral("Own"), true);
    ManagedObject* web1 = recipe(QStringLiteral("Web 1"), false);
    ManagedObject* web2 = recipe(QStringLiteral("Web 2"), false);
    ManagedObject* library = controller->libraryCollection();
    ManagedObject* imports = controller->importedCollection();

    std::unique_ptr<QMimeData> data = recipeData({ own, web1, web2 });
    // An unresolved and a foreign URI ride along; both are skipped.
    QList<QUrl> uris = RecipePasteboard::readRecipeURIs(*data);
    uris.append(QUrl(QStringLiteral("x-coredata:///Recipe/t999999")));
    uris.append(QUrl(QStringLiteral("https://example.com/recipe")));
    RecipePasteboard::writeRecipeURIs(*data, uris);
    ASSERT_TRUE(lists->acceptDrop({ Source::OtherView, data.get() }, pies, -1));
    for (ManagedObject* r : { own, web1, web2 }) {
        SCOPED_TRACE(r->valueForKey(QStringLiteral("name")).toString().toStdString());
        EXPECT_TRUE(holds(pies, r));
        EXPECT_TRUE(holds(library, r));
    }
    EXPECT_FALSE(holds(imports, own));
    EXPECT_TRUE(holds(imports, web1));
    EXPECT_TRUE(holds(imports, web2));
    EXPECT_EQ(pies->objectsForKey(QStringLiteral("recipes")).size(), 3);

    // One recipe from the search results, dropped alone, goes to the library too.
    ManagedObject* web3 = recipe(QStringLiteral("Web 3"), false);
    const std::unique_ptr<QMimeData> single = recipeData({ web3 });
    ASSERT_TRUE(lists->acceptDrop({ Source::OtherView, single.get() }, pies, -1));
    EXPECT_TRUE(holds(library, web3));
    EXPECT_TRUE(holds(imports, web3));
}

TEST_F(CollectionsControllerTest, RecentImportsIsTrimmedWhenExactlyItsLimitIsDropped)
{
    UserDefaults::standardUserDefaults().setInteger(2, KRSavedImportsCount);
    ManagedObject* pies = manual(QStringLiteral("Pies"), 6);
    rearrange();
    ManagedObject* imports = controller->importedCollection();
    ManagedObject* old = recipe(QStringLiteral("Old"), true);
    old->setValueForKey(QDateTime::currentDateTimeUtc().addDays(-10), QStringLiteral("dateAdded"));
    imports->mutableSetValueForKey(QStringLiteral("recipes")).addObject(old);
    ManagedObject* web1 = recipe(QStringLiteral("Web 1"), false);
    ManagedObject* web2 = recipe(QStringLiteral("Web 2"), false);
    const std::unique_ptr<QMimeData> two = recipeData({ web1, web2 });
    ASSERT_TRUE(lists->acceptDrop({ Source::OtherView, two.get() }, pies, -1));
    EXPECT_EQ(imports->objectsForKey(QStringLiteral("recipes")).size(), 2);
    EXPECT_FALSE(holds(imports, old));

    // More than the limit: Recent Imports holds exactly what was dropped.
    QList<ManagedObject*> three = { recipe(QStringLiteral("A"), false), recipe(QStringLiteral("B"), false),
        recipe(QStringLiteral("C"), false) };
    const std::unique_ptr<QMimeData> data = recipeData(three);
    ASSERT_TRUE(lists->acceptDrop({ Source::OtherView, data.get() }, pies, -1));
    QList<ManagedObject*> held = imports->objectsForKey(QStringLiteral("recipes"));
    EXPECT_EQ(held.size(), 3);
    for (ManagedObject* r : three)
        EXPECT_TRUE(held.contains(r));
}

TEST_F(CollectionsControllerTest, RecipesDroppedOnGroceryListsMakeOneList)
{
    ManagedObject* grocery = collection(QStringLiteral("ManualCollection"), QStringLiteral("Grocery Lists"),
        KRCollectionKindGroceryListsCollection, 3);
    rearrange();
    ManagedObject* a = recipe(QStringLiteral("A"), true);
    ManagedObject* b = recipe(QStringLiteral("B"), true);
    std::unique_ptr<QMimeData> data = recipeData({ a, b });
    ASSERT_TRUE(lists->acceptDrop({ Source::OtherView, data.get() }, grocery, -1));
    ASSERT_EQ(groceries.listsMade.size(), 1);
    EXPECT_EQ(groceries.listsMade.first(), QList<ManagedObject*>({ a, b }));
    EXPECT_FALSE(holds(grocery, a));
}

TEST_F(CollectionsControllerTest, DeviceCollectionsFollowTheDeviceRecords)
{
    dropbox.linked = true;
    ManagedObject* devicesFolder = controller->devicesFolder();
    ASSERT_NE(devicesFolder, nullptr);
    const auto device = [](const QString& udid, const QString& name, bool groceries) {
        QLMKitchoraDevice d;
        d.setDeviceUDID(udid);
        d.setDeviceName(name);
        d.setDeviceType(QStringLiteral("iPhone"));
        d.setSupportsGroceryLists(groceries);
        return d;
    };
    const auto deviceCollections = [this] {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("DeviceCollection"));
        return context()->executeFetchRequest(request).value_or(QList<ManagedObject*>());
    };

    // New devices get a collection in the devices folder.
    lists->updateDeviceCollectionsWithDeviceArray(
        { device(QStringLiteral("u1"), QStringLiteral("Phone"), false),
            device(QStringLiteral("u2"), QStringLiteral("Pad"), true) });
    ASSERT_EQ(deviceCollections().size(), 2);
    ManagedObject* phone
        = lists->deviceCollectionForDevice(device(QStringLiteral("u1"), QStringLiteral("Phone"), false));
    EXPECT_EQ(phone->objectForKey(QStringLiteral("parent")), devicesFolder);
    EXPECT_FALSE(phone->valueForKey(QStringLiteral("draggable")).toBool());

    // Renamed on the device, now with grocery lists: the same collection, refreshed.
    lists->updateDeviceCollectionsWithDeviceArray(
        { device(QStringLiteral("u1"), QStringLiteral("My Phone"), true),
            device(QStringLiteral("u2"), QStringLiteral("Pad"), true) });
    ASSERT_EQ(deviceCollections().size(), 2);
    EXPECT_FALSE(phone->isDeleted());
    EXPECT_EQ(phone->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("My Phone"));
    EXPECT_TRUE(phone->valueForKey(QStringLiteral("groceryListSupport")).toBool());
    EXPECT_EQ(
        CollectionsController::kitchoraDeviceFromDeviceCollection(phone).deviceUDID(), QStringLiteral("u1"));

    // Two devices of one name stay apart.
    lists->updateDeviceCollectionsWithDeviceArray({ device(QStringLiteral("u1"), QStringLiteral("Pad"), true),
        device(QStringLiteral("u2"), QStringLiteral("Pad"), true) });
    EXPECT_EQ(deviceCollections().size(), 2);

    // A device no longer among the records loses its collection.
    lists->updateDeviceCollectionsWithDeviceArray(
        { device(QStringLiteral("u1"), QStringLiteral("Pad"), true) });
    EXPECT_EQ(deviceCollections(), QList<ManagedObject*>({ phone }));

    // Hidden: gone at once, not back on the next update, back after showing hidden devices.
    // (Selecting a device collection reads the records again.)
    dropbox.records = { device(QStringLiteral("u1"), QStringLiteral("Pad"), true) };
    lists->selectCollection(phone);
    ASSERT_EQ(lists->selectedCollection(), phone);
    lists->hideDevice();
    EXPECT_TRUE(deviceCollections().isEmpty());
    EXPECT_EQ(UserDefaults::standardUserDefaults().arrayForKey(QLMDropboxHiddenDevicesKey),
        QVariantList({ QStringLiteral("u1") }));
    lists->updateDeviceCollectionsWithDeviceArray(
        { device(QStringLiteral("u1"), QStringLiteral("Pad"), true) });
    EXPECT_TRUE(deviceCollections().isEmpty());
    lists->showHiddenDevices();
    EXPECT_EQ(deviceCollections().size(), 1);
    EXPECT_TRUE(UserDefaults::standardUserDefaults().arrayForKey(QLMDropboxHiddenDevicesKey).isEmpty());

    // Still linked by the old sharing default only: nothing changes.
    dropbox.linked = false;
    UserDefaults::standardUserDefaults().setBool(true, QLMKitchoraDropboxSharingEnabledKey);
    lists->updateDeviceCollectionsWithDeviceArray({});
    EXPECT_EQ(deviceCollections().size(), 1);

    // Unlinked: the folder and the device collections go.
    UserDefaults::standardUserDefaults().setBool(false, QLMKitchoraDropboxSharingEnabledKey);
    const int unlinks = dropbox.unlinks;
    lists->updateDeviceCollections();
    EXPECT_EQ(dropbox.unlinks, unlinks + 1);
    EXPECT_TRUE(deviceCollections().isEmpty());
    EXPECT_TRUE(devicesFolder->isDeleted());
}

TEST_F(CollectionsControllerTest, RecipesSentToADeviceGoInOneCallWithTheSpinnerOnItsRow)
{
    dropbox.linked = true;
    ManagedObject* devicesFolder = controller->devicesFolder();
    QLMKitchoraDevice record;
    record.setDeviceUDID(QStringLiteral("u1"));
    record.setDeviceName(QStringLiteral("Phone"));
    lists->updateDeviceCollectionsWithDeviceArray({ record });
    ManagedObject* phone = lists->deviceCollectionForDevice(record);
    ASSERT_NE(phone, nullptr);
    QList<ManagedObject*> recipes;
    for (const char* name : { "A", "B", "C", "D", "E" })
        recipes.append(recipe(QString::fromLatin1(name), true));
    const std::unique_ptr<QMimeData> data = recipeData(recipes);

    ASSERT_TRUE(lists->acceptDrop({ Source::OtherView, data.get() }, phone, -1));
    EXPECT_EQ(lists->progressCount(phone), 5u);
    EXPECT_EQ(lists->progressCount(devicesFolder), 0u);
    EXPECT_TRUE(dropbox.recipeSends.isEmpty());
    dropbox.runPendingPlists();
    ASSERT_EQ(dropbox.recipeSends.size(), 1);
    EXPECT_EQ(dropbox.recipeSends.first().first.size(), 5);
    EXPECT_EQ(dropbox.recipeSends.first().second.deviceUDID(), QStringLiteral("u1"));
    EXPECT_EQ(lists->progressCount(phone), 0u);
    EXPECT_FALSE(holds(phone, recipes.first()));

    // Anything but recipes refuses the whole drop and sends nothing.
    QMimeData mixed;
    RecipePasteboard::writeRecipeURIs(
        mixed, { recipes.first()->objectID().URIRepresentation(), phone->objectID().URIRepresentation() });
    EXPECT_FALSE(lists->acceptDrop({ Source::OtherView, &mixed }, phone, -1));
    dropbox.runPendingPlists();
    EXPECT_EQ(dropbox.recipeSends.size(), 1);

    // Grocery lists: each one of an array is sent.
    phone->setValueForKey(true, QStringLiteral("groceryListSupport"));
    QMimeData groceryData;
    const QVariantList plists = { QVariantMap { { QStringLiteral("name"), QStringLiteral("Week") } },
        QVariantMap { { QStringLiteral("name"), QStringLiteral("Party") } } };
    groceryData.setData(RecipePasteboard::copiedRowsMimeType,
        PropertyList::dataWithPropertyList(plists, PropertyList::Format::Xml));
    ASSERT_TRUE(lists->acceptDrop({ Source::GroceryListsTable, &groceryData }, phone, -1));
    EXPECT_EQ(dropbox.groceryListSends.size(), 2);
    EXPECT_EQ(lists->progressCount(phone), 1u);
    clock.advance(1.0);
    EXPECT_EQ(lists->progressCount(phone), 0u);

    // Fetching shows on the devices folder's row for any count.
    lists->setDropboxProgressIndicatorCounter(3);
    EXPECT_EQ(lists->progressCount(devicesFolder), 3u);
    lists->setDropboxProgressIndicatorCounter(0);
    EXPECT_EQ(lists->progressCount(devicesFolder), 0u);
}

TEST_F(CollectionsControllerTest, DraggingTwoRecipesOntoACollectionInTheViewFilesThem)
{
    ManagedObject* pies = manual(QStringLiteral("Pies"), 6);
    rearrange();
    ManagedObject* a = recipe(QStringLiteral("A"), true);
    ManagedObject* b = recipe(QStringLiteral("B"), false);
    QWidget recipeList;
    OutlineViewDraggedInto view(*lists, &recipeList);
    view.resize(240, 400);
    view.show();
    const QModelIndex row = lists->collectionsModel().indexOf(pies);
    ASSERT_TRUE(row.isValid());
    const QPoint over = view.visualRect(row).center();

    const std::unique_ptr<QMimeData> data = recipeData({ a, b });
    QDragEnterEvent enter(over, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    // The drag comes from the recipe list, another view of the program.
    QCoreApplication::sendEvent(view.viewport(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(over, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    QDropEvent drop(QPointF(over), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    EXPECT_EQ(drop.dropAction(), Qt::CopyAction);

    EXPECT_TRUE(holds(pies, a));
    EXPECT_TRUE(holds(pies, b));
    EXPECT_TRUE(holds(controller->libraryCollection(), b));
    EXPECT_TRUE(holds(controller->importedCollection(), b));
}

TEST_F(CollectionsControllerTest, DeleteKeyRemovesUserCollectionsOnlyAndSelectsTheRowAbove)
{
    ManagedObject* cakes = manual(QStringLiteral("Cakes"), 6);
    ManagedObject* pies = manual(QStringLiteral("Pies"), 7);
    rearrange();
    CollectionsOutlineView view(*lists);
    view.resize(240, 400);
    view.show();
    int beeps = 0;
    QObject::connect(lists.get(), &CollectionsController::beeped, [&beeps] { ++beeps; });
    const auto press = [&view](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QCoreApplication::sendEvent(&view, &event);
    };

    lists->selectCollection(controller->libraryCollection());
    press(Qt::Key_Delete);
    EXPECT_EQ(beeps, 1);
    EXPECT_FALSE(view.deleteAction()->isEnabled());

    lists->selectCollection(pies);
    EXPECT_TRUE(view.deleteAction()->isEnabled());
    EXPECT_EQ(view.deleteAction()->text(), QStringLiteral("Delete Recipe Collection"));
    // With a modifier held the key is not a deletion.
    press(Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_FALSE(pies->isDeleted());
    press(Qt::Key_Backspace);
    EXPECT_EQ(presenter.alerts.size(), 1);
    EXPECT_TRUE(pies->isDeleted());
    EXPECT_EQ(lists->selectedCollection(), cakes);

    // Renaming in place: an empty name is ignored.
    const QModelIndex row = lists->collectionsModel().indexOf(cakes);
    EXPECT_TRUE(lists->collectionsModel().setData(row, QStringLiteral("Tarts")));
    EXPECT_EQ(cakes->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Tarts"));
    lists->collectionsModel().setData(row, QString());
    EXPECT_EQ(cakes->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Tarts"));
}

TEST_F(CollectionsControllerTest, DragImageFramesTheRowsPictureAtItsOwnSize)
{
    EXPECT_TRUE(CollectionsOutlineView::dragImage(QPixmap(), Qt::white, Qt::blue).isNull());

    QPixmap rows(60, 20);
    rows.fill(Qt::red);
    const QImage image = CollectionsOutlineView::dragImage(rows, Qt::white, Qt::blue).toImage();
    ASSERT_EQ(image.size(), QSize(60, 20));
    // The rounded corner leaves the very corner clear; the frame runs along the top edge; the rows'
    // picture, moved down by two, fills the middle.
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    const QColor top = image.pixelColor(30, 1);
    EXPECT_GT(top.blue(), 150);
    EXPECT_LT(top.red(), 100);
    EXPECT_EQ(image.pixelColor(30, 10), QColor(Qt::red));
}
