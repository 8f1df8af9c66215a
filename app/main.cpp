// Starts Kitchora: the application controller, the library window and the launch sequence.

#include "AppleRemote.h"
#include "BlogController.h"
#include "CloudAgentAccount.h"
#include "CloudAgentWebRecipeService.h"
#include "CloudAgentWebRecipes.h"
#include "CollectionsOutlineView.h"
#include "ContextualMenuEngine.h"
#include "CookingModeSheet.h"
#include "DesktopSearch.h"
#include "DeviceSharing.h"
#include "GroceryList.h"
#include "GroceryListController.h"
#include "GroceryListPane.h"
#include "ImportService.h"
#include "KRApplication.h"
#include "KRApplicationScripting.h"
#include "KeyspanFrontRowControl.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MGImporter.h"
#include "MailController.h"
#include "MainWindow.h"
#include "ManagedObject.h"
#include "MoveToApplications.h"
#include "PreferencesController.h"
#include "QLMKitchoraCloudAgent.h"
#include "QtMGImportProgress.h"
#include "QtMenuSheets.h"
#include "QtPresenter.h"
#include "RVFullScreenController.h"
#include "RVRecipeView.h"
#include "RecipeArrayController.h"
#include "RecipeBackgroundUploader.h"
#include "RecipeCollection.h"
#include "RecipeController.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "RecipeSharing.h"
#include "RecipeTableView.h"
#include "RemoteControlContainer.h"
#include "RunLoop.h"
#include "SVSearchField.h"
#include "SVSearchFieldView.h"
#include "SearchController.h"
#include "SearchEngine.h"
#include "SearchResult.h"
#include "SearchTerm.h"
#include "StartupProbe.h"
#include "ToolbarController.h"
#include "iChatTheaterController.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <optional>

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
    QStringList files = application.arguments().mid(1);
    // `kitchora --import-text` takes the text on standard input into the import window.
    std::optional<QString> handedText;
    if (files.removeAll(QStringLiteral("--import-text")) > 0) {
        QTextStream input(stdin);
        input.setEncoding(QStringConverter::Utf8);
        handedText = input.readAll();
    }

    // Made below; the scripting interface, the recipe page and the uploader reach them through these.
    KitchoraController* self = nullptr;
    MainWindow* mainWindow = nullptr;
    SearchController* searchPane = nullptr;
    ContextualMenuEngine* menus = nullptr;
    ImportService* importService = nullptr;

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
        },
        [&importService](
            const QString& text) { return importService ? importService->importText(text) : QString(); } });
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && !scripting.registerOn(bus)) {
        if (handedText) {
            QString error;
            if (KRApplicationScripting::handTextToRunningProgram(bus, *handedText, &error)) {
                if (!error.isEmpty())
                    std::fprintf(stderr, "%s\n", qPrintable(error));
                return error.isEmpty() ? 0 : 1;
            }
        }
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
    pageOutlets.searchSelection
        = [&searchPane] { return searchPane ? searchPane->searchSelection() : nullptr; };
    pageOutlets.searchSelectionIsLocal
        = [&searchPane] { return !searchPane || searchPane->selectionIsLocal(); };
    pageOutlets.groceryListsTableHidden
        = [&mainWindow] { return !mainWindow || mainWindow->groceryListsTableHidden(); };
    pageOutlets.deleteSelectedRecipe = [&mainWindow] {
        if (mainWindow)
            mainWindow->recipeTableView()->deleteSelectedRows();
    };
    pageOutlets.mainWindowIsKey = [&mainWindow] { return mainWindow && mainWindow->isActiveWindow(); };
    pageOutlets.contextualMenuForAttributeValue
        = [&menus](const QString& keyPath, quint64 index, QWidget* parent) -> QMenu* {
        return menus ? menus->qmenuForAttributeValue(keyPath, index, parent) : nullptr;
    };
    // Cooking mode for the shown recipe, driven also by an infrared or USB remote while it is on.
    RVFullScreenController* cookingMode = nullptr;
    RemoteControlContainer remotes([&cookingMode](int identifier, bool pressedDown, RemoteControl*) {
        if (cookingMode)
            cookingMode->sendRemoteButtonEvent(identifier, pressedDown);
    });
    remotes.instantiateAndAddRemoteControlDeviceWithClass<AppleRemote>();
    remotes.instantiateAndAddRemoteControlDeviceWithClass<KeyspanFrontRowControl>();
    RVFullScreenController::Outlets cookingOutlets;
    cookingOutlets.startListeningToRemote = [&remotes] { remotes.startListening(); };
    cookingOutlets.stopListeningToRemote = [&remotes] { remotes.stopListening(); };
    RVFullScreenController cooking(std::move(cookingOutlets));
    cookingMode = &cooking;
    pageOutlets.enterFullScreenForRecipe = [&cooking](ManagedObject* recipe) {
        return cooking.enterFullScreenForRecipe(dynamic_cast<RecipeMO*>(recipe));
    };
    pageOutlets.exitFullScreen
        = [&cooking] { cooking.exitFullScreen(RVFullScreenController::Sender::RecipeController); };
    pageOutlets.runFullScreenSheet
        = [&mainWindow](bool& showAgain) { return CookingModeSheet::run(mainWindow, showAgain); };
    pageOutlets.addImage = [&self] {
        if (self)
            self->openImage();
    };
    pageOutlets.showImagePanel = [&mainWindow] {
        if (mainWindow)
            mainWindow->showImagePanel();
    };
    RecipeController recipeController(std::move(pageOutlets));
    // Cooking mode ended from inside (Escape, its exit button, a voice command, the remote): the
    // page ends it on its side, which completes the tear-down.
    const ScopedObserver cookingEnded(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(
            RVWillExitFullScreenMode, &cooking, [&recipeController](const Notification&) {
                if (recipeController.fullScreen())
                    recipeController.toggleFullScreen();
            }));
    // Device sharing works on the synced folder the user chose, kept from run to run.
    DeviceSharing deviceSharing;
    KitchoraController::Neighbours neighbours;
    neighbours.groceryListController = &groceries;
    neighbours.recipeController = &recipeController;
    neighbours.dropbox = &deviceSharing.service();
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
    // The import window, made when first opened; a new recipe shows in the library window.
    ImportController::Outlets importOutlets;
    importOutlets.showRecipe = [&mainWindow](ManagedObject* recipe) {
        if (mainWindow)
            mainWindow->selectRecipe(recipe);
    };
    importOutlets.recipePageEditable = [&recipeController] { return recipeController.editable(); };
    importOutlets.editRecipe = [&recipeController] { recipeController.edit(); };
    importOutlets.openFiles = [&self](const QStringList& paths) {
        if (self)
            self->openFiles(paths);
    };
    importOutlets.supportedFileExtensions = [] { return KitchoraController::supportedFileExtensions(); };
    ImportService imports(std::move(importOutlets));
    importService = &imports;
    neighbours.importWindow = &imports;
    KitchoraController controller(presenter, std::move(neighbours), {});
    self = &controller;
    SearchEngine::sharedSearchEngine().setPane({ {}, {}, [&controller] { controller.doneLoading(); }, {} });
    // The search pane: its fields above the middle pane, its results in place of the recipe list.
    SearchController::Outlets searchOutlets;
    searchOutlets.searchResultsTableHidden = [&controller] { return controller.searchResultsTableHidden(); };
    searchOutlets.setSearchResultsTableHidden
        = [&controller](bool hidden) { controller.setSearchResultsTableHidden(hidden); };
    searchOutlets.selectedCollection
        = [&mainWindow] { return mainWindow ? mainWindow->selectedCollection() : nullptr; };
    searchOutlets.selectCollection = [&mainWindow](ManagedObject* collection) {
        if (mainWindow)
            mainWindow->selectCollection(collection);
    };
    searchOutlets.currentRecipe = [&recipeController] { return recipeController.currentRecipe(); };
    searchOutlets.recipeContextualMenu = [&menus](ManagedObject* recipe) -> QMenu* {
        return menus ? menus->qmenuForRecipe(recipe) : nullptr;
    };
    searchOutlets.setRecipePageEditable
        = [&recipeController](bool editable) { recipeController.setEditable(editable); };
    searchOutlets.pageSelectionDidChange = [&recipeController](bool fromSearchResults) {
        recipeController.observedSelectionDidChange(fromSearchResults
                ? RecipeControllerService::ObservedController::SearchResults
                : RecipeControllerService::ObservedController::RecipeList,
            QStringLiteral("selection"));
    };
    searchOutlets.recipeTableView
        = [&mainWindow]() -> QWidget* { return mainWindow ? mainWindow->recipeTableView() : nullptr; };
    searchOutlets.collectionsOutlineView
        = [&mainWindow]() -> QWidget* { return mainWindow ? mainWindow->collectionsOutlineView() : nullptr; };
    SearchController searchController(
        SearchEngine::sharedSearchEngine(), &webRecipes, std::move(searchOutlets));
    searchPane = &searchController;
    QLMKitchoraCloudAgent::setUsernameProvider([&controller] { return controller.getUsername(); });
    groceries.setDropbox(&controller.dropbox());
    groceries.setFolder(KitchoraController::applicationSupportFolder());
    MainWindow window(controller);
    mainWindow = &window;
    // Files arriving from the devices' folders turn the devices folder's icon into a spinner.
    deviceSharing.showFetchesOn(window.collectionsController());
    window.setGroceryListPane(new GroceryListPane(groceries));
    window.setSearchController(&searchController);
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
    // Sharing a recipe: the blog sheet over the window, mail, and the presentation to a video call
    // (no video-chat program of this desktop asks for one, so it has no manager).
    BlogController blog({ [&controller] { return controller.currentRecipe(); },
                            KitchoraController::applicationSupportFolder(), nullptr, {} },
        &window);
    MailController mail({ [&recipeController] { return recipeController.page().textStorage().string(); },
        [&presenter](const QString& message, const QString& informative) {
            presenter.runAlert(message + QStringLiteral("\n\n") + informative, { QObject::tr("OK") });
        },
        {} });
    RecipeSharing sharing(blog, mail);
    window.setRecipeSharing(&sharing);
    iChatTheaterController::Outlets presentation;
    presentation.currentRecipe = [&controller] { return controller.currentRecipe(); };
    presentation.cookingModeIsOn = [&recipeController] { return recipeController.fullScreen(); };
    presentation.enterCookingModeWindowed = [&cooking](ManagedObject* recipe) {
        cooking.enterFullScreenForRecipe(dynamic_cast<RecipeMO*>(recipe), true);
    };
    presentation.cookingModeView = [&cooking]() -> QWidget* { return cooking.window(); };
    presentation.runAlert = [&presenter](const QString& message, const QString& informative) {
        presenter.runAlert(message + QStringLiteral("\n\n") + informative, { QObject::tr("OK") });
    };
    iChatTheaterController::sharedIChatController().setOutlets(std::move(presentation));
    presenter.setParentWindow(&window);
    importProgress.setParentWindow(&window);

    // The contextual menus of the recipe list and the recipe page, and the main menu "Recipe".
    const DesktopSearch desktopSearch;
    QtMenuSheets menuSheets;
    menuSheets.setParentWindow(&window);
    ContextualMenuEngine::Outlets menuOutlets;
    menuOutlets.currentRecipe = [&recipeController] { return recipeController.currentRecipe(); };
    menuOutlets.showRecipe = [&window](ManagedObject* recipe) { window.selectRecipe(recipe); };
    menuOutlets.searchResultsTableHidden = [&controller] { return controller.searchResultsTableHidden(); };
    menuOutlets.groceryListsTableHidden = [&window] { return window.groceryListsTableHidden(); };
    menuOutlets.groceryListNames = [&groceries] {
        QStringList names;
        for (const GroceryList* list : groceries.listsArray())
            names.append(list->name());
        return names;
    };
    menuOutlets.createGroceryListWithIngredient = [&groceries](ManagedObject* line) {
        if (auto* ingredient = dynamic_cast<RecipeIngredientMO*>(line))
            groceries.createGroceryListWithRecipeIngredient(ingredient);
    };
    menuOutlets.createGroceryListWithRecipe = [&groceries](ManagedObject* recipe) {
        if (auto* shown = dynamic_cast<RecipeMO*>(recipe))
            groceries.createGroceryListWithRecipe(shown);
    };
    menuOutlets.addRecipeIngredientToGroceryList = [&groceries](int list, ManagedObject* line) {
        if (GroceryList* target = groceries.listsArray().value(list))
            target->addRecipeIngredient(QVariant::fromValue(line));
    };
    menuOutlets.addRecipeToGroceryList = [&groceries](int list, ManagedObject* recipe) {
        if (GroceryList* target = groceries.listsArray().value(list))
            target->addRecipe(QVariant::fromValue(recipe));
    };
    menuOutlets.addToOnline = [&controller](ManagedObject* recipe) { controller.addToOnline(recipe); };
    menuOutlets.removeRecipe = [&window](ManagedObject* recipe) {
        window.recipeArrayController().removeObject(QVariant::fromValue(recipe));
    };
    menuOutlets.beep = [&presenter] { presenter.beep(); };
    menuOutlets.presentError = [&controller](const Error& error) { controller.presentError(error); };
    menuOutlets.openUrl = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    menuOutlets.copyToClipboard = [](const QString& text) { QGuiApplication::clipboard()->setText(text); };
    menuOutlets.desktopSearch = &desktopSearch;
    menuOutlets.sheets = &menuSheets;
    menuOutlets.blog = [&sharing](ManagedObject* recipe) { sharing.blogRecipe(recipe); };
    menuOutlets.emailRecipe = [&sharing](ManagedObject* recipe) { sharing.emailRecipe(recipe); };
    menuOutlets.searchSelectionIsLocal = [&searchController] { return searchController.selectionIsLocal(); };
    menuOutlets.searchForObject = [&searchController](ManagedObject* object) {
        if (const std::shared_ptr<SearchTerm> term = SearchTerm::searchTermWithObject(object))
            searchController.manualSearchForTerms({ term }, true);
    };
    ContextualMenuEngine menuEngine(std::move(menuOutlets));
    menus = &menuEngine;
    window.recipeTableView()->setContextualMenuBuilder(
        [&menuEngine](ManagedObject* recipe) { return menuEngine.qmenuForRecipe(recipe); });
    menuEngine.installInRecipeMenu(window.recipeMenu());

    // The strip of buttons above the recipe page.
    ToolbarController::Outlets toolbarOutlets;
    toolbarOutlets.recipeController = &recipeController;
    toolbarOutlets.libraryCollection = [&controller] { return controller.libraryCollection(); };
    toolbarOutlets.print = [&window] { window.print(); };
    toolbarOutlets.blog = [&sharing] { sharing.blogRecipe(nullptr); };
    toolbarOutlets.emailRecipe = [&sharing] { sharing.emailRecipe(nullptr); };
    toolbarOutlets.selectedSearchResults = [&searchController] {
        QList<ToolbarController::SearchResultAccess> selected;
        for (const std::shared_ptr<SearchResult>& result : searchController.multipleSelection())
            selected.append({ [result] { return result->isLocalResult(); },
                [result](bool local) { result->setIsLocalResult(local); },
                [result] { return result->recipe(); } });
        return selected;
    };
    toolbarOutlets.reselectSearchResults = [&searchController] {
        searchController.setSearchResultsTableViewSelectionIndexes(
            searchController.searchResultsTableViewSelectionIndexes());
    };
    ToolbarController toolbar(std::move(toolbarOutlets));
    if (RVRecipeView* page = recipeController.recipeView())
        page->setToolbar(toolbar.toolbarView());
    controller.setMainWindowAccess(&window);
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &controller,
        [&controller] { controller.applicationWillTerminate(); });
    // Another program taking the focus ends cooking mode. Looked at again once the event loop is
    // back, so a focus hand-over between two of our own windows doesn't count.
    QObject::connect(&application, &QGuiApplication::applicationStateChanged, &controller,
        [&controller](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive)
                return;
            QTimer::singleShot(0, &controller, [&controller] {
                if (QGuiApplication::applicationState() != Qt::ApplicationActive)
                    controller.applicationWillResignActive();
            });
        });

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
    RunLoop::postToMain([&controller, &window, &searchController, &imports, &blog, files, handedText] {
        window.reloadLibrary();
        // Without a window manager the window may never be activated; the first-run question
        // must come all the same.
        if (controller.isSetupSheetPending())
            window.windowDidBecomeMain();
        if (!files.isEmpty())
            controller.openFiles(files);
        if (handedText) {
            const QString error = imports.importText(*handedText);
            if (!error.isEmpty())
                std::fprintf(stderr, "%s\n", qPrintable(error));
        }
        // scripts/screenshot pictures a secondary window: "Preferences" or "Preferences/<pane>".
        const QString open = qEnvironmentVariable("KITCHORA_OPEN_WINDOW");
        if (open.section(QLatin1Char('/'), 0, 0) == QStringLiteral("Preferences"))
            window.preferencesController().showPane(open.section(QLatin1Char('/'), 1));
        // scripts/screenshot --search types into the first search field, which takes the focus here.
        if (qEnvironmentVariableIsSet("KITCHORA_SEARCH") && searchController.searchView()
            && !searchController.searchView()->searchFields().isEmpty()) {
            window.activateWindow();
            searchController.searchView()->searchFields().first()->searchField()->setFocus();
        }
        // "Import", with KITCHORA_IMPORT_FILE: the import window holding that file.
        if (open == QStringLiteral("Import")) {
            controller.openImportWindow();
            const QString file = qEnvironmentVariable("KITCHORA_IMPORT_FILE");
            if (!file.isEmpty() && imports.importController().readDataForFilename(file))
                imports.importController().findAreas();
        }
        // "Blog" or "Blog/<tab>": the blog sheet for the shown recipe, at that tab.
        if (open.section(QLatin1Char('/'), 0, 0) == QStringLiteral("Blog")) {
            blog.showWindow();
            if (!open.section(QLatin1Char('/'), 1).isEmpty())
                blog.selectTab(open.section(QLatin1Char('/'), 1));
        }
    });

    const int status = application.exec();
    menus = nullptr;
    controller.setMainWindowAccess(nullptr);
    mainWindow = nullptr;
    searchPane = nullptr;
    importService = nullptr;
    return status;
}
