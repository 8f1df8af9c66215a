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

// A recipe class of the test model: counts its hooks and has a derived key "title".
class TestRecipe : public ManagedObject
{
public:
    int awakeFromInsertCount = 0;
    int awakeFromFetchCount = 0;
    int willSaveCount = 0;
    QStringList undefinedKeys;

    void awakeFromInsert() override { ++awakeFromInsertCount; }
    void awakeFromFetch() override { ++awakeFromFetchCount; }
    void willSave() override { ++willSaveCount; }
    QVariant valueForKey(const QString& key) const override
    {
        if (key == QLatin1String("title"))
            return QStringLiteral("Recipe: ") + ManagedObject::valueForKey(QStringLiteral("name")).toString();
        return ManagedObject::valueForKey(key);
    }
    QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const override
    {
        if (key == QLatin1String("title"))
            return { QStringLiteral("name") };
        return {};
    }
    void setValueForUndefinedKey(const QVariant& value, const QString& key) override
    {
        undefinedKeys.append(key);
        ManagedObject::setValueForUndefinedKey(value, key);
    }
};

// A model, a coordinator with one store file in a temporary folder, and a main context.
class StoreFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ManagedObject::registerClass<TestRecipe>(QStringLiteral("TestRecipe"));
        QString error;
        model = ManagedObjectModel::modelWithContentsOfFile(
            QStringLiteral(KITCHORA_TEST_DATA "/TestModel.json"), &error);
        ASSERT_TRUE(model) << error.toStdString();
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("Test.recipedb"));
        openStack();
    }

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

    ManagedObject* recipe(const QString& name, ManagedObjectContext* in = nullptr)
    {
        ManagedObject* r = insert(QStringLiteral("Recipe"), in);
        r->setValueForKey(name, QStringLiteral("name"));
        return r;
    }

    QList<ManagedObject*> fetch(const QString& entity, const QString& predicate = QString(),
        const QVariantList& args = {}, ManagedObjectContext* in = nullptr)
    {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(entity);
        if (!predicate.isEmpty()) {
            std::optional<Predicate> p = Predicate::predicateWithFormat(predicate, args);
            EXPECT_TRUE(p) << predicate.toStdString();
            if (p)
                request.setPredicate(*p);
        }
        if (model->entityNamed(entity) && model->entityNamed(entity)->hasProperty(QStringLiteral("name")))
            request.setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
        Error error;
        auto result = (in ? in : context.get())->executeFetchRequest(request, &error);
        EXPECT_TRUE(result) << error.localizedDescription.toStdString();
        return result ? *result : QList<ManagedObject*>();
    }

    static QStringList names(const QList<ManagedObject*>& objects)
    {
        QStringList result;
        for (ManagedObject* object : objects)
            result.append(object->valueForKey(QStringLiteral("name")).toString());
        result.sort();
        return result;
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
