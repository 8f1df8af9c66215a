// Quit: the clean-up of unconnected recipes, the save with its validation repair, and what is
// written as the program ends.

#include "BaseMO.h"
#include "CoreDataErrors.h"
#include "EntityDescription.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindowAccess.h"
#include "ManagedObjectContext.h"
#include "ManagerObjectContextStateSaving.h"
#include "Presenter.h"
#include "RecipeMetaDataExporter.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>

namespace
{

QString describe(const Error& error)
{
    return QStringLiteral("%1 (%2 %3)").arg(error.localizedDescription, error.domain).arg(error.code);
}

ManagedObject* validationObject(const QVariantMap& userInfo)
{
    return userInfo.value(CoreDataErrors::validationObjectKey).value<ManagedObject*>();
}

QString className(const ManagedObject* object)
{
    return object->entity() ? object->entity()->managedObjectClassName() : QStringLiteral("ManagedObject");
}

} // namespace

void KitchoraController::cleanupUnconnectedRecipes()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    ManagerObjectContextStateSaving::disableUndoSavingState();
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("collections.@count == 0")));
    Error error;
    const std::optional<QList<ManagedObject*>> recipes = context->executeFetchRequest(request, &error);
    if (!recipes) {
        Log::logf(QStringLiteral("Error fetching results in %1: %2"),
            QStringLiteral("cleanupUnconnectedRecipes:"), describe(error));
    } else if (!recipes->isEmpty()) {
        for (ManagedObject* recipe : *recipes) {
            if (auto* base = dynamic_cast<BaseMO*>(recipe))
                base->deleteFromManagedObjectContext();
            else
                context->deleteObject(recipe);
        }
        if (!context->save(&error))
            Log::logf(QStringLiteral("KitchoraController: -cleanupUnconnectedRecipes: save error (%1)"),
                describe(error));
    }
    ManagerObjectContextStateSaving::enableUndoWithSavedState();
}

bool KitchoraController::saveContext(Error* error)
{
    ManagedObjectContext* context = m_context.get();
    if (!context)
        return true;
    if (m_window && !m_window->commitEditing()) {
        if (error)
            *error = Error { QStringLiteral("KitchoraErrorDomain"), 2,
                tr("Kitchora could not finish the edit in progress, so your changes were not saved. "
                   "Complete or undo the edit, then try again."),
                {} };
        return false;
    }
    Error local;
    Error& slot = error ? *error : local;
    for (int repairs = 0; context->hasChanges(); ++repairs) {
        Error saveError;
        const bool saved = m_environment.saveMainContext ? m_environment.saveMainContext(*context, &saveError)
                                                         : context->save(&saveError);
        if (saved)
            return true;
        slot = saveError;
        Log::logf(QStringLiteral("-applicationShouldTerminate: save error (%1)"), describe(saveError));
        if (saveError.code == CoreDataErrors::ValidationMultipleErrors) {
            const QVariantList details = saveError.userInfo.value(CoreDataErrors::detailedErrorsKey).toList();
            QStringList texts;
            for (const QVariant& detail : details)
                texts.append(detail.toMap().value(QStringLiteral("localizedDescription")).toString());
            Log::logf(QStringLiteral("Errors: %1"), texts.join(QStringLiteral(", ")));
            for (const QVariant& detail : details) {
                const QVariantMap map = detail.toMap();
                if (map.value(QStringLiteral("code")).toInt()
                    != CoreDataErrors::ValidationMissingMandatoryProperty)
                    continue;
                ManagedObject* object = validationObject(map.value(QStringLiteral("userInfo")).toMap());
                if (!object || object->isDeleted())
                    continue;
                Log::logf(QStringLiteral("deleted object due to validation error: %1, kind of object: %2"),
                    object->objectID().URIRepresentation().toString(), className(object));
                context->deleteObject(object);
            }
            // The error stays in the slot: the caller asks the user.
            return true;
        }
        if (saveError.code != CoreDataErrors::ValidationMissingMandatoryProperty)
            return true;
        // One object misses a mandatory property: delete it and try again, but only while that
        // makes progress, so that an error naming no object (or one that keeps coming back)
        // is reported instead of retried forever.
        ManagedObject* object = validationObject(saveError.userInfo);
        if (!object || object->isDeleted() || repairs >= kMaximumSaveRepairs)
            return true;
        Log::logf(QStringLiteral("deleted object due to validation error: %1, kind of object: %2"),
            object->objectID().URIRepresentation().toString(), className(object));
        context->deleteObject(object);
        slot = Error();
    }
    return true;
}

KitchoraController::TerminateReply KitchoraController::applicationShouldTerminate()
{
    cleanupUnconnectedRecipes();
    Error error;
    const bool saved = saveContext(&error);
    if (!saved) {
        // The user learns why the program did not quit.
        presentError(error);
        return TerminateReply::Cancel;
    }
    if (error.isNull())
        return TerminateReply::Now;
    Log::logf(QStringLiteral("Save error: %1"), describe(error));
    const int choice = m_presenter.runAlert(
        tr("Kitchora was unable to save changes while quitting. This is might be caused by a corrupt recipe "
           "added to "
           "your recipe database. If you choose to quit anyway you may lose data. Quit anyway?"),
        { tr("Quit anyway"), tr("Cancel") });
    return choice == 0 ? TerminateReply::Now : TerminateReply::Cancel;
}

void KitchoraController::applicationWillTerminate()
{
    m_exitUpdateThread = true;
    RecipeMetaDataExporter::exportMetaData();
    m_searchEngine->clearSearchCache();
    if (m_window)
        m_window->collapseAllSearchFields();
    const QDir folder(applicationSupportFolder());
    UnitsEngine::defaultEngine().writeUnitsToFile(folder.filePath(QStringLiteral("units.plist")), true);
    writeSubstitutionsToFile(folder.filePath(QStringLiteral("substitutions.plist")), true);
    if (m_window) {
        UserDefaults::standardUserDefaults().setObject(m_window->expandedStateArray(),
            QStringLiteral("OutlineView Disclosure State %1").arg(m_window->outlineAutosaveName()));
    }
}
