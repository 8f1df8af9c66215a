#include "ControllerFixture.h"
#include "EntityDescription.h"
#include "IngredientMO.h"
#include "Log.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "SearchCacheEngine.h"
#include "SearchEngineAccess.h"
#include "SmartCollection.h"

#include <QDirIterator>
#include <QFile>

namespace
{

using CollectionsTest = ControllerFixture;

QList<ManagedObject*> fetch(
    ManagedObjectContext* context, const QString& entity, const QString& predicate = {})
{
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(entity);
    if (!predicate.isEmpty())
        request.setPredicate(*Predicate::predicateWithFormat(predicate));
    return context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
}

ManagedObject* insertCollection(ManagedObjectContext* context, const QString& entity, const QString& name,
    const QString& kind, int index = 0)
{
    auto* collection = dynamic_cast<RecipeCollection*>(
        EntityDescription::insertNewObjectForEntityForName(entity, context));
    collection->setName(name);
    collection->setValueForKey(kind, QStringLiteral("kind"));
    collection->setIndex(index);
    return collection;
}

ManagedObject* insertRecipe(
    ManagedObjectContext* context, const QString& name, const QList<ManagedObject*>& collections)
{
    ManagedObject* recipe
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context);
    recipe->setValueForKey(name, QStringLiteral("name"));
    for (ManagedObject* collection : collections)
        recipe->mutableSetValueForKey(QStringLiteral("collections")).addObject(collection);
    return recipe;
}

QStringList recipeNames(ManagedObjectContext* context)
{
    QStringList names;
    for (ManagedObject* recipe : fetch(context, QStringLiteral("Recipe")))
        names.append(recipe->valueForKey(QStringLiteral("name")).toString());
    names.sort();
    return names;
}

// A small library store: its library collection and one recipe in it.
QString makeSampleStore(const QString& path, const QString& recipeName)
{
    registerModelClasses();
    auto model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    PersistentStoreCoordinator coordinator(model.get());
    Error error;
    EXPECT_TRUE(coordinator.addPersistentStoreWithType(
        PersistentStoreCoordinator::SQLiteStoreType, QString(), path, {}, &error));
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(&coordinator);
    ManagedObject* library = insertCollection(&context, QStringLiteral("ManualCollection"),
        QStringLiteral("Recipe Library"), KRCollectionKindMainLibrary);
    insertRecipe(&context, recipeName, { library });
    EXPECT_TRUE(context.save(&error)) << error.localizedDescription.toStdString();
    return path;
}

QStringList filesUnder(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(it.next());
    return files;
}

TEST_F(CollectionsTest, BuiltInCollectionsAreFoundOrMade)
{
    struct BuiltIn {
        const char* name;
        QString entity;
        QString kind;
        void (KitchoraController::*setup)();
        std::function<ManagedObject*(KitchoraController&)> held;
        int index;
    };
    const BuiltIn builtIns[] = {
        { "library", QStringLiteral("ManualCollection"), KRCollectionKindMainLibrary,
            &KitchoraController::setupLibrary, [](KitchoraController& c) { return c.libraryCollection(); },
            0 },
        { "recent imports", QStringLiteral("ManualCollection"), KRCollectionKindImportedCollection,
            &KitchoraController::setupImportedCollection,
            [](KitchoraController& c) { return c.importedCollection(); }, 2 },
        { "recently cooked", QStringLiteral("SmartCollection"), KRCollectionKindRecentlyCookedCollection,
            &KitchoraController::setupRecentlyCookedCollection,
            [](KitchoraController& c) { return c.recentlyCookedCollection(); }, 2 },
        { "devices", QStringLiteral("Folder"), KRCollectionKindDevicesFolder,
            &KitchoraController::setupDevicesFolder, [](KitchoraController& c) { return c.devicesFolder(); },
            5 },
    };
    dropbox.linked = true;
    for (const BuiltIn& builtIn : builtIns) {
        for (int present : { 0, 1, 3 }) {
            SCOPED_TRACE(std::string(builtIn.name) + ", found " + std::to_string(present));
            KitchoraController& c = makeController();
            ManagedObjectContext* context = c.managedObjectContext();
            QList<ManagedObject*> existing;
            for (int i = 0; i < present; ++i)
                existing.append(insertCollection(
                    context, builtIn.entity, QStringLiteral("Old %1").arg(i), builtIn.kind, 9));
            Log::Capture log;
            (c.*builtIn.setup)();
            const QList<ManagedObject*> found = fetch(context, QStringLiteral("RecipeCollection"),
                QStringLiteral("kind == \"%1\"").arg(builtIn.kind));
            ManagedObject* held = builtIn.held(c);
            ASSERT_NE(held, nullptr);
            EXPECT_EQ(found.size(), std::max(present, 1));
            EXPECT_TRUE(found.contains(held));
            if (present > 0) {
                EXPECT_TRUE(existing.contains(held));
            }
            EXPECT_EQ(present > 1, log.contains(QStringLiteral("multiple results")));
            EXPECT_EQ(held->valueForKey(QStringLiteral("index")).toInt(), builtIn.index);
            EXPECT_FALSE(held->valueForKey(QStringLiteral("draggable")).toBool());
            controller.reset();
            for (const char* suffix : { "", "-wal", "-shm" })
                QFile::remove(KitchoraController::storePath() + QLatin1String(suffix));
        }
    }
}

