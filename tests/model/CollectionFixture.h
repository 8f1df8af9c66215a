#pragma once

#include "DeviceCollection.h"
#include "Folder.h"
#include "ManualCollection.h"
#include "RecipeCollection.h"
#include "SmartCollection.h"

#include "EntityDescription.h"
#include "KitchoraServices.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

class RecordingServices : public KitchoraServices {
public:
    void presentError(const Error& error) override { errors.append(error); }
    void rearrangeCollections() override { ++rearrangements; }
    QList<Error> errors;
    int rearrangements = 0;
};

class CollectionFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ManagedObject::registerClass<Folder>(QStringLiteral("Folder"));
        ManagedObject::registerClass<ManualCollection>(QStringLiteral("ManualCollection"));
        ManagedObject::registerClass<SmartCollection>(QStringLiteral("SmartCollection"));
        ManagedObject::registerClass<DeviceCollection>(QStringLiteral("DeviceCollection"));
        QString error;
        model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral("/tmp/coll/model.json"), &error);
        ASSERT_TRUE(model) << error.toStdString();
        ASSERT_TRUE(dir.isValid());
        KitchoraServices::setCurrent(&services);
        open();
    }

    void TearDown() override
    {
        context.reset();
        coordinator.reset();
        KitchoraServices::setCurrent(nullptr);
    }

    void open()
    {
        context.reset();
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        Error error;
        ASSERT_TRUE(coordinator->addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, QString(),
                                                            dir.filePath(QStringLiteral("Library.recipedb")), {},
                                                            &error))
            << error.localizedDescription.toStdString();
        context = std::make_unique<ManagedObjectContext>();
        context->setPersistentStoreCoordinator(coordinator.get());
    }

    template <class T>
    T* insert(const QString& entity, const QString& kind = QString())
    {
        auto* object = dynamic_cast<T*>(EntityDescription::insertNewObjectForEntityForName(entity, context.get()));
        EXPECT_TRUE(object) << entity.toStdString();
        if (object && !kind.isNull())
            object->setValueForKey(kind, QStringLiteral("kind"));
        return object;
    }

    ManagedObject* recipe(const QString& name, const QDateTime& dateAdded = QDateTime())
    {
        ManagedObject* r = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context.get());
        r->setValueForKey(name, QStringLiteral("name"));
        if (dateAdded.isValid())
            r->setValueForKey(dateAdded, QStringLiteral("dateAdded"));
        return r;
    }

    void save()
    {
        Error error;
        ASSERT_TRUE(context->save(&error)) << error.localizedDescription.toStdString();
    }

    static QStringList names(const QList<ManagedObject*>& objects)
    {
        QStringList result;
        for (ManagedObject* object : objects)
            result.append(object->valueForKey(QStringLiteral("name")).toString());
        result.sort();
        return result;
    }

    static Predicate predicate(const QString& format, const QVariantList& args = {})
    {
        std::optional<Predicate> p = Predicate::predicateWithFormat(format, args);
        EXPECT_TRUE(p) << format.toStdString();
        return p ? *p : Predicate::falsePredicate();
    }

    // How often observers of `key` of `object` heard of a change.
    static std::shared_ptr<int> countChanges(ManagedObject* object, const QString& key)
    {
        auto count = std::make_shared<int>(0);
        object->addObserver(key, [count](ManagedObject*, const QString&, const QVariant&, const QVariant&) { ++*count; });
        return count;
    }

    RecordingServices services;
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;
};

