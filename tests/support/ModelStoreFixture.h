#pragma once

#include "ConstantManager.h"
#include "FakeKitchoraServices.h"
#include "ManagerObjectContextStateSaving.h"
#include "ModelClasses.h"
#include "ScratchUserDefaults.h"
#include "StoreStack.h"
#include "UndoManager.h"
#include "VirtualClock.h"

// A fresh library store in a temporary folder with the real model and classes, a main context
// with an undo manager, the services double installed on it, scratch user defaults, the constant
// groups loaded, and a virtual clock for work deferred to the run loop (run it with
// clock.advance(0)).
class ModelStoreFixture : public StoreStack
{
protected:
    // The stack goes first, while the undo manager, services and clock it may call still exist.
    ~ModelStoreFixture() override { closeStack(); }

    void SetUp() override
    {
        registerModelClasses();
        static const bool constantsLoaded = [] {
            ConstantManager::importRecipeViewingConstants();
            ConstantManager::importRecipeImportConstants();
            return true;
        }();
        (void)constantsLoaded;
        ASSERT_NO_FATAL_FAILURE(
            loadModel(QStringLiteral(":/Kitchora.model.json"), QStringLiteral("Kitchora.recipedb")));
        openStack();
    }

    void TearDown() override
    {
        ManagerObjectContextStateSaving::setMainContextAccess({});
        services.context = nullptr;
        closeStack();
    }

    // (Re)opens the store file with a new coordinator and main context; earlier objects are gone.
    void openStack()
    {
        services.context = nullptr;
        services.library = nullptr;
        services.searchCacheCollection = nullptr;
        ASSERT_NO_FATAL_FAILURE(StoreStack::openStack());
        context->setUndoManager(&undoManager);
        services.context = context.get();
        ManagedObjectContext* main = context.get();
        UndoManager* undo = &undoManager;
        ManagerObjectContextStateSaving::setMainContextAccess(
            { [undo] { return undo; }, [main] { main->processPendingChanges(); } });
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

    ScratchUserDefaults defaults;
    VirtualClock clock;
    FakeKitchoraServices services;
    UndoManager undoManager;
};
