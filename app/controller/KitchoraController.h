#pragma once

#include "AttributedString.h"
#include "BackgroundUploaderService.h"
#include "CloudAccountService.h"
#include "CollectionsControllerService.h"
#include "DatabaseImportService.h"
#include "DropboxService.h"
#include "GroceryListControllerService.h"
#include "ImportWindowService.h"
#include "KitchoraServices.h"
#include "Presenter.h"
#include "RecipeControllerService.h"
#include "RunLoop.h"
#include "SearchEngineService.h"
#include "WebRecipeService.h"

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

class IdleCollectionsController;
class IdleGroceryListController;
class IdleRecipeController;
class MainWindowAccess;
class ManagedObjectModel;
class PersistentStore;
class PersistentStoreCoordinator;
class Presenter;
class SearchCacheEngine;
class SearchEngineAccessBridge;
class UndoManager;
class UnitsEngine;
class UnavailableDatabaseImport;
class UnavailableWebRecipeService;
class UnlinkedDropbox;
class UnconfiguredCloudAccount;
namespace MoveToApplications
{
struct Environment;
}

// User defaults the controller reads or writes (those the model reads live with the model:
// KRAutoShareRecipes in RecipeMO.h, RVImageViewSize in ImageMO.h).
inline const QString KRCompletedSetup = QStringLiteral("KRCompletedSetup");
inline const QString KRThreadedSearching = QStringLiteral("KRThreadedSearching");
inline const QString KRConfirmsRecipeDelete = QStringLiteral("KRConfirmsRecipeDelete");
inline const QString KRConfirmsCollectionDelete = QStringLiteral("KRConfirmsCollectionDelete");
inline const QString KRConfirmsGroceryListDelete = QStringLiteral("KRConfirmsGroceryListDelete");
inline const QString SUEnableAutomaticChecks = QStringLiteral("SUEnableAutomaticChecks");
inline const QString KRDebugMode = QStringLiteral("KRDebugMode");
inline const QString KRClearsSearchCacheOnStartUp = QStringLiteral("KRClearsSearchCacheOnStartUp");
inline const QString QLMKitchoraDropboxSharingEnabledKey
    = QStringLiteral("QLMKitchoraDropboxSharingEnabledKey");
inline const QString KROnlineUsername = QStringLiteral("KROnlineUsername");
// The export panel's format: one of the ExportFormat values.
inline const QString exportFormat = QStringLiteral("exportFormat");
// Posted (no object) after recipes joined or left collections wholesale, so lists read them again.
inline const QString KRCollectionContentChangedNotification
    = QStringLiteral("KRCollectionContentChangedNotification");

// The application controller: owns the library store stack and the built-in collections, runs
// launch, first run and quit, and is the one place every other part reaches the others through
// (it implements KitchoraServices and installs itself while alive). One per process; main thread
// only. Neighbouring subsystems are reached through their service interfaces; those not handed in
// are replaced by least implementations (the search cache is served by SearchCacheEngine).
// Widgets stay out: the main window plugs in through MainWindowAccess and calls the hooks below.
//
// Errors the user must see go through the Presenter; diagnostics through Log.
class KitchoraController : public QObject, public KitchoraServices
{
    Q_OBJECT

public:
    // The neighbouring subsystems; not owned, and each must outlive the controller. nullptr keeps
    // the least implementation.
    struct Neighbours {
        RecipeControllerService* recipeController = nullptr;
        SearchEngineService* searchEngine = nullptr;
        CollectionsControllerService* collectionsController = nullptr;
        GroceryListControllerService* groceryListController = nullptr;
        DropboxService* dropbox = nullptr;
        DatabaseImportService* databaseImport = nullptr;
        CloudAccountService* cloudAccount = nullptr;
        // Makes the background uploader; empty: an uploader that does nothing.
        std::function<std::unique_ptr<BackgroundUploaderService>()> makeUploader;
        WebRecipeService* webRecipeService = nullptr;
        // Asks for the user's online name before the first share (the preferences' sheet), then
        // shares the recipe; empty: the user is told to choose a name first.
        std::function<void(ManagedObject* recipe)> beginFirstSubmitUsernameSheet;
        // The import window; nullptr: File > Import does nothing.
        ImportWindowService* importWindow = nullptr;
    };

