#include "ConstantManager.h"
#include "ModelStoreFixture.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "SampleLibraryBuilder.h"
#include "VRCReader.h"

#include <QFile>
#include <QSet>

namespace
{

const QString sampleCards = QStringLiteral(KITCHORA_SOURCE_DIR "/resources/sample/SampleLibrary.vrc");

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
}

class SampleLibraryDatabaseTest : public ModelStoreFixture
{
protected:
    // Opens the fixture's stack on the store at `storePath` instead of its own.
    void reopenAt(const QString& storePath)
    {
        closeStack();
        path = storePath;
        ModelStoreFixture::openStack();
    }
};

} // namespace

TEST_F(SampleLibraryDatabaseTest, EveryCardBecomesALibraryRecipeInOneSelfContainedFile)
{
    const QString built = dir.filePath("DefaultDatabase.recipedb");
    // Whatever an earlier build left there is replaced, not added to.
    ASSERT_TRUE(writeFile(built, "not a store"));
    ASSERT_TRUE(writeFile(built + "-wal", "stale log"));

    Error error;
    const std::optional<int> count = SampleLibraryBuilder::buildLibrary(sampleCards, built, &error);
    ASSERT_TRUE(count) << error.localizedDescription.toStdString();
    EXPECT_EQ(*count, 26);
    EXPECT_TRUE(QFile::exists(built));
    EXPECT_FALSE(QFile::exists(built + "-wal"));
    EXPECT_FALSE(QFile::exists(built + "-shm"));
    clock.advance(0);
    EXPECT_TRUE(services.presentedErrors.isEmpty());

    VRCReader cards;
    ASSERT_TRUE(cards.initWithContentsOfFile(sampleCards));
    QSet<QString> cardNames;
    for (const VRCRecipe& card : cards.vrcObjects())
        cardNames.insert(card.name());
    ASSERT_EQ(cardNames.size(), 26);

    ASSERT_NO_FATAL_FAILURE(reopenAt(built));
    const QList<ManagedObject*> collections = fetchAll("RecipeCollection");
    ASSERT_EQ(collections.size(), 1);
    auto* library = dynamic_cast<RecipeCollection*>(collections.first());
    ASSERT_TRUE(library);
    EXPECT_TRUE(library->isLibrary());
    EXPECT_EQ(library->name(), "Recipe Library");
    EXPECT_EQ(library->index().toInt(), 0);
    EXPECT_FALSE(library->valueForKey("draggable").toBool());

    const QList<ManagedObject*> recipes = fetchAll("Recipe");
    ASSERT_EQ(recipes.size(), 26);
    QSet<QString> recipeNames;
    for (ManagedObject* object : recipes) {
        auto* recipe = dynamic_cast<RecipeMO*>(object);
        ASSERT_TRUE(recipe);
        const QString name = recipe->valueForKey("name").toString();
        SCOPED_TRACE(name.toStdString());
        recipeNames.insert(name);
        EXPECT_EQ(recipe->objectsForKey("collections"), QList<ManagedObject*> { library });
        const QList<ManagedObject*> ingredients = recipe->sortedItemsForKey("ingredients");
        EXPECT_GE(ingredients.size(), 3);
        for (const ManagedObject* line : ingredients)
            EXPECT_TRUE(line->objectForKey("baseIngredient"));
        EXPECT_GE(recipe->sortedItemsForKey("directions").size(), 2);
    }
    EXPECT_EQ(recipeNames, cardNames);

    const QMap<QString, QString> placeholders
        = ConstantManager::defaultManager().constantsByGroupWithConstantKey(RVPlaceholderConstantKey);
    const struct {
        const QString& group;
        const char* entity;
    } entries[] = {
        { KRKitchenConstantGroup, "Kitchen" },
        { KRCuisineConstantGroup, "Cuisine" },
        { KRCategoryConstantGroup, "Category" },
        { KRIngredientConstantGroup, "Ingredient" },
    };
    for (const auto& entry : entries) {
        SCOPED_TRACE(entry.entity);
        const QString placeholder = placeholders.value(entry.group);
        ASSERT_FALSE(placeholder.isEmpty());
        qsizetype named = 0;
        for (const ManagedObject* object : fetchAll(entry.entity))
            named += object->valueForKey("name").toString() == placeholder;
        EXPECT_EQ(named, 1);
    }
}

TEST_F(SampleLibraryDatabaseTest, MissingCardFileFailsAndLeavesNoStore)
{
    const QString built = dir.filePath("DefaultDatabase.recipedb");
    ASSERT_TRUE(writeFile(built, "old"));
    Error error;
    EXPECT_FALSE(SampleLibraryBuilder::buildLibrary(dir.filePath("missing.vrc"), built, &error));
    EXPECT_TRUE(error.localizedDescription.contains("missing.vrc"))
        << error.localizedDescription.toStdString();
    EXPECT_FALSE(QFile::exists(built));
    EXPECT_FALSE(QFile::exists(built + "-wal"));
    EXPECT_EQ(KitchoraServices::shared(), &services);
}
