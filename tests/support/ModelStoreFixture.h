#pragma once

#include "ConstantManager.h"
#include "EntityDescription.h"
#include "FakeKitchoraServices.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ManagerObjectContextStateSaving.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "ScratchUserDefaults.h"
#include "UndoManager.h"
#include "VirtualClock.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

// A fresh library store in a temporary folder with the real model and classes, a main context
// with an undo manager, the services double installed on it, scratch user defaults, the constant
// groups loaded, and a virtual clock for work deferred to the run loop (run it with
// clock.advance(0)).
class ModelStoreFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        registerModelClasses();
        static const bool constantsLoaded = [] {
            ConstantManager::importRecipeViewingConstants();
            ConstantManager::importRecipeImportConstants();
            return true;
        }();
        (void)constantsLoaded;
        QString error;
        model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"), &error);
        ASSERT_TRUE(model) << error.toStdString();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Kitchora.recipedb"));
        openStack();
    }

    void TearDown() override
    {
        ManagerObjectContextStateSaving::setMainContextAccess({});
        services.context = nullptr;
        context.reset();
        coordinator.reset();
    }

    // (Re)opens the store file with a new coordinator and main context; earlier objects are gone.
    void openStack()
    {
        services.context = nullptr;
        services.library = nullptr;
        services.searchCacheCollection = nullptr;
        context.reset();
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        Error error;
        store = coordinator->addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, QString(), path, {}, &error);
        ASSERT_TRUE(store) << error.localizedDescription.toStdString();
        context = newContext();
        context->setUndoManager(&undoManager);
        services.context = context.get();
        ManagedObjectContext* main = context.get();
        UndoManager* undo = &undoManager;
        ManagerObjectContextStateSaving::setMainContextAccess(
            { [undo] { return undo; }, [main] { main->processPendingChanges(); } });
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

    ManagedObject* insertNamed(const QString& entity, const QString& name, ManagedObjectContext* in = nullptr)
    {
        ManagedObject* object = insert(entity, in);
        object->setValueForKey(name, QStringLiteral("name"));
        return object;
    }

    // A manual collection of the given kind, installed as the library or search cache when it is one.
    ManagedObject* makeCollection(const QString& kind, ManagedObjectContext* in = nullptr)
    {
        ManagedObject* collection = insert(QStringLiteral("ManualCollection"), in);
        collection->setPrimitiveValue(kind, QStringLiteral("kind"));
        if (!in || in == context.get()) {
            if (kind == QLatin1String("RBCollectionKindMainLibrary"))
                services.library = collection;
            else if (kind == QLatin1String("RBCollectionKindSearchCache"))
                services.searchCacheCollection = collection;
        }
        return collection;
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

    ScratchUserDefaults defaults;
    VirtualClock clock;
    FakeKitchoraServices services;
    UndoManager undoManager;
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    QString path;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    PersistentStore* store = nullptr;
    std::unique_ptr<ManagedObjectContext> context;
};