    // Where the controller's files come from.
    struct Environment {
        QString modelFile = QStringLiteral(":/Kitchora.model.json");
        // The sample library store file; empty: defaultSampleLibraryPath().
        std::function<QString()> sampleLibraryPath;
        // How the quit sequence saves the main context; empty: ManagedObjectContext::save.
        std::function<bool(ManagedObjectContext& context, Error* error)> saveMainContext;
    };

    enum class TerminateReply { Now, Cancel };

    // Stops before recurring work more than this many single-object repairs at quit.
    static constexpr int kMaximumSaveRepairs = 100;
    // Ingredient names this long or longer are dropped at launch.
    static constexpr qsizetype kLongIngredientLength = 1025;
    static constexpr double kDropboxPollInterval = 300.0;
    static constexpr double kDefaultRecipeUpdateDelay = 60.0;

    // Loads the unit tables and the modifier words; touches no store.
    KitchoraController(
        Presenter& presenter, Neighbours neighbours, Environment environment, QObject* parent = nullptr);
    // With the least neighbours and the program's files.
    explicit KitchoraController(Presenter& presenter, QObject* parent = nullptr);
    // Stops the Dropbox poll; drops the context, then the coordinator, then the model.
    ~KitchoraController() override;
    KitchoraController(const KitchoraController&) = delete;
    KitchoraController& operator=(const KitchoraController&) = delete;

    // The source list's controller, once the window made it; not owned; nullptr: the one handed
    // in at construction, else the least one.
    void setCollectionsController(CollectionsControllerService* collectionsController);

    // Not owned; nullptr while there is no window (window steps are then skipped).
    void setMainWindowAccess(MainWindowAccess* window) { m_window = window; }

    // --- Store stack (KitchoraControllerStore.cpp) ---
    // Each made on first use. The coordinator exists also when the store could not be added;
    // the context exists whenever the coordinator does.
    const ManagedObjectModel* managedObjectModel() override;
    PersistentStoreCoordinator* persistentStoreCoordinator();
    ManagedObjectContext* managedObjectContext() override;
    PersistentStore* currentStore() const { return m_currentStore; }
    UndoManager* undoManager() const { return m_undoManager.get(); }
    // The per-user folder (not created here): the application data location, or the temporary
    // folder joined with the process name when there is none.
    static QString applicationSupportFolder();
    // "<process name>.recipedb" in the support folder.
    static QString storePath();
    static QString processName();
    // True when the store file did not exist as the coordinator was made; never cleared.
    bool noRecipeDatabasePresent() const { return m_noRecipeDatabasePresent; }
    // A store made at this launch and never set up is removed and its files go to the trash.
    void removePersistentStoreIfUninitialized();

    // --- Accessors (KitchoraController.cpp) ---
    void presentError(const Error& error) override;
    Presenter& presenter() { return m_presenter; }
    // Runs setupLibrary first when there is none yet.
    ManagedObject* libraryCollection() override;
    ManagedObject* importedCollection() override { return m_importedCollection; }
    ManagedObject* recentlyCookedCollection() const { return m_recentlyCookedCollection; }
    // Runs setupDevicesFolder first when there is none yet (it may stay nullptr).
    ManagedObject* devicesFolder() override;
    QStringList modifiersArray() override { return m_modifiers; }
    void updateSmartCollections() override;
    void rearrangeCollections() override;
    ManagedObject* searchCache() override;

    RecipeControllerService& recipeController() { return *m_recipeController; }
    SearchEngineService& searchEngine() { return *m_searchEngine; }
    CollectionsControllerService& collectionsController() { return *m_collectionsController; }
    GroceryListControllerService& groceryListController() { return *m_groceryListController; }
    DropboxService& dropbox() { return *m_dropbox; }
    DatabaseImportService& databaseImport() { return *m_databaseImport; }
    WebRecipeService& webRecipeService() { return *m_webRecipeService; }
    CloudAccountService& cloudAccount() { return *m_cloudAccount; }
    // nullptr while no import window was handed in.
    ImportWindowService* importWindow() { return m_importWindow; }
    // Brings the import window to the front (made on first use).
    void openImportWindow();
    UnitsEngine& unitsEngine();

    bool searchResultsTableHidden() const { return m_searchResultsTableHidden; }
    void setSearchResultsTableHidden(bool hidden) { m_searchResultsTableHidden = hidden; }

    // The load counter: isLoadingChanged is emitted on the steps 0 -> 1 and 1 -> 0 only.
    bool isLoading() const { return m_loadCount > 0; }
    void startLoading();
    void doneLoading();

