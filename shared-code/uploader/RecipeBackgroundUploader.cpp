#include "RecipeBackgroundUploader.h"

#include "AFHTTPRequestOperation.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "NotificationCenter.h"
#include "QLMKitchoraCloudAgent.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipeCollection.h"

RecipeBackgroundUploader::RecipeBackgroundUploader(PersistentStoreCoordinator* coordinator,
    const ManagedObjectModel* model, QLMKitchoraCloudAgent& agent, std::function<bool()> shouldExit)
    : m_context(std::make_unique<ManagedObjectContext>())
    , m_model(model)
    , m_agent(agent)
    , m_shouldExit(std::move(shouldExit))
{
    m_context->setPersistentStoreCoordinator(coordinator);
    m_context->setMergePolicy(ManagedObjectContext::MergePolicy::PropertyStoreTrump);
    m_context->setUndoManager(nullptr);
}

RecipeBackgroundUploader::~RecipeBackgroundUploader()
{
    *m_alive = false;
    RunLoop::cancel(m_recurringUploadTimer);
}

void RecipeBackgroundUploader::start()
{
    if (m_recurringUploadTimer)
        return;
    m_recurringUploadTimer = RunLoop::scheduleRepeatingTimer(kTickInterval, [this] {
        if (m_shouldExit && m_shouldExit()) {
            RunLoop::cancel(m_recurringUploadTimer);
            return;
        }
        checkForRecipeToUpload();
    });
}

void RecipeBackgroundUploader::checkForRecipeToUpload()
{
    // Without a service there is nothing to send, and nothing worth a log line each tick.
    if (!m_agent.isConfigured() || !m_context->persistentStoreCoordinator())
        return;
    checkForPendingRatingChanges();
    checkForPendingSearchFlagChanges();
    checkForImageUploadChanges();
}

std::optional<QList<ManagedObject*>> RecipeBackgroundUploader::fetch(
    const QString& templateName, const QString& failureFormat)
{
    std::optional<FetchRequest> request
        = m_model ? m_model->fetchRequestTemplateForName(templateName) : std::nullopt;
    if (!request) {
        Log::logf(failureFormat, QStringLiteral("no fetch request \"%1\"").arg(templateName));
        return std::nullopt;
    }
    Error error;
    std::optional<QList<ManagedObject*>> recipes = m_context->executeFetchRequest(*request, &error);
    if (!recipes) {
        Log::logf(failureFormat, error.localizedDescription);
        return std::nullopt;
    }
    // Others may have changed them since this context last looked.
    for (ManagedObject* recipe : *recipes)
        m_context->refreshObject(recipe, true);
    return recipes;
}

bool RecipeBackgroundUploader::isSearchRecipe(const ManagedObject* recipe)
{
    const QList<ManagedObject*> collections = recipe->objectsForKey(QStringLiteral("collections"));
    return std::all_of(collections.cbegin(), collections.cend(), [](const ManagedObject* collection) {
        const auto* recipeCollection = dynamic_cast<const RecipeCollection*>(collection);
        return recipeCollection && recipeCollection->isSearchCache();
    });
}

ManagedObject* RecipeBackgroundUploader::recipeWithID(const ManagedObjectID& objectID)
{
    return m_context->existingObjectWithID(objectID);
}

void RecipeBackgroundUploader::save()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    std::optional<Notification> didSave;
    ScopedObserver observer(center,
        center.addObserver(ManagedObjectContext::DidSaveNotification, m_context.get(),
            [&didSave](const Notification& notification) { didSave = notification; }));
    Error error;
    if (!m_context->save(&error)) {
        Log::logf(QStringLiteral("RecipeBackgroundUploader: save error (%1)"), error.localizedDescription);
        return;
    }
    // The main context takes the cleared flags and new web identifiers in at once, so that it
    // neither shows stale values nor sends a recipe again that now has a web identifier.
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* main = services ? services->managedObjectContext() : nullptr;
    if (didSave && main && main != m_context.get()
        && main->persistentStoreCoordinator() == m_context->persistentStoreCoordinator())
        main->mergeChangesFromContextDidSaveNotification(*didSave);
}

