#pragma once

// A library store as the program's first run leaves it: the model's classes and constants
// registered, the library collection and the placeholder entries saved, the units loaded, the
// ingredient tries built and the services installed for the model. Benchmarks that time work on a
// user's library start from one.
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "IngredientTrie.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "UnitsEngine.h"

#include <QDir>
#include <QTemporaryDir>
#include <memory>

struct FirstRunLibrary {
    QTemporaryDir dir;
    std::unique_ptr<ManagedObjectModel> model;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    ManagedObjectContext context;
    BenchServices services;

    // The store is made in the temporary folder unless `fileName` is an absolute path. False when
    // it could not be made.
    bool setUp(const QString& fileName)
    {
        registerModelClasses();
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
        model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        if (!model)
            return false;
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        if (!coordinator->addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {},
                QDir::isAbsolutePath(fileName) ? fileName : dir.filePath(fileName)))
            return false;
        context.setPersistentStoreCoordinator(coordinator.get());
        services.context = &context;
        KitchoraServices::setShared(&services);
        UnitsEngine::defaultEngine().loadUnits(QString());
        IngredientTrie::rebuildIngredientTries();
        services.library = EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("ManualCollection"), &context);
        services.library->setValueForKey(
            QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));
        return BaseMOAdditions::findOrCreatePlaceholderEntries(&context) && context.save();
    }

    ~FirstRunLibrary()
    {
        if (KitchoraServices::shared() == &services)
            KitchoraServices::setShared(nullptr);
    }
};