TEST_F(CollectionsTest, RecentlyCookedIsFoundByKindNotByName)
{
    KitchoraController& c = makeController();
    ManagedObjectContext* context = c.managedObjectContext();
    ManagedObject* users = insertCollection(context, QStringLiteral("ManualCollection"),
        QStringLiteral("Recently Cooked"), KRCollectionKindManualCollection, 6);
    ManagedObject* library = insertCollection(context, QStringLiteral("ManualCollection"),
        QStringLiteral("Recipe Library"), KRCollectionKindMainLibrary);
    c.setupRecentlyCookedCollection();
    ASSERT_NE(c.recentlyCookedCollection(), nullptr);
    EXPECT_NE(c.recentlyCookedCollection(), users);
    EXPECT_EQ(users->valueForKey(QStringLiteral("kind")).toString(), KRCollectionKindManualCollection);
    EXPECT_EQ(users->valueForKey(QStringLiteral("index")).toInt(), 6);

    // Cooked recently: shown when in the library, not when only in the search-results cache.
    ManagedObject* cache = insertCollection(context, QStringLiteral("ManualCollection"),
        QStringLiteral("Search Results"), KRCollectionKindSearchCache, 1);
    ManagedObject* cooked = insertRecipe(context, QStringLiteral("Cooked"), { library });
    ManagedObject* fromWeb = insertRecipe(context, QStringLiteral("From the web"), { cache });
    for (ManagedObject* recipe : { cooked, fromWeb })
        recipe->setValueForKey(QDateTime::currentDateTime().addDays(-1), QStringLiteral("dateCooked"));
    auto* smart = dynamic_cast<SmartCollection*>(c.recentlyCookedCollection());
    ASSERT_NE(smart, nullptr);
    smart->refresh();
    EXPECT_EQ(smart->recipes(), QList<ManagedObject*>({ cooked }));
}

