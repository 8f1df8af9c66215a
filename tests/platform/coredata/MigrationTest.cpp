#include "CoreDataErrors.h"
#include "EntityDescription.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

const char* const version1 = R"({
  "version": 1,
  "entities": [
    {"name": "Dish", "attributes": [{"name": "title", "type": "string"}, {"name": "cost", "type": "integer32"}],
     "relationships": [{"name": "tags", "destination": "Tag", "inverse": "dishes", "toMany": true},
                       {"name": "legacy", "destination": "Legacy", "inverse": "dish"}]},
    {"name": "Tag", "attributes": [{"name": "label", "type": "string"}],
     "relationships": [{"name": "dishes", "destination": "Dish", "inverse": "tags", "toMany": true}]},
    {"name": "Legacy", "attributes": [{"name": "x", "type": "integer16"}],
     "relationships": [{"name": "dish", "destination": "Dish", "inverse": "legacy"}]}
  ]
})";

const char* const version2 = R"({
  "version": 2,
  "entities": [
    {"name": "Recipe", "renamingIdentifier": "Dish",
     "attributes": [{"name": "name", "type": "string", "renamingIdentifier": "title"},
                    {"name": "servings", "type": "integer16", "default": 4}],
     "relationships": [{"name": "labels", "renamingIdentifier": "tags", "destination": "Tag", "inverse": "recipes", "toMany": true},
                       {"name": "notes", "destination": "Note", "inverse": "recipe", "toMany": true}]},
    {"name": "Tag", "attributes": [{"name": "label", "type": "string"}],
     "relationships": [{"name": "recipes", "renamingIdentifier": "dishes", "destination": "Recipe", "inverse": "labels", "toMany": true}]},
    {"name": "Note", "attributes": [{"name": "text", "type": "string"}],
     "relationships": [{"name": "recipe", "destination": "Recipe", "inverse": "notes"}]}
  ]
})";

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class MigrationTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        v1 = ManagedObjectModel::modelWithJSON(version1);
        v2 = ManagedObjectModel::modelWithJSON(version2);
        ASSERT_TRUE(v1 && v2);
        path = dir.filePath(QStringLiteral("Library.recipedb"));
    }

    void fillVersion1()
    {
        PersistentStoreCoordinator coordinator(v1.get());
        ASSERT_TRUE(
            coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path));
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        ManagedObject* dish
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Dish"), &context);
        dish->setValueForKey(QStringLiteral("Stew"), QStringLiteral("title"));
        dish->setValueForKey(12, QStringLiteral("cost"));
        ManagedObject* tag
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Tag"), &context);
        tag->setValueForKey(QStringLiteral("winter"), QStringLiteral("label"));
        dish->mutableSetValueForKey(QStringLiteral("tags")).addObject(tag);
        ManagedObject* legacy
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Legacy"), &context);
        legacy->setValueForKey(QVariant::fromValue(dish), QStringLiteral("dish"));
        ASSERT_TRUE(context.save());
    }

    std::unique_ptr<ManagedObjectModel> v1, v2;
    QTemporaryDir dir;
    QString path;
};

} // namespace

TEST_F(MigrationTest, OlderStoreIsUpgradedKeepingRenamedData)
{
    fillVersion1();
    PersistentStoreCoordinator coordinator(v2.get());
    Error error;
    ASSERT_TRUE(coordinator.addPersistentStoreWithType(
        PersistentStoreCoordinator::SQLiteStoreType, {}, path, {}, &error))
        << error.localizedDescription.toStdString();
    ManagedObjectContext context;
    context.setPersistentStoreCoordinator(&coordinator);
    auto recipes
        = context.executeFetchRequest(FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe")));
    ASSERT_TRUE(recipes);
    ASSERT_EQ(recipes->size(), 1);
    ManagedObject* recipe = recipes->first();
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Stew"));
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("servings")).toLongLong(), 4);
    const QList<ManagedObject*> labels = recipe->objectsForKey(QStringLiteral("labels"));
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first()->valueForKey(QStringLiteral("label")).toString(), QStringLiteral("winter"));
    EXPECT_EQ(labels.first()->objectsForKey(QStringLiteral("recipes")), QList<ManagedObject*> { recipe });

    ManagedObject* note
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Note"), &context);
    note->setValueForKey(QVariant::fromValue(recipe), QStringLiteral("recipe"));
    ASSERT_TRUE(context.save(&error)) << error.localizedDescription.toStdString();

    auto metadata = PersistentStoreCoordinator::metadataForPersistentStoreOfType(QString(), path);
    ASSERT_TRUE(metadata);
    EXPECT_EQ(metadata->value(PersistentStore::ModelVersionKey).toInt(), 2);
    EXPECT_EQ(metadata->value(PersistentStore::ModelVersionHashKey).toByteArray(), v2->versionHash());
}

TEST_F(MigrationTest, NewerOrRefusedVersionsFailAndLeaveTheFileAlone)
{
    fillVersion1();
    const QByteArray before = fileBytes(path);
    {
        PersistentStoreCoordinator coordinator(v2.get());
        Error error;
        const QVariantMap noMigration {
            { PersistentStoreCoordinator::MigratePersistentStoresAutomaticallyOption, false }
        };
        EXPECT_FALSE(coordinator.addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, {}, path, noMigration, &error));
        EXPECT_EQ(error.code, CoreDataErrors::PersistentStoreIncompatibleVersionHash);
    }
    EXPECT_EQ(fileBytes(path), before);
    {
        PersistentStoreCoordinator coordinator(v2.get());
        ASSERT_TRUE(
            coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path));
    }
    const QByteArray upgraded = fileBytes(path);
    PersistentStoreCoordinator older(v1.get());
    Error error;
    EXPECT_FALSE(
        older.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path, {}, &error));
    EXPECT_EQ(error.code, CoreDataErrors::PersistentStoreIncompatibleVersionHash);
    EXPECT_TRUE(error.localizedDescription.contains(QStringLiteral("Library.recipedb")));
    EXPECT_TRUE(error.localizedDescription.contains(QStringLiteral("newer")));
    EXPECT_EQ(fileBytes(path), upgraded);
}