void RecipeBackgroundUploader::checkForPendingRatingChanges()
{
    const auto recipes = fetch(QStringLiteral("fetchRecipesWithChangedRating"),
        QStringLiteral("Error fetching recipes with changed rating flag: %1"));
    if (!recipes)
        return;
    if (!recipes->isEmpty())
        Log::logf(QStringLiteral("recipes ratings to change %1"), recipes->size());
    std::weak_ptr<bool> alive = m_alive;
    for (ManagedObject* recipe : *recipes) {
        const ManagedObjectID objectID = recipe->objectID();
        if (m_objectIDsPendingRating.contains(objectID))
            continue;
        // A recipe not on the service has nothing to rate there; its upload clears the flag.
        const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
        if (onlineID.toLongLong() < 1)
            continue;
        m_objectIDsPendingRating.insert(objectID);
        m_agent.setRating(
            recipe->valueForKey(QStringLiteral("rating")), onlineID,
            [this, alive, objectID](const QVariant&) {
                if (!alive.lock())
                    return;
                if (ManagedObject* sent = recipeWithID(objectID)) {
                    sent->setValueForKey(false, QStringLiteral("changedRating"));
                    save();
                }
                m_objectIDsPendingRating.remove(objectID);
            },
            [this, alive, objectID](const Error& error) {
                if (!alive.lock())
                    return;
                Log::logf(QStringLiteral("Failed to rate recipe: %1"), error.localizedDescription);
                m_objectIDsPendingRating.remove(objectID);
            });
    }
}

void RecipeBackgroundUploader::checkForPendingSearchFlagChanges()
{
    const auto recipes = fetch(QStringLiteral("fetchRecipesWithChangedSharing"),
        QStringLiteral("Error fetching recipes with changed shared flag: %1"));
    if (!recipes)
        return;
    if (!recipes->isEmpty())
        Log::logf(QStringLiteral("recipes to upload %1"), recipes->size());
    std::weak_ptr<bool> alive = m_alive;
    for (ManagedObject* recipe : *recipes) {
        const ManagedObjectID objectID = recipe->objectID();
        if (m_objectIDsPendingRecipeUpload.contains(objectID))
            continue;
        if (isSearchRecipe(recipe)) {
            Log::logf(
                QStringLiteral("Search recipe! %1"), recipe->valueForKey(QStringLiteral("name")).toString());
            continue;
        }
        if (recipe->valueForKey(QStringLiteral("name")).toString() == QLatin1String("Untitled Recipe"))
            continue;
        const QVariant onlineID = recipe->valueForKey(QStringLiteral("onlineID"));
        if (onlineID.toLongLong() >= 1) {
            m_objectIDsPendingRecipeUpload.insert(objectID);
            m_agent.setSearchFlag(
                false, onlineID,
                [this, alive, objectID](const QVariant&) {
                    if (!alive.lock())
                        return;
                    if (ManagedObject* sent = recipeWithID(objectID)) {
                        sent->setValueForKey(false, QStringLiteral("changedSharing"));
                        save();
                    }
                    m_objectIDsPendingRecipeUpload.remove(objectID);
                },
                [this, alive, objectID](const Error& error) {
                    if (!alive.lock())
                        return;
                    Log::logf(QStringLiteral("Change search flag error: %1"), error.localizedDescription);
                    m_objectIDsPendingRecipeUpload.remove(objectID);
                });
            continue;
        }
        if (!recipe->valueForKey(QStringLiteral("share")).toBool()
            || recipe->valueForKey(QStringLiteral("editing")).toBool())
            continue;
        m_objectIDsPendingRecipeUpload.insert(objectID);
        const std::optional<QVariantMap> plist = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe);
        if (!plist || plist->isEmpty()) {
            Log::logf(QStringLiteral("Failed to create plist for recipe upload: %1"),
                recipe->valueForKey(QStringLiteral("name")).toString());
            m_objectIDsPendingRecipeUpload.remove(objectID);
            continue;
        }
        m_agent.uploadRecipePlist(
            *plist, true,
            [this, alive, objectID](const QVariant& reply) {
                if (!alive.lock())
                    return;
                if (ManagedObject* sent = recipeWithID(objectID)) {
                    const QVariant newID = reply.toMap().value(QStringLiteral("id"));
                    if (newID.isValid() && newID.typeId() != QMetaType::QString)
                        sent->setValueForKey(newID, QStringLiteral("onlineID"));
                    else
                        Log::logf(QStringLiteral("Upload recipe reply without a web identifier"));
                    sent->setValueForKey(false, QStringLiteral("changedSharing"));
                    sent->setValueForKey(false, QStringLiteral("changedRating"));
                    save();
                }
                m_objectIDsPendingRecipeUpload.remove(objectID);
            },
            [this, alive, objectID](const Error& error) {
                if (!alive.lock())
                    return;
                Log::logf(QStringLiteral("Upload recipe error: %1"), error.localizedDescription);
                m_objectIDsPendingRecipeUpload.remove(objectID);
            });
    }
}

