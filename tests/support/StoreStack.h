#pragma once

#include "EntityDescription.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// What the store fixtures share: a model, a coordinator with one SQLite store file in a temporary
// folder, and a main context on it. The fixture owns everything here; test thread only. Helpers
// report failures through gtest; a failed ASSERT ends only the helper, so callers that go on wrap
// it in ASSERT_NO_FATAL_FAILURE.
class StoreStack : public ::testing::Test
{
protected:
    // Reads the model from `modelFile` and names the store file in the temporary folder.
    void loadModel(const QString& modelFile, const QString& storeFileName)
    {
        QString error;
        model = ManagedObjectModel::modelWithContentsOfFile(modelFile, &error);
        ASSERT_TRUE(model) << error.toStdString();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(storeFileName);
    }

    // (Re)opens the store file with a new coordinator and main context; earlier objects are gone.
    void openStack()
    {
        context.reset();
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        Error error;
        store = coordinator->addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, QString(), path, {}, &error);
        ASSERT_TRUE(store) << error.localizedDescription.toStdString();
        context = newContext();
    }

    // Drops the main context, then the coordinator (and with it the store).
    void closeStack()
    {
        context.reset();
        coordinator.reset();
    }

    std::unique_ptr<ManagedObjectContext> newContext()
    {
        auto c = std::make_unique<ManagedObjectContext>();
        c->setPersistentStoreCoordinator(coordinator.get());
        return c;
    }

    ManagedObject* insert(const QString& entity, ManagedObjectContext* in = nullptr)
    {
        return EntityDescription::insertNewObjectForEntityForName(entity, in ? in : context.get());
    }

    QList<ManagedObject*> fetchAll(const QString& entity, ManagedObjectContext* in = nullptr)
    {
        Error error;
        auto result = (in ? in : context.get())
                          ->executeFetchRequest(FetchRequest::fetchRequestWithEntityName(entity), &error);
        EXPECT_TRUE(result) << error.localizedDescription.toStdString();
        return result ? *result : QList<ManagedObject*>();
    }

    bool save(ManagedObjectContext* in = nullptr)
    {
        Error error;
        const bool ok = (in ? in : context.get())->save(&error);
        EXPECT_TRUE(ok) << error.localizedDescription.toStdString();
        return ok;
    }

    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    PersistentStore* store = nullptr;
    std::unique_ptr<ManagedObjectContext> context;
};
