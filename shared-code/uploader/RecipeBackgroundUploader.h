#pragma once

#include "BackgroundUploaderService.h"
#include "ManagedObjectID.h"
#include "RunLoop.h"

#include <QSet>
#include <functional>
#include <memory>

class ManagedObject;
class ManagedObjectContext;
class ManagedObjectModel;
class PersistentStoreCoordinator;
class QLMKitchoraCloudAgent;

// Carries the user's changes to the web recipe service in the background: new ratings, recipes
// shared (or no longer shared) and new pictures, found by their "changed" flags on a 5-second
// tick. Works in a context of its own on the library's coordinator, saved after every accepted
// change, so a cleared flag or a new web identifier survives a restart and nothing goes twice.
// Recipes that only a web search brought in are never sent. Without a configured service it does
// nothing. Main thread only.
class RecipeBackgroundUploader : public BackgroundUploaderService
{
public:
    static constexpr double kTickInterval = 5.0;

    // `shouldExit`, when given, is asked on each tick; once true the ticks stop.
    RecipeBackgroundUploader(PersistentStoreCoordinator* coordinator, const ManagedObjectModel* model,
        QLMKitchoraCloudAgent& agent, std::function<bool()> shouldExit = nullptr);
    ~RecipeBackgroundUploader() override;
    RecipeBackgroundUploader(const RecipeBackgroundUploader&) = delete;
    RecipeBackgroundUploader& operator=(const RecipeBackgroundUploader&) = delete;

    // Starts the repeating tick (once).
    void start() override;
    // One tick: ratings, then sharing changes, then pictures.
    void checkForRecipeToUpload();
    void checkForPendingRatingChanges();
    void checkForPendingSearchFlagChanges();
    void checkForImageUploadChanges();

    ManagedObjectContext* context() const { return m_context.get(); }
    int pendingCount() const
    {
        return int(m_objectIDsPendingRating.size() + m_objectIDsPendingRecipeUpload.size()
            + m_objectIDsPendingImageUpload.size());
    }

private:
    // The recipes of a template, fresh from the store; nothing (logged) when the fetch failed.
    std::optional<QList<ManagedObject*>> fetch(const QString& templateName, const QString& failureFormat);
    // A recipe that came only from a web search.
    static bool isSearchRecipe(const ManagedObject* recipe);
    // The uploader's object for an identifier, or nullptr when it is gone.
    ManagedObject* recipeWithID(const ManagedObjectID& objectID);
    void save();

    std::unique_ptr<ManagedObjectContext> m_context;
    const ManagedObjectModel* m_model;
    QLMKitchoraCloudAgent& m_agent;
    std::function<bool()> m_shouldExit;
    RunLoop::Token m_recurringUploadTimer = 0;
    QSet<ManagedObjectID> m_objectIDsPendingRating;
    QSet<ManagedObjectID> m_objectIDsPendingRecipeUpload;
    QSet<ManagedObjectID> m_objectIDsPendingImageUpload;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
