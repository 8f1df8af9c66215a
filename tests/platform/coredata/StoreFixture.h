#pragma once

#include "StoreStack.h"

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

// The test model with a coordinator, one store file in a temporary folder, and a main context.
class StoreFixture : public StoreStack
{
protected:
    void SetUp() override
    {
        ManagedObject::registerClass<TestRecipe>(QStringLiteral("TestRecipe"));
        ASSERT_NO_FATAL_FAILURE(
            loadModel(QStringLiteral(KITCHORA_TEST_DATA "/TestModel.json"), QStringLiteral("Test.recipedb")));
        openStack();
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
};
