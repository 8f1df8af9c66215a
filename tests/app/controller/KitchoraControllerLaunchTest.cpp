#include "ConstantManager.h"
#include "ControllerFixture.h"
#include "EntityDescription.h"
#include "IngredientTrie.h"
#include "Log.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "UserDefaults.h"

#include <QFileInfo>

namespace
{

using LaunchTest = ControllerFixture;

QList<ManagedObject*> fetch(
    ManagedObjectContext* context, const QString& entity, const QString& predicate = {})
{
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(entity);
    if (!predicate.isEmpty())
        request.setPredicate(*Predicate::predicateWithFormat(predicate));
    return context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
}

int indexOf(ManagedObject* collection)
{
    return collection ? collection->valueForKey(QStringLiteral("index")).toInt() : -1;
}

TEST_F(LaunchTest, FirstLaunchWithoutStoreSetsUpANewLibraryAndAsksOnce)
{
    KitchoraController& c = launch();

    EXPECT_TRUE(c.noRecipeDatabasePresent());
    EXPECT_TRUE(QFileInfo::exists(c.storePath()));
    EXPECT_EQ(window.centered, 1);
    EXPECT_FALSE(defaults.defaults().boolForKey(KRCompletedSetup));
    EXPECT_EQ(defaults.defaults().integerForKey(KRSavedImportsCount), 30);

    // Built-in collections, saved.
    EXPECT_EQ(indexOf(c.libraryCollection()), 0);
    EXPECT_EQ(indexOf(c.importedCollection()), 2);
    EXPECT_EQ(indexOf(c.recentlyCookedCollection()), 2);
    EXPECT_EQ(c.devicesFolder(), nullptr); // Dropbox not linked
    EXPECT_FALSE(context()->hasChanges());

    // Placeholders of the new library.
    const QMap<QString, QString> placeholders
        = ConstantManager::defaultManager().constantsByGroupWithConstantKey(RVPlaceholderConstantKey);
    for (const auto& [entity, group] : { std::pair { QStringLiteral("Kitchen"), KRKitchenConstantGroup },
             std::pair { QStringLiteral("Cuisine"), KRCuisineConstantGroup },
             std::pair { QStringLiteral("Category"), KRCategoryConstantGroup } }) {
        SCOPED_TRACE(entity.toStdString());
        ASSERT_FALSE(placeholders.value(group).isEmpty());
        EXPECT_EQ(
            fetch(context(), entity, QStringLiteral("name == \"%1\"").arg(placeholders.value(group))).size(),
            1);
    }
    EXPECT_EQ(collections.recipeFetches, 0); // a new library has nothing from Dropbox yet
    EXPECT_EQ(groceries.collectionFetches, 1);
    EXPECT_EQ(uploaderStarts, 1);

    // The setup question comes once, when the window becomes main; the empty library completes setup.
    EXPECT_TRUE(c.isSetupSheetPending());
    c.mainWindowDidBecomeMain();
    c.mainWindowDidBecomeMain();
    EXPECT_EQ(presenter.libraryQuestions, 1);
    EXPECT_TRUE(defaults.defaults().boolForKey(KRCompletedSetup));
}

TEST_F(LaunchTest, LaunchWithAStoreRunsNoFirstRun)
{
    launch();
    controller->mainWindowDidBecomeMain();
    const QString storePath = controller->storePath();
    controller.reset();

    KitchoraController& c = launch();
    EXPECT_FALSE(c.noRecipeDatabasePresent());
    EXPECT_EQ(c.storePath(), storePath);
    EXPECT_FALSE(c.isSetupSheetPending());
    EXPECT_EQ(window.centered, 1); // first launch only
    EXPECT_EQ(collections.recipeFetches, 1);
    // The built-ins were found, not made again.
    EXPECT_EQ(fetch(context(), QStringLiteral("RecipeCollection"),
                  QStringLiteral("kind == \"RBCollectionKindMainLibrary\""))
                  .size(),
        1);
    EXPECT_EQ(fetch(context(), QStringLiteral("RecipeCollection"),
                  QStringLiteral("kind == \"RBCollectionKindRecentlyCookedCollection\""))
                  .size(),
        1);
}

TEST_F(LaunchTest, DefaultsAreNormalisedAtLaunch)
{
    UserDefaults& d = defaults.defaults();
    d.setBool(true, KRCompletedSetup);
    d.setInteger(0, KRSavedImportsCount);
    d.setBool(false, KRConfirmsCollectionDelete);
    d.setObject(QString(), KRConfirmsGroceryListDelete);
    launch();
    EXPECT_EQ(d.integerForKey(KRSavedImportsCount), 30);
    EXPECT_TRUE(d.boolForKey(KRConfirmsRecipeDelete)); // absent
    EXPECT_FALSE(d.boolForKey(KRConfirmsCollectionDelete)); // the user's NO stays
    EXPECT_TRUE(d.boolForKey(KRConfirmsGroceryListDelete)); // empty
    EXPECT_EQ(window.centered, 0); // no first run
}

TEST_F(LaunchTest, LoadCounterAnnouncesOnlyTheOuterSteps)
{
    KitchoraController& c = makeController();
    QList<bool> announced;
    QObject::connect(
        &c, &KitchoraController::isLoadingChanged, &c, [&](bool loading) { announced.append(loading); });
    c.startLoading();
    c.startLoading();
    EXPECT_TRUE(c.isLoading());
    c.doneLoading();
    EXPECT_TRUE(c.isLoading());
    c.doneLoading();
    EXPECT_FALSE(c.isLoading());
    EXPECT_EQ(announced, QList<bool>({ true, false }));
}

TEST_F(LaunchTest, DropboxPollDecisions)
{
    struct Case {
        const char* name;
        bool linked;
        bool sharingKey;
        int unlinks;
        int recipeFetches;
        int groceryFetches;
    };
    const Case cases[] = {
        { "unlinked, sharing off: unlink and drop devices", false, false, 1, 0, 0 },
        { "unlinked, deprecated switch on: nothing", false, true, 0, 0, 0 },
        { "linked: fetch recipes and grocery lists", true, false, 0, 1, 1 },
        { "linked, switch on: fetch", true, true, 0, 1, 1 },
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        dropbox = FakeDropbox();
        dropbox.linked = test.linked;
        collections = FakeCollectionsController();
        groceries = FakeGroceryListController();
        defaults.defaults().setBool(test.sharingKey, QLMKitchoraDropboxSharingEnabledKey);
        KitchoraController& c = makeController();
        c.fetchDropboxContents();
        EXPECT_TRUE(c.isPollingDropbox());
        EXPECT_EQ(dropbox.unlinks, test.unlinks);
        EXPECT_EQ(collections.recipeFetches, test.recipeFetches);
        EXPECT_EQ(groceries.dropboxFetches, test.groceryFetches);
        // The poll repeats every five minutes with one timer, however often it is called.
        c.fetchDropboxContents();
        clock.advance(KitchoraController::kDropboxPollInterval);
        EXPECT_EQ(dropbox.unlinks, 3 * test.unlinks);
        EXPECT_EQ(collections.recipeFetches, 3 * test.recipeFetches);
        controller.reset();
        clock.advance(KitchoraController::kDropboxPollInterval);
        EXPECT_EQ(collections.recipeFetches, 3 * test.recipeFetches);
    }
}

TEST_F(LaunchTest, UnlinkedDropboxRemovesDevicesAndLinkedKeepsThem)
{
    dropbox.linked = true;
    dropbox.devices = 2;
    KitchoraController& c = launch();
    ASSERT_NE(c.devicesFolder(), nullptr);
    EXPECT_EQ(indexOf(c.devicesFolder()), 5);
    ASSERT_FALSE(collections.deviceUpdates.isEmpty());
    EXPECT_EQ(collections.deviceUpdates.last(), 2);
    EntityDescription::insertNewObjectForEntityForName(QStringLiteral("DeviceCollection"), context());

    dropbox.linked = false;
    c.fetchDropboxContents();
    EXPECT_TRUE(fetch(context(), QStringLiteral("DeviceCollection")).isEmpty());
    EXPECT_TRUE(fetch(context(), QStringLiteral("RecipeCollection"),
        QStringLiteral("kind == \"KRCollectionKindDevicesFolder\""))
                    .isEmpty());
}

TEST_F(LaunchTest, ResigningActiveLeavesCookingModeUnlessDebugging)
{
    KitchoraController& c = makeController();
    recipe.inFullScreen = true;
    defaults.defaults().setBool(true, KRDebugMode);
    c.applicationWillResignActive();
    EXPECT_TRUE(recipe.inFullScreen);
    defaults.defaults().setBool(false, KRDebugMode);
    c.applicationWillResignActive();
    EXPECT_FALSE(recipe.inFullScreen);
    c.applicationWillResignActive();
    EXPECT_EQ(recipe.toggles, 1);
}

TEST_F(LaunchTest, AStoreThatCannotBeOpenedIsReportedAndLeftAlone)
{
    KitchoraController& first = makeController();
    const QString path = first.storePath();
    controller.reset();
    QDir().mkpath(QFileInfo(path).path());
    const QByteArray garbage("this is no library store, but the user's file all the same");
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(garbage);
    }
    defaults.defaults().setBool(true, KRCompletedSetup);
    KitchoraController& c = launch();
    ASSERT_FALSE(presenter.errors.isEmpty());
    EXPECT_TRUE(presenter.errors.first().localizedDescription.contains(QFileInfo(path).fileName()));
    EXPECT_EQ(c.currentStore(), nullptr);

