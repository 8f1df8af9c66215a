// Life of the application controller and the accessors other parts call on it.

#include "KitchoraController.h"

#include "IdleBackgroundUploader.h"
#include "IdleCollectionsController.h"
#include "IdleGroceryListController.h"
#include "IdleRecipeController.h"
#include "IngredientTrie.h"
#include "IsEmpty.h"
#include "KRTrieBucket.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ManagerObjectContextStateSaving.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "Presenter.h"
#include "RecipeCollection.h"
#include "SearchCacheEngine.h"
#include "SearchEngineAccessBridge.h"
#include "UnavailableDatabaseImport.h"
#include "UnavailableWebRecipeService.h"
#include "UnconfiguredCloudAccount.h"
#include "UndoManager.h"
#include "UnitsEngine.h"
#include "UnlinkedDropbox.h"
#include "UserDefaults.h"

#include <QDir>
#include <QPointer>
#include <algorithm>

namespace
{

// Shown as the online user name until the user sets one.
const QString kPlaceholderUsername = QStringLiteral("KitchoraUser");

} // namespace

KitchoraController::KitchoraController(
    Presenter& presenter, Neighbours neighbours, Environment environment, QObject* parent)
    : QObject(parent)
    , m_presenter(presenter)
    , m_environment(std::move(environment))
    , m_makeUploader(std::move(neighbours.makeUploader))
{
    registerModelClasses();

    m_idleRecipeController = std::make_unique<IdleRecipeController>();
    m_idleCollectionsController = std::make_unique<IdleCollectionsController>();
    m_idleGroceryListController = std::make_unique<IdleGroceryListController>();
    m_unlinkedDropbox = std::make_unique<UnlinkedDropbox>();
    m_recipeController
        = neighbours.recipeController ? neighbours.recipeController : m_idleRecipeController.get();
    m_givenCollectionsController = neighbours.collectionsController;
    setCollectionsController(nullptr);
    m_groceryListController = neighbours.groceryListController ? neighbours.groceryListController
                                                               : m_idleGroceryListController.get();
    m_dropbox = neighbours.dropbox ? neighbours.dropbox : m_unlinkedDropbox.get();
    m_unavailableDatabaseImport = std::make_unique<UnavailableDatabaseImport>();
    m_databaseImport
        = neighbours.databaseImport ? neighbours.databaseImport : m_unavailableDatabaseImport.get();
    m_unconfiguredCloudAccount = std::make_unique<UnconfiguredCloudAccount>();
    m_cloudAccount = neighbours.cloudAccount ? neighbours.cloudAccount : m_unconfiguredCloudAccount.get();
    if (neighbours.searchEngine) {
        m_searchEngine = neighbours.searchEngine;
    } else {
        m_searchCacheEngine = std::make_unique<SearchCacheEngine>(
            [this] { return m_context.get(); }, [this](const Error& error) { presentError(error); });
        m_searchEngine = m_searchCacheEngine.get();
    }
    m_searchEngineAccess = std::make_unique<SearchEngineAccessBridge>([this] { return m_searchEngine; });
    m_unavailableWebRecipeService = std::make_unique<UnavailableWebRecipeService>();
    m_webRecipeService
        = neighbours.webRecipeService ? neighbours.webRecipeService : m_unavailableWebRecipeService.get();
    m_beginFirstSubmitUsernameSheet = std::move(neighbours.beginFirstSubmitUsernameSheet);
    m_importWindow = neighbours.importWindow;

    // Units: the user's own, then the program's, then the bare measure words.
    UnitsEngine::defaultEngine().loadUnits(
        QDir(applicationSupportFolder()).filePath(QStringLiteral("units.plist")));
    m_modifiers = UnitsEngine::simpleMeasuresFromFile(QStringLiteral(":/modifiers.txt"));

    setShared(this);
    ManagerObjectContextStateSaving::setMainContextAccess({ [this] { return m_undoManager.get(); },
        [this] {
            if (m_context)
                m_context->processPendingChanges();
        } });
}

KitchoraController::KitchoraController(Presenter& presenter, QObject* parent)
    : KitchoraController(presenter, Neighbours(), Environment(), parent)
{
}

