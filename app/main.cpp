// Starts Kitchora: the application controller, the library window and the launch sequence.

#include "CloudAgentAccount.h"
#include "CloudAgentWebRecipeService.h"
#include "CloudAgentWebRecipes.h"
#include "DBSession.h"
#include "GroceryListController.h"
#include "GroceryListPane.h"
#include "KRApplication.h"
#include "KRApplicationScripting.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MGImporter.h"
#include "MainWindow.h"
#include "ManagedObject.h"
#include "MoveToApplications.h"
#include "PreferencesController.h"
#include "QLMDropboxController.h"
#include "QLMKitchoraCloudAgent.h"
#include "QtMGImportProgress.h"
#include "QtPresenter.h"
#include "RecipeArrayController.h"
#include "RecipeBackgroundUploader.h"
#include "RecipeCollection.h"
#include "RecipeController.h"
#include "RecipeTableView.h"
#include "RunLoop.h"
#include "SearchEngine.h"
#include "StartupProbe.h"
#include "UIDevice.h"

#include <QFileDialog>
#include <QFileInfo>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // First, so that it times everything after it and is destroyed last.
    const std::unique_ptr<StartupProbe> probe = StartupProbe::fromEnvironment();
    // An installed copy is asked its version before it is replaced.
    if (argc == 2 && qstrcmp(argv[1], "--version") == 0) {
        std::printf("kitchora %s\n", qPrintable(KitchoraController::majorVersion()));
        return 0;
    }
    const QString noDisplay = KRApplication::missingDisplayMessage();
    if (!noDisplay.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(noDisplay));
        return 1;
    }
    KRApplication application(argc, argv);
    // Closing the library window quits through the controller's save-and-quit sequence.
    application.setQuitOnLastWindowClosed(false);
    const QStringList files = application.arguments().mid(1);

    // Made below; the scripting interface, the recipe page and the uploader reach them through these.
    KitchoraController* self = nullptr;
    MainWindow* mainWindow = nullptr;

    // One program per user: a second launch hands its files to the running one over the session
    // bus and ends.
    KRApplicationScripting scripting({ [&self] { return self ? self->managedObjectContext() : nullptr; },
        [&self] { return self ? self->recipeController().currentRecipe() : nullptr; },
        [&mainWindow, &self](const QStringList& paths) {
            if (mainWindow) {
                mainWindow->showNormal();
                mainWindow->raise();
                mainWindow->activateWindow();
            }
            if (!paths.isEmpty() && self)
                self->openFiles(paths);
        } });
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && !scripting.registerOn(bus)) {
        QStringList absolute;
        for (const QString& file : files)
            absolute.append(QFileInfo(file).absoluteFilePath());
        if (KRApplicationScripting::handFilesToRunningProgram(bus, absolute))
            return 0;
    }

    QtPresenter presenter;
    // The grocery lists outlive the window that shows them.
    GroceryListController groceries(presenter);
    // The web recipe service's uploader works on the controller's store, made once launch asks.
    // The recipe page asks the window for the selections that decide which recipe it shows.
    RecipeController::Outlets pageOutlets;
    pageOutlets.managedObjectContext = [&self] { return self ? self->managedObjectContext() : nullptr; };
    pageOutlets.presentError = [&self](const Error& error) {
        if (self)
            self->presentError(error);
    };
    pageOutlets.recipeListSelection
        = [&mainWindow] { return mainWindow ? mainWindow->selectedRecipe() : nullptr; };
    pageOutlets.selectedCollectionKind = [&mainWindow] {
        const auto* collection
            = dynamic_cast<const RecipeCollection*>(mainWindow ? mainWindow->selectedCollection() : nullptr);
        return collection ? collection->valueForKey(QStringLiteral("kind")).toString() : QString();
    };
    pageOutlets.searchResultsTableHidden = [&self] { return !self || self->searchResultsTableHidden(); };
    pageOutlets.groceryListsTableHidden
        = [&mainWindow] { return !mainWindow || mainWindow->groceryListsTableHidden(); };
    pageOutlets.deleteSelectedRecipe = [&mainWindow] {
        if (mainWindow)
            mainWindow->recipeTableView()->deleteSelectedRows();
    };
    pageOutlets.mainWindowIsKey = [&mainWindow] { return mainWindow && mainWindow->isActiveWindow(); };
    pageOutlets.addImage = [&self] {
        if (self)
            self->openImage();
    };
    pageOutlets.showImagePanel = [&mainWindow] {
        if (mainWindow)
            mainWindow->showImagePanel();
    };
    RecipeController recipeController(std::move(pageOutlets));
    // Device sharing works on the synced folder the user chose, kept from run to run.
    DBSession::setSharedSession(
        std::make_shared<DBSession>(QStringLiteral("kitchora"), QString(), kDBRootDropbox));
    QLMDropboxController dropbox({ UIDevice::currentDevice().name(),
        UIDevice::currentDevice().saltedUniqueIdentifier(), KitchoraController::buildVersion() });
    dropbox.setFolderChooser([] {
        return QFileDialog::getExistingDirectory(nullptr,
            QCoreApplication::translate("DBAuthHelperOSX", "Choose the folder your sync client keeps"));
    });
    KitchoraController::Neighbours neighbours;
    neighbours.groceryListController = &groceries;
    neighbours.recipeController = &recipeController;
    neighbours.dropbox = &dropbox;
    neighbours.makeUploader = [&self]() -> std::unique_ptr<BackgroundUploaderService> {
        return std::make_unique<RecipeBackgroundUploader>(self->persistentStoreCoordinator(),
            self->managedObjectModel(), QLMKitchoraCloudAgent::sharedCloudAgent(),
            [&self] { return self->uploaderShouldExit(); });
    };
    // The other recipe program's database import, its progress sheet over the library window. An
    // import still running at quit ends (and saves) before the controller's own quit work.
    QtMGImportProgress importProgress;
    MGImporter databaseImport(importProgress);
    neighbours.databaseImport = &databaseImport;
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &application,
        [&databaseImport] { databaseImport.cancelMacGourmetImport(); });
    CloudAgentWebRecipeService webRecipeService;
    neighbours.webRecipeService = &webRecipeService;
    CloudAgentAccount cloudAccount;
    neighbours.cloudAccount = &cloudAccount;
    // The search engine asks the web recipe service through the same client.
    CloudAgentWebRecipes webRecipes(QLMKitchoraCloudAgent::sharedCloudAgent());
    SearchEngine::setSharedWebService(&webRecipes);
    neighbours.searchEngine = &SearchEngine::sharedSearchEngine();
    KitchoraController controller(presenter, std::move(neighbours), {});
    self = &controller;
    SearchEngine::sharedSearchEngine().setPane({ {}, {}, [&controller] { controller.doneLoading(); }, {} });
    QLMKitchoraCloudAgent::setUsernameProvider([&controller] { return controller.getUsername(); });
    groceries.setDropbox(&controller.dropbox());
    groceries.setFolder(KitchoraController::applicationSupportFolder());
    MainWindow window(controller);
    mainWindow = &window;
    window.setGroceryListPane(new GroceryListPane(groceries));
    GroceryListController::Outlets groceryOutlets;
    groceryOutlets.selectCollection
        = [&window](ManagedObject* collection) { window.selectCollection(collection); };
    groceryOutlets.selectedRecipes = [&window] {
        QList<ManagedObject*> recipes;
        for (const QVariant& recipe : window.recipeArrayController().selectedObjects())
            recipes.append(recipe.value<ManagedObject*>());
        return recipes;
    };
    groceries.setOutlets(groceryOutlets);
    window.setOpenSharingPreferences(
        [&window] { window.preferencesController().showPane(QStringLiteral("Sharing")); });
    presenter.setParentWindow(&window);
    importProgress.setParentWindow(&window);
    controller.setMainWindowAccess(&window);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &controller,
        [&controller] { controller.applicationWillTerminate(); });

    controller.awakeFromNib();
    groceries.awakeFromNib();
    controller.applicationWillFinishLaunching();
    window.reloadLibrary();
    if (probe)
        probe->watch(&window);
    window.show();
    controller.applicationDidFinishLaunching();
    {
        MoveToApplications::Environment environment = MoveToApplications::Environment::current();
        const auto launchCopy = environment.launch;
        // The installed copy must find the bus name free, or it would hand over to this one.
        environment.launch = [launchCopy](const QString& path) {
            QDBusConnection::sessionBus().unregisterService(KRApplicationScripting::serviceName());
            return launchCopy(path);
        };
        controller.installInApplicationsDirectoryIfDesired(environment,
            [](int status) { RunLoop::postToMain([status] { QCoreApplication::exit(status); }); });
    }

    // Posted after the launch's own next-pass work (the clean-up of recipes that belong to no
    // collection), so the lists are read again once that is done.
    RunLoop::postToMain([&controller, &window, files] {
        window.reloadLibrary();
        // Without a window manager the window may never be activated; the first-run question
        // must come all the same.
        if (controller.isSetupSheetPending())
            window.windowDidBecomeMain();
        if (!files.isEmpty())
            controller.openFiles(files);
        // scripts/screenshot pictures a secondary window: "Preferences" or "Preferences/<pane>".
        const QString open = qEnvironmentVariable("KITCHORA_OPEN_WINDOW");
        if (open.section(QLatin1Char('/'), 0, 0) == QStringLiteral("Preferences"))
            window.preferencesController().showPane(open.section(QLatin1Char('/'), 1));
    });

    const int status = application.exec();
    controller.setMainWindowAccess(nullptr);
    mainWindow = nullptr;
    return status;
}