void RecipeBackgroundUploader::checkForImageUploadChanges()
{
    const auto recipes = fetch(QStringLiteral("fetchRecipesWithChangedImage"),
        QStringLiteral("Error fetching recipes with changed images: %1"));
    if (!recipes)
        return;
    if (!recipes->isEmpty())
        Log::logf(QStringLiteral("images to upload: %1"), recipes->size());
    std::weak_ptr<bool> alive = m_alive;
    for (ManagedObject* recipe : *recipes) {
        const ManagedObjectID objectID = recipe->objectID();
        if (m_objectIDsPendingImageUpload.contains(objectID))
            continue;
        if (isSearchRecipe(recipe)) {
            Log::logf(
                QStringLiteral("Search recipe! %1"), recipe->valueForKey(QStringLiteral("name")).toString());
            continue;
        }
        // A picture goes with its recipe's web identifier; without one it waits for the upload.
        if (recipe->valueForKey(QStringLiteral("onlineID")).toLongLong() < 1)
            continue;
        const QByteArray jpeg = recipe->valueForKeyPath(QStringLiteral("image.jpegData")).toByteArray();
        if (jpeg.isEmpty()) {
            // Nothing to send: the flag goes, and the recipe is not left pending.
            recipe->setValueForKey(false, QStringLiteral("changedImage"));
            save();
            continue;
        }
        m_objectIDsPendingImageUpload.insert(objectID);
        const QString name = recipe->valueForKey(QStringLiteral("name")).toString();
        m_agent.uploadImageData(
            jpeg, QLMKitchoraCloudAgent::JPEGImage, recipe->valueForKey(QStringLiteral("onlineID")),
            [this, alive, objectID](const QVariant&) {
                if (!alive.lock())
                    return;
                if (ManagedObject* sent = recipeWithID(objectID)) {
                    sent->setValueForKey(false, QStringLiteral("changedImage"));
                    save();
                }
                m_objectIDsPendingImageUpload.remove(objectID);
            },
            [this, alive, objectID, name](AFHTTPRequestOperation* operation, const Error& error) {
                if (!alive.lock())
                    return;
                if (operation && operation->responseString() == QLatin1String("Image exists")) {
                    if (ManagedObject* sent = recipeWithID(objectID)) {
                        sent->setValueForKey(false, QStringLiteral("changedImage"));
                        save();
                    }
                    Log::logf(
                        QStringLiteral("Image already exists for this recipe \"%1\", won't upload image"),
                        name);
                }
                Log::logf(QStringLiteral("image upload error: %1"), error.localizedDescription);
                m_objectIDsPendingImageUpload.remove(objectID);
            });
    }
}