TEST_F(CollectionsTest, ALibraryNamedRecentlyCookedGetsItsNameBack)
{
    KitchoraController& c = makeController();
    ManagedObject* library = insertCollection(c.managedObjectContext(), QStringLiteral("ManualCollection"),
        QStringLiteral("Recently Cooked"), KRCollectionKindMainLibrary);
    c.setupLibrary();
    EXPECT_EQ(c.libraryCollection(), library);
    EXPECT_EQ(library->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Recipe Library"));
}

TEST_F(CollectionsTest, TopLevelCollectionsAreRenumberedInTheirOrder)
{
    KitchoraController& c = makeController();
    ManagedObjectContext* context = c.managedObjectContext();
    ManagedObject* a = insertCollection(context, QStringLiteral("ManualCollection"), QStringLiteral("A"),
        KRCollectionKindManualCollection, 9);
    ManagedObject* b = insertCollection(context, QStringLiteral("ManualCollection"), QStringLiteral("B"),
        KRCollectionKindManualCollection, 7);
    ManagedObject* imports = insertCollection(context, QStringLiteral("ManualCollection"),
        QStringLiteral("Recent Imports"), KRCollectionKindImportedCollection, 8);
    ManagedObject* folder = insertCollection(
        context, QStringLiteral("Folder"), QStringLiteral("F"), KRCollectionKindFolder, 20);
    ManagedObject* child = insertCollection(context, QStringLiteral("ManualCollection"),
        QStringLiteral("Child"), KRCollectionKindManualCollection, 3);
    child->setValueForKey(QVariant::fromValue(folder), QStringLiteral("parent"));
    c.verifyCollectionIndexes();
    EXPECT_EQ(b->valueForKey(QStringLiteral("index")).toInt(), 6);
    EXPECT_EQ(a->valueForKey(QStringLiteral("index")).toInt(), 7);
    EXPECT_EQ(folder->valueForKey(QStringLiteral("index")).toInt(), 8);
    EXPECT_EQ(imports->valueForKey(QStringLiteral("index")).toInt(), 8); // built-in keeps its own
    EXPECT_EQ(child->valueForKey(QStringLiteral("index")).toInt(), 3); // not top level
}

TEST_F(CollectionsTest, ChoosingTheSampleLibraryInstallsIt)
{
    const QString sample
        = makeSampleStore(root.filePath(QStringLiteral("Sample.recipedb")), QStringLiteral("Sample Soup"));
    KitchoraController::Environment environment;
    environment.sampleLibraryPath = [sample] { return sample; };
    KitchoraController& c = launch(environment);
    presenter.libraryAnswers.enqueue(Presenter::LibraryChoice::Sample);
    c.mainWindowDidBecomeMain();
    EXPECT_TRUE(presenter.errors.isEmpty());
    EXPECT_TRUE(defaults.defaults().boolForKey(KRCompletedSetup));
    ASSERT_NE(c.currentStore(), nullptr);
    EXPECT_EQ(recipeNames(context()), QStringList({ QStringLiteral("Sample Soup") }));
    EXPECT_EQ(fetch(context(), QStringLiteral("RecipeCollection"),
                  QStringLiteral("kind == \"RBCollectionKindMainLibrary\""))
                  .size(),
        1);
    EXPECT_EQ(c.libraryCollection()->valueForKey(QStringLiteral("index")).toInt(), 0);
    ASSERT_TRUE(context()->save());
    EXPECT_TRUE(filesUnder(root.filePath(QStringLiteral("tmp"))).isEmpty()); // no backup left
}

TEST_F(CollectionsTest, AFailedSampleInstallKeepsTheUsersLibrary)
{
    KitchoraController::Environment environment;
    environment.sampleLibraryPath = [this] { return root.filePath(QStringLiteral("missing.recipedb")); };
    KitchoraController& c = launch(environment);
    insertRecipe(context(), QStringLiteral("Grandma's Stew"), { c.libraryCollection() });
    ASSERT_TRUE(context()->save());

    Log::Capture log;
    c.openDemoLibrary();
    EXPECT_TRUE(log.contains(QStringLiteral("unable to copy default recipe database")));
    ASSERT_NE(c.currentStore(), nullptr);
    EXPECT_EQ(recipeNames(context()), QStringList({ QStringLiteral("Grandma's Stew") }));
    EXPECT_TRUE(filesUnder(root.filePath(QStringLiteral("tmp"))).isEmpty());
}

TEST_F(CollectionsTest, AStaleBackupDoesNotBlockTheSampleLibrary)
{
    const QString sample
        = makeSampleStore(root.filePath(QStringLiteral("Sample.recipedb")), QStringLiteral("Sample Soup"));
    const QString stale = QDir(root.filePath(QStringLiteral("tmp")))
                              .filePath(QFileInfo(KitchoraController::storePath()).fileName());
    {
        QFile file(stale);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("left from another run");
    }
    KitchoraController::Environment environment;
    environment.sampleLibraryPath = [sample] { return sample; };
    KitchoraController& c = launch(environment);
    insertRecipe(context(), QStringLiteral("Grandma's Stew"), { c.libraryCollection() });
    ASSERT_TRUE(context()->save());

    c.openDemoLibrary();
    EXPECT_EQ(recipeNames(context()), QStringList({ QStringLiteral("Sample Soup") }));
    EXPECT_EQ(filesUnder(root.filePath(QStringLiteral("tmp"))), QStringList({ stale }));
    QFile file(stale);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("left from another run"));
}