    // Saving fails visibly: the quit asks the user.
    presenter.alertAnswers.enqueue(1);
    EXPECT_EQ(c.applicationShouldTerminate(), KitchoraController::TerminateReply::Cancel);
    EXPECT_EQ(presenter.alerts.size(), 1);
    Error error;
    c.saveContext(&error);
    EXPECT_FALSE(error.isNull());

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), garbage);
}

} // namespace

TEST_F(LaunchTest, AddIngredientFieldCompletesToTheFirstNameInAnyCase)
{
    launch();
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    ASSERT_TRUE(trie);
    for (const char* name : { "Zzqa Beta", "zzqa alpha", "Zzqa gamma" })
        ASSERT_TRUE(trie->addIngredient(QString::fromUtf8(name)));
    EXPECT_EQ(
        KitchoraController::completionForPartialString(QStringLiteral("ZZQA")), QStringLiteral("zzqa alpha"));
    EXPECT_EQ(KitchoraController::completionForPartialString(QStringLiteral("zzqa g")),
        QStringLiteral("Zzqa gamma"));
    EXPECT_EQ(KitchoraController::completionForPartialString(QStringLiteral("zzqx")), std::nullopt);
}

TEST_F(LaunchTest, VersionAccessorsReadTheProgramsDescription)
{
    EXPECT_FALSE(KitchoraController::majorVersion().isEmpty());
    EXPECT_EQ(KitchoraController::majorVersion(),
        KitchoraController::infoValueForKey(QStringLiteral("CFBundleShortVersionString")).toString());
    EXPECT_FALSE(KitchoraController::buildVersion().isEmpty());
    EXPECT_TRUE(KitchoraController::copyrightString().contains(QStringLiteral("Kitchora")));
    EXPECT_FALSE(KitchoraController::infoValueForKey(QStringLiteral("NoSuchKey")).isValid());
}