    // KROnlineUsername, or a placeholder name when it is empty.
    QString getUsername() const;
    // Whether the source list's selection may be removed (not the library nor Recent Imports),
    // and whether it is Recent Imports.
    bool canRemoveCollection();
    bool isImportedCollection();

    // The program's own description: "CFBundleShortVersionString" (the version), "CFBundleVersion"
    // (the build) and "NSHumanReadableCopyright"; an invalid value for any other key.
    static QVariant infoValueForKey(const QString& key);
    static QString majorVersion();
    static QString buildVersion();
    static QString copyrightString();

    // The first, in case-insensitive order, of the names of the ingredients the main context's
    // trie completes `partial` to; nullopt when it completes to none. The add-ingredient field's
    // completion.
    static std::optional<QString> completionForPartialString(const QString& partial);

    bool uploaderShouldExit() const { return m_exitUpdateThread; }
    // startRecipeUpdate after `seconds` (60 when none).
    void scheduleRecipeUpdate(std::optional<double> seconds = std::nullopt);
    // Makes and starts the background uploader, once per controller.
    void startRecipeUpdate();

    // --- Launch (KitchoraControllerLaunch.cpp), in the order the program calls them ---
    // Once the main window exists: makes the store stack, runs first run when setup is not
    // complete, normalises KRSavedImportsCount.
    void awakeFromNib();
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // The main window became main: shows the setup sheet once when it is pending.
    void mainWindowDidBecomeMain();
    // Leaves cooking mode unless KRDebugMode is on.
    void applicationWillResignActive();
    // The Dropbox poll; the first call starts a repeating timer that calls it every 300 s.
    void fetchDropboxContents();
    bool isPollingDropbox() const { return m_dropboxPollingTimer != 0; }

    // --- First run and built-in collections (KitchoraControllerCollections.cpp) ---
    void firstRun();
    void showSetupSheet();
    bool isSetupSheetPending() const { return m_setupSheetPending; }
    void finishFirstRunSetup();
    // Replaces the library store with a copy of the sample library; the old store comes back
    // whenever the sample cannot be installed.
    void openDemoLibrary();
    void setupLibrary();
    void setupImportedCollection();
    void setupRecentlyCookedCollection();
    static QDateTime date30DaysAgo();
    void setupDevicesFolder();
    void removeDevicesFolder();
    void setupPlaceholders();
    void cleanUpLongIngredients();
    void verifyCollectionIndexes();
    static QString defaultSampleLibraryPath();

    // --- Move to the Applications folder (KitchoraControllerMove.cpp) ---
    // Offers to move the running single-file bundle into the Applications folder, or to drop it
    // for a copy already installed there; after a move the installed copy is started and `quit`
    // ends the program with status 0.
    void installInApplicationsDirectoryIfDesired(
        const MoveToApplications::Environment& environment, const std::function<void(int status)>& quit);

    // --- Substitution rules file (KitchoraControllerSubstitutions.cpp) ---
    void readSubstitutionsFromFile(const QString& path);
    void writeSubstitutionsToFile(const QString& path, bool atomically);

    // --- Quit (KitchoraControllerQuit.cpp) ---
    // Deletes the recipes that belong to no collection and saves; failures are logged.
    void cleanupUnconnectedRecipes();
    // Saves the main context, repairing objects that miss mandatory properties. False only when
    // the edit in progress cannot be committed (error set); a failed save leaves its error in
    // `error` and answers true.
    bool saveContext(Error* error);
    TerminateReply applicationShouldTerminate();
    void applicationWillTerminate();

    // --- Opening, exporting and menu actions (KitchoraControllerFiles.cpp) ---
    // The file kinds the program opens: "vrc", "recipemetadata", "mgdatabase".
    static QStringList supportedFileExtensions();
    // Opens each file by its extension (any case): card files join the library and Recent
    // Imports, a metadata file shows its recipe, a database package starts that import. Files
    // that cannot be read are reported and change nothing.
    void openFiles(const QStringList& paths);
    // The recipe the page shows: the recipe controller's, or the only recipe the window's list
    // has selected while the page shows none.
    ManagedObject* currentRecipe();
    // The recipe list's selected recipes, in list order.
    QList<ManagedObject*> selectedRecipes();