KitchoraController::~KitchoraController()
{
    RunLoop::cancel(m_dropboxPollingTimer);
    RunLoop::cancel(m_recipeUpdateTask);
    ManagerObjectContextStateSaving::setMainContextAccess({});
    if (shared() == this)
        setShared(nullptr);
    m_searchEngineAccess.reset();
    forgetStoreObjects();
    m_context.reset();
    m_coordinator.reset();
    m_model.reset();
}

void KitchoraController::setCollectionsController(CollectionsControllerService* collectionsController)
{
    m_collectionsController = collectionsController ? collectionsController
        : m_givenCollectionsController              ? m_givenCollectionsController
                                                    : m_idleCollectionsController.get();
}

void KitchoraController::presentError(const Error& error)
{
    m_presenter.presentError(error);
}

ManagedObject* KitchoraController::libraryCollection()
{
    if (!m_libraryCollection)
        setupLibrary();
    return m_libraryCollection;
}

ManagedObject* KitchoraController::devicesFolder()
{
    if (!m_devicesFolder)
        setupDevicesFolder();
    return m_devicesFolder;
}

void KitchoraController::updateSmartCollections()
{
    m_collectionsController->updateSmartCollections();
}

void KitchoraController::rearrangeCollections()
{
    m_collectionsController->rearrangeCollections();
}

ManagedObject* KitchoraController::searchCache()
{
    return m_searchEngine->searchCache();
}

UnitsEngine& KitchoraController::unitsEngine()
{
    return UnitsEngine::defaultEngine();
}

void KitchoraController::startLoading()
{
    if (m_loadCount < 1) {
        m_loadCount = 1;
        emit isLoadingChanged(true);
        return;
    }
    ++m_loadCount;
}

void KitchoraController::doneLoading()
{
    if (m_loadCount == 1) {
        m_loadCount = 0;
        emit isLoadingChanged(false);
        return;
    }
    --m_loadCount;
}

QString KitchoraController::getUsername() const
{
    const QString name = UserDefaults::standardUserDefaults().stringForKey(KROnlineUsername);
    return isEmpty(name) ? kPlaceholderUsername : name;
}

QVariant KitchoraController::infoValueForKey(const QString& key)
{
    if (key == QLatin1String("CFBundleShortVersionString"))
        return QStringLiteral(KITCHORA_VERSION);
    if (key == QLatin1String("CFBundleVersion"))
        return QStringLiteral(KITCHORA_BUILD);
    if (key == QLatin1String("NSHumanReadableCopyright"))
        return tr("Copyright © 2026 the Kitchora developers. All rights reserved.");
    return {};
}

QString KitchoraController::majorVersion()
{
    return infoValueForKey(QStringLiteral("CFBundleShortVersionString")).toString();
}

QString KitchoraController::buildVersion()
{
    return infoValueForKey(QStringLiteral("CFBundleVersion")).toString();
}

QString KitchoraController::copyrightString()
{
    return infoValueForKey(QStringLiteral("NSHumanReadableCopyright")).toString();
}

std::optional<QString> KitchoraController::completionForPartialString(const QString& partial)
{
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::defaultIngredientTrie();
    return trie ? trie->firstCompletionForPartialString(partial) : std::nullopt;
}

bool KitchoraController::canRemoveCollection()
{
    auto* selected = dynamic_cast<RecipeCollection*>(m_collectionsController->selectedCollection());
    return !(selected && (selected->isLibrary() || selected->isImportCollection()));
}

bool KitchoraController::isImportedCollection()
{
    auto* selected = dynamic_cast<RecipeCollection*>(m_collectionsController->selectedCollection());
    return selected && selected->isImportCollection();
}

void KitchoraController::scheduleRecipeUpdate(std::optional<double> seconds)
{
    QPointer<KitchoraController> self(this);
    m_recipeUpdateTask = RunLoop::postAfterDelay(seconds.value_or(kDefaultRecipeUpdateDelay), [self] {
        if (self) {
            self->m_recipeUpdateTask = 0;
            self->startRecipeUpdate();
        }
    });
}

void KitchoraController::startRecipeUpdate()
{
    if (m_uploader)
        return;
    m_uploader = m_makeUploader ? m_makeUploader() : nullptr;
    if (!m_uploader)
        m_uploader = std::make_unique<IdleBackgroundUploader>();
    m_uploader->start();
}