TEST_F(CollectionsTest, LongIngredientsGoUnlessRecipeLinesUseThem)
{
    KitchoraController& c = launch();
    ManagedObjectContext* context = c.managedObjectContext();
    auto ingredient = [&](qsizetype length) {
        ManagedObject* object
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), context);
        object->setPrimitiveValue(QString(length, QLatin1Char('a')), QStringLiteral("name"));
        return object;
    };
    ManagedObject* kept = ingredient(1024);
    ManagedObject* dropped = ingredient(1025);
    ManagedObject* used = ingredient(1030);
    ManagedObject* recipe = insertRecipe(context, QStringLiteral("Soup"), { c.libraryCollection() });
    ManagedObject* line
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("RecipeIngredient"), context);
    line->setValueForKey(QVariant::fromValue(recipe), QStringLiteral("recipe"));
    line->setValueForKey(QVariant::fromValue(used), QStringLiteral("baseIngredient"));
    ASSERT_TRUE(context->save());

    Log::Capture log;
    c.cleanUpLongIngredients();
    EXPECT_FALSE(kept->isDeleted());
    EXPECT_TRUE(dropped->isDeleted());
    EXPECT_FALSE(used->isDeleted());
    EXPECT_TRUE(log.contains(QStringLiteral("still in use")));
    Error error;
    EXPECT_TRUE(context->save(&error)) << error.localizedDescription.toStdString();
    EXPECT_EQ(line->objectForKey(QStringLiteral("baseIngredient")), used);
}

TEST_F(CollectionsTest, SearchCacheClearsOnlyRecipesOutsideTheLibrary)
{
    KitchoraController& c = launch();
    ManagedObjectContext* context = c.managedObjectContext();
    ManagedObject* cache = insertCollection(context, QStringLiteral("ManualCollection"),
        QStringLiteral("Search Results"), KRCollectionKindSearchCache, 1);
    ManagedObject* webOnly = insertRecipe(context, QStringLiteral("Web only"), { cache });
    ManagedObject* kept = insertRecipe(context, QStringLiteral("Kept"), { cache, c.libraryCollection() });
    ASSERT_TRUE(context->save());
    c.searchEngine().refetchSearchCache();
    EXPECT_EQ(c.searchCache(), cache);

    c.searchEngine().clearSearchCache();
    EXPECT_TRUE(webOnly->isDeleted());
    EXPECT_FALSE(kept->isDeleted());

    // The model reaches the engine's flag through its access point.
    auto* engine = dynamic_cast<SearchCacheEngine*>(&c.searchEngine());
    ASSERT_NE(engine, nullptr);
    EXPECT_FALSE(engine->clearsSearchCacheOnNextSearch());
    ASSERT_NE(SearchEngineAccess::shared(), nullptr);
    SearchEngineAccess::shared()->clearSearchCacheOnNextSearch();
    EXPECT_TRUE(engine->clearsSearchCacheOnNextSearch());
    controller.reset();
    EXPECT_EQ(SearchEngineAccess::shared(), nullptr);
}

TEST_F(CollectionsTest, SubstitutionRulesRoundTripThroughTheirFile)
{
    KitchoraController& c = launch();
    ManagedObjectContext* context = c.managedObjectContext();
    const qsizetype before = fetch(context, QStringLiteral("Substitution")).size();
    ManagedObject* rule
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Substitution"), context);
    rule->setValueForKey(QStringLiteral("lard"), QStringLiteral("ingredient"));
    rule->setValueForKey(QStringLiteral("1 cup"), QStringLiteral("ingredientAmount"));
    rule->setValueForKey(QStringLiteral("ghee"), QStringLiteral("substitute"));
    rule->setValueForKey(QStringLiteral("1 cup"), QStringLiteral("substituteAmount"));
    const QString path = root.filePath(QStringLiteral("substitutions.plist"));
    c.writeSubstitutionsToFile(path, true);
    ASSERT_TRUE(QFile::exists(path));

    for (ManagedObject* existing : fetch(context, QStringLiteral("Substitution")))
        context->deleteObject(existing);
    c.readSubstitutionsFromFile(path);
    c.readSubstitutionsFromFile(path); // rules already held are not read twice
    const QList<ManagedObject*> read = fetch(context, QStringLiteral("Substitution"));
    ASSERT_EQ(read.size(), before + 1);
    ManagedObject* butter
        = fetch(context, QStringLiteral("Ingredient"), QStringLiteral("name == \"lard\"")).value(0);
    ASSERT_NE(butter, nullptr);
    int usingButter = 0;
    for (ManagedObject* r : read)
        usingButter += r->objectForKey(QStringLiteral("ingredient")) == butter ? 1 : 0;
    EXPECT_EQ(usingButter, 1);
}

} // namespace