    void saveAction();
    void openAction();
    void importMacGourmetAction();
    void exportAction();
    enum ExportFormat { VRCExportFormat = 1, PDFExportFormat = 2, RTFExportFormat = 3, TXTExportFormat = 4 };
    // Chooses the export format from the sender (nullptr: no sender, refused) and makes the save
    // panel require its extension.
    void selectExportType(const Presenter::ExportTypeSender* sender);
    // "vrc", "pdf", "rtf", "txt"; empty for any other value.
    static QString extensionForExportFormat(int format);
    // The bytes an export in `format` writes (PDF excluded); empty when there is nothing.
    QByteArray exportData(int format);
    // Writes the recipe page as PDF to `path`; false (logged and shown) when it cannot.
    bool exportToPDF(const QString& path);
    void openImage();
    // The add-ingredient sheet; Add finds or makes the ingredient of that name.
    void addIngredient();
    // Shares the recipe (the current one when nullptr) with the web recipe service when its
    // "share" is on.
    void addToOnline(ManagedObject* recipe = nullptr);
    void addToOnlineQuietly(ManagedObject* recipe, bool quietly);
    void addImageToOnline();

signals:
    void isLoadingChanged(bool loading);

private:
    struct BuiltInCollection;

    // KitchoraControllerStore.cpp
    void makeCoordinator();
    static QVariantMap storeOptions();
    bool addStoreAtPath(const QString& path, Error* error);
    void forgetStoreObjects();

    // KitchoraControllerFiles.cpp
    // The whole text of the recipe page: the current recipe's card.
    AttributedString recipePageText();

    // KitchoraControllerCollections.cpp
    ManagedObject* setupBuiltInCollection(const BuiltInCollection& builtIn);
    std::optional<QList<ManagedObject*>> fetchTemplate(const QString& name, Error* error);
    bool installSampleLibraryFiles(const QString& store, const QString& sample, QString* backupFolder);

    Presenter& m_presenter;
    Environment m_environment;
    MainWindowAccess* m_window = nullptr;

    // Least implementations, used for the neighbours not handed in.
    std::unique_ptr<IdleRecipeController> m_idleRecipeController;
    std::unique_ptr<SearchCacheEngine> m_searchCacheEngine;
    std::unique_ptr<IdleCollectionsController> m_idleCollectionsController;
    std::unique_ptr<IdleGroceryListController> m_idleGroceryListController;
    std::unique_ptr<UnlinkedDropbox> m_unlinkedDropbox;
    std::unique_ptr<UnavailableDatabaseImport> m_unavailableDatabaseImport;
    RecipeControllerService* m_recipeController = nullptr;
    SearchEngineService* m_searchEngine = nullptr;
    CollectionsControllerService* m_collectionsController = nullptr;
    CollectionsControllerService* m_givenCollectionsController = nullptr;
    GroceryListControllerService* m_groceryListController = nullptr;
    DropboxService* m_dropbox = nullptr;
    DatabaseImportService* m_databaseImport = nullptr;
    std::unique_ptr<UnconfiguredCloudAccount> m_unconfiguredCloudAccount;
    CloudAccountService* m_cloudAccount = nullptr;
    std::function<std::unique_ptr<BackgroundUploaderService>()> m_makeUploader;
    std::unique_ptr<BackgroundUploaderService> m_uploader;
    std::unique_ptr<SearchEngineAccessBridge> m_searchEngineAccess;
    std::unique_ptr<UnavailableWebRecipeService> m_unavailableWebRecipeService;
    WebRecipeService* m_webRecipeService = nullptr;
    std::function<void(ManagedObject* recipe)> m_beginFirstSubmitUsernameSheet;
    ImportWindowService* m_importWindow = nullptr;

    // Store stack; members are destroyed in reverse order: context, coordinator, model.
    std::unique_ptr<ManagedObjectModel> m_model;
    std::unique_ptr<PersistentStoreCoordinator> m_coordinator;
    std::unique_ptr<UndoManager> m_undoManager;
    std::unique_ptr<ManagedObjectContext> m_context;
    PersistentStore* m_currentStore = nullptr;
    bool m_noRecipeDatabasePresent = false;

    // Built-in collections of the main context.
    ManagedObject* m_libraryCollection = nullptr;
    ManagedObject* m_importedCollection = nullptr;
    ManagedObject* m_recentlyCookedCollection = nullptr;
    ManagedObject* m_devicesFolder = nullptr;

    QStringList m_modifiers;
    bool m_searchResultsTableHidden = true;
    qint64 m_loadCount = 0;
    bool m_exitUpdateThread = false;
    bool m_awoken = false;
    bool m_setupSheetPending = false;
    RunLoop::Token m_dropboxPollingTimer = 0;
    RunLoop::Token m_recipeUpdateTask = 0;
};
