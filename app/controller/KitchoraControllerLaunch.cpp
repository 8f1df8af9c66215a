// The launch sequence: the steps that need no window. The window's own steps (panes, split
// views, table sort orders, menus, buttons) are the main window's.

#include "ConstantManager.h"
#include "IsEmpty.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindowAccess.h"
#include "ManagedObjectContext.h"
#include "ManagerObjectContextStateSaving.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "UndoManager.h"
#include "UserDefaults.h"

#include <QPointer>

namespace
{

// The key the source list's expanded state is stored under.
QString disclosureStateKey(const QString& autosaveName)
{
    return QStringLiteral("OutlineView Disclosure State %1").arg(autosaveName);
}

} // namespace

void KitchoraController::awakeFromNib()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    if (!m_awoken) {
        m_awoken = true;
        // First run tells by the missing store whether to offer the sample library.
        managedObjectContext();
        if (!defaults.boolForKey(KRCompletedSetup))
            firstRun();
    }
    if (defaults.integerForKey(KRSavedImportsCount) == 0) {
        defaults.setInteger(30, KRSavedImportsCount);
        defaults.synchronize();
    }
}

void KitchoraController::applicationWillFinishLaunching()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    for (const QString& key :
        { KRConfirmsRecipeDelete, KRConfirmsCollectionDelete, KRConfirmsGroceryListDelete }) {
        if (isEmpty(defaults.objectForKey(key)))
            defaults.setBool(true, key);
    }

    ManagedObjectContext* context = managedObjectContext();
    ManagerObjectContextStateSaving::disableUndoSavingState();

    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();

    if (m_noRecipeDatabasePresent)
        m_setupSheetPending = true;

    setupLibrary();
    setupImportedCollection();
    setupRecentlyCookedCollection();
    setupDevicesFolder();

    m_groceryListController->fetchGroceryListCollection();
    m_groceryListController->fetchGroceryListsFromDropbox();

    if (!m_noRecipeDatabasePresent) {
        m_collectionsController->fetchRecipesFromDropbox();
        cleanUpLongIngredients();
    } else {
        setupPlaceholders();
    }

    if (context && !m_coordinator->persistentStores().isEmpty()) {
        Error error;
        if (!context->save(&error))
            Log::logf(QStringLiteral("KitchoraController: -applicationWillFinishLaunching: save error (%1)"),
                error.localizedDescription);
    }

    if (defaults.boolForKey(KRClearsSearchCacheOnStartUp))
        m_searchEngine->clearSearchCache();

    ManagerObjectContextStateSaving::enableUndoWithSavedState();
}

void KitchoraController::applicationDidFinishLaunching()
{
    QPointer<KitchoraController> self(this);
    if (m_window) {
        const QVariantList state = UserDefaults::standardUserDefaults().arrayForKey(
            disclosureStateKey(m_window->outlineAutosaveName()));
        RunLoop::postToMain([self, state] {
            if (self && self->m_window)
                self->m_window->restoreExpandedStateFromArray(state);
        });
    }
    RunLoop::postToMain([self] {
        if (self)
            self->cleanupUnconnectedRecipes();
    });

    startRecipeUpdate();

    // Launch work is not the user's to undo.
    RunLoop::postToMain([self] {
        if (self && self->m_undoManager)
            self->m_undoManager->removeAllActions();
    });

    verifyCollectionIndexes();
}

void KitchoraController::mainWindowDidBecomeMain()
{
    if (m_setupSheetPending)
        showSetupSheet();
}

void KitchoraController::applicationWillResignActive()
{
    if (!UserDefaults::standardUserDefaults().boolForKey(KRDebugMode) && m_recipeController->fullScreen())
        m_recipeController->toggleFullScreen();
}

void KitchoraController::fetchDropboxContents()
{
    if (m_dropboxPollingTimer == 0) {
        QPointer<KitchoraController> self(this);
        m_dropboxPollingTimer = RunLoop::scheduleRepeatingTimer(kDropboxPollInterval, [self] {
            if (self)
                self->fetchDropboxContents();
        });
    }
    const bool sharingEnabled
        = UserDefaults::standardUserDefaults().boolForKey(QLMKitchoraDropboxSharingEnabledKey);
    if (!m_dropbox->isLinked() && !sharingEnabled) {
        m_dropbox->deleteOwnFolderAndUnlink({});
        removeDevicesFolder();
        return;
    }
    if (m_dropbox->isLinked()) {
        m_collectionsController->fetchRecipesFromDropbox();
        m_groceryListController->fetchGroceryListsFromDropbox();
    }
}
