#include "MGImporter.h"

#include "FakeMGImportProgress.h"
#include "ImageMO.h"
#include "ImportFixture.h"
#include "Log.h"
#include "MGDatabaseGenerator.h"
#include "RecipeIngredientMO.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using MGDatabaseGenerator::Ingredient;
using MGDatabaseGenerator::Recipe;

namespace
{

Recipe recipe(int id, const QString& name, QList<Ingredient> ingredients = {})
{
    Recipe r;
    r.recipeID = id;
    r.columns = { { "name", name } };
    r.ingredients = std::move(ingredients);
    return r;
}

Ingredient ingredient(const QVariant& quantity, const QVariant& measurement, const QVariant& description,
    const QVariant& direction = QVariant())
{
    return { description, quantity, measurement, direction, 0 };
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

class MGImporterTest : public ImportFixture
{
protected:
    void SetUp() override
    {
        ImportFixture::SetUp();
        package = dir.filePath("Recipes.mgdatabase");
    }

    MGImporter::Environment environment()
    {
        MGImporter::Environment env;
        env.saveInterval = saveInterval;
        env.save = [this](ManagedObjectContext& context, Error* error) {
            ++saveCalls;
            if (failSavesFrom >= 0 && saveCalls > failSavesFrom) {
                if (error)
                    *error = Error { "TestDomain", 99, "The disk is full.", {} };
                return false;
            }
            return context.save(error);
        };
        return env;
    }

    void write(const QList<Recipe>& recipes)
    {
        QString error;
        ASSERT_TRUE(MGDatabaseGenerator::writePackage(package, recipes, &error)) << error.toStdString();
    }

    // Runs an import of the package to its end.
    void importPackage(MGImporter& importer)
    {
        importer.importMGDatabaseAtPath(package);
        clock.advance(0);
        EXPECT_FALSE(importer.isImporting());
    }

    void importPackage()
    {
        MGImporter importer(progress, environment());
        importPackage(importer);
    }

    RecipeMO* recipeNamed(const QString& name)
    {
        for (ManagedObject* object : fetchAll("Recipe")) {
            if (object->valueForKey("name").toString() == name)
                return dynamic_cast<RecipeMO*>(object);
        }
        return nullptr;
    }

    QStringList recipeNames()
    {
        QStringList names;
        for (ManagedObject* object : fetchAll("Recipe"))
            names.append(object->valueForKey("name").toString());
        names.sort();
        return names;
    }

    // The sheet came and went once, and the window is as before the import.
    void expectEndedCleanly()
    {
        EXPECT_EQ(progress.begun, 1);
        EXPECT_EQ(progress.ended, 1);
        EXPECT_TRUE(progress.menusEnabled);
        EXPECT_EQ(context->undoManager(), &undoManager);
        EXPECT_EQ(clock.pendingCount(), 0);
    }

    QString package;
    FakeMGImportProgress progress;
    double saveInterval = 30.0;
    int failSavesFrom = -1; // saves after this many fail
    int saveCalls = 0;
};

} // namespace

TEST_F(MGImporterTest, RecipeFieldsIngredientsAndPicture)
{
    Recipe pie = recipe(3, "apple pie",
        { ingredient("2", "cups", "flour"), { "Filling", QVariant(), QVariant(), QVariant(), 1 },
            ingredient("3", QVariant(), "apples", "peeled"), ingredient("1", "pinch", QVariant()),
            ingredient("-1", "-1", "salt") });
    pie.columns.insert({ { "source", "Grandma" }, { "note", "Keeps a week." }, { "summary", "A classic." },
        { "directions", "Mix.\nBake." }, { "rating", "3.5" }, { "servings", "4" }, { "yield", "1 pie" },
        { "date_created", 1000000000.0 }, { "date_last_modified", 1100000000.0 } });
    pie.category = "Desserts";
    pie.cuisine = "American";
    pie.pictureFileName = "pie";
    Recipe bread = recipe(7, "Bread", { ingredient("1", "kg", "flour") });
    bread.columns.insert(
        { { "servings", "8" }, { "rating", "0.0" }, { "yield", "-1" }, { "note", QVariant() } });
    bread.category = "Breads";
    bread.pictureFileName = "missing";
    bread.writePicture = false;
    Recipe soup = recipe(9, "Soup");
    soup.columns.insert({ { "rating", "-1" }, { "yield", "2 bowls" } });
    write({ pie, bread, soup });
    const QByteArray before = digest(MGDatabaseGenerator::databasePath(package));

    Log::Capture log;
    importPackage();
    expectEndedCleanly();
    EXPECT_FALSE(log.contains("SQL error"));
    EXPECT_EQ(progress.maximum, 3);
    EXPECT_TRUE(progress.texts.contains(QString::fromUtf8("Importing 1 of 3: apple pie\xE2\x80\xA6")));
    EXPECT_TRUE(services.presentedErrors.isEmpty());
    EXPECT_EQ(digest(MGDatabaseGenerator::databasePath(package)), before);

    RecipeMO* imported = recipeNamed("Apple Pie");
    ASSERT_TRUE(imported);
    EXPECT_EQ(imported->valueForKeyPath("kitchen.name").toString(), "Grandma");
    EXPECT_EQ(imported->valueForKey("recipeDescription").toString(), "A classic.");
    EXPECT_EQ(imported->valueForKeyPath("category.name").toString(), "Desserts");
    EXPECT_EQ(imported->valueForKeyPath("cuisine.name").toString(), "American");
    EXPECT_EQ(imported->valueForKey("yield").toString(), "1 pie (4 servings)");
    EXPECT_DOUBLE_EQ(imported->valueForKey("rating").toDouble(), 3.5);
    EXPECT_EQ(imported->valueForKey("dateAdded").toDateTime(), QDateTime::fromSecsSinceEpoch(1000000000));
    EXPECT_EQ(imported->valueForKey("dateModified").toDateTime(), QDateTime::fromSecsSinceEpoch(1100000000));
    EXPECT_TRUE(imported->valueForKey("hasImage").toBool());
    EXPECT_EQ(
        itemTexts(imported, "ingredients"), (QStringList { "2 cups flour", "3 apples, peeled", "salt" }));
    EXPECT_EQ(itemTexts(imported, "directions"), (QStringList { "Mix.", "Bake." }));
    EXPECT_EQ(itemTexts(imported, "notes"), QStringList { "Keeps a week." });
    EXPECT_TRUE(recipesIn(services.imported).contains(imported));

    RecipeMO* bread2 = recipeNamed("Bread");
    ASSERT_TRUE(bread2);
    EXPECT_EQ(bread2->valueForKey("yield").toString(), "8 servings");
    EXPECT_DOUBLE_EQ(bread2->valueForKey("rating").toDouble(), 0.0);
    EXPECT_FALSE(bread2->valueForKey("ratedLocally").toBool());
    EXPECT_FALSE(bread2->valueForKey("hasImage").toBool());
    EXPECT_EQ(bread2->valueForKeyPath("category.name").toString(), "Breads");

    RecipeMO* soup2 = recipeNamed("Soup");
    ASSERT_TRUE(soup2);
    EXPECT_EQ(soup2->valueForKey("yield").toString(), "2 bowls");
    EXPECT_EQ(itemTexts(soup2, "ingredients"), QStringList { "" });

    // Everything was saved.
    openStack();
    EXPECT_EQ(recipeNames(), (QStringList { "Apple Pie", "Bread", "Soup" }));
}

TEST_F(MGImporterTest, IngredientRowsFindTheirRecipeInAnyOrder)
{
    // Recipe rows out of identifier order, an ingredient row of no recipe, and the last row of
    // the table.
    QList<Recipe> recipes = { recipe(20, "Twenty", { ingredient("1", "cup", "rice") }),
        recipe(4, "Four", { ingredient("2", "", "eggs"), ingredient("1", "tsp", "salt") }),
        recipe(11, "Eleven", { ingredient("5", "g", "yeast") }) };
    // A row without the divider flag is an ingredient.
    recipes.last().ingredients.append({ "water", "300", "ml", QVariant(), QVariant() });
    Recipe orphan = recipe(99, "Orphan", { ingredient("1", "", "ghost") });
    write(recipes + QList<Recipe> { orphan });
    ASSERT_TRUE(MGDatabaseGenerator::execute(package, "DELETE FROM recipe WHERE recipe_id = 99"));
    importPackage();
    EXPECT_EQ(itemTexts(recipeNamed("Twenty"), "ingredients"), QStringList { "1 cup rice" });
    EXPECT_EQ(itemTexts(recipeNamed("Four"), "ingredients"), (QStringList { "2 eggs", "1 tsp salt" }));
    EXPECT_EQ(itemTexts(recipeNamed("Eleven"), "ingredients"), (QStringList { "5 g yeast", "300 ml water" }));
    EXPECT_EQ(recipeNames().size(), 3);
}

TEST_F(MGImporterTest, BatchesOfFifteenAndCancelKeepsWhatWasImported)
{
    QList<Recipe> recipes;
    for (int i = 1; i <= 40; ++i)
        recipes.append(recipe(i, QString("Dish %1").arg(i, 2, 10, QChar('0'))));
    write(recipes);
    progress.cancelAtValue = MGImporter::kBatchSize;
    MGImporter importer(progress, environment());
    importer.importMGDatabaseAtPath(package);
    // Nothing is made before the run loop turns.
    EXPECT_TRUE(importer.isImporting());
    EXPECT_TRUE(progress.sheetUp);
    EXPECT_FALSE(progress.menusEnabled);
    EXPECT_EQ(context->undoManager(), nullptr);
    EXPECT_TRUE(fetchAll("Recipe").isEmpty());

    clock.advance(0);
    EXPECT_FALSE(importer.isImporting());
    expectEndedCleanly();
    openStack();
    EXPECT_EQ(recipeNames().size(), MGImporter::kBatchSize);
    EXPECT_EQ(recipeNames().last(), "Dish 15");
}

TEST_F(MGImporterTest, PackageWithoutDatabaseIsNeitherOpenedNorMade)
{
    ASSERT_TRUE(QDir().mkpath(package));
    const QString notAFolder = dir.filePath("file.mgdatabase");
    QFile file(notAFolder);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    for (const QString& path : { package, notAFolder, dir.filePath("nowhere.mgdatabase") }) {
        Log::Capture log;
        MGImporter importer(progress, environment());
        importer.importMGDatabaseAtPath(path);
        EXPECT_FALSE(importer.isImporting());
        EXPECT_TRUE(log.contains("Can't open database"));
    }
    EXPECT_FALSE(QFile::exists(MGDatabaseGenerator::databasePath(package)));
    EXPECT_EQ(progress.begun, 0);
    EXPECT_EQ(services.presentedErrors.size(), 3);
    EXPECT_EQ(context->undoManager(), &undoManager);
}

TEST_F(MGImporterTest, FailingQueryEndsTheImportWithWhatWasSaved)
{
    struct Case {
        const char* breakage;
        int imported;
    };
    const QList<Case> cases = {
        { "ALTER TABLE recipe DROP COLUMN servings", 0 },
        { "DROP TABLE ingredient", 0 },
        { "DROP TABLE cuisine", 0 },
        { "DROP TABLE image", 0 },
        { "ALTER TABLE recipe_category_join RENAME TO joined", 0 },
    };
    for (const Case& c : cases) {
        write({ recipe(1, "One", { ingredient("1", "", "egg") }), recipe(2, "Two") });
        ASSERT_TRUE(MGDatabaseGenerator::execute(package, c.breakage)) << c.breakage;
        progress = FakeMGImportProgress();
        Log::Capture log;
        importPackage();
        EXPECT_TRUE(log.contains("SQL error")) << c.breakage;
        expectEndedCleanly();
        EXPECT_EQ(fetchAll("Recipe").size(), c.imported) << c.breakage;
    }
}

TEST_F(MGImporterTest, DamagedDatabaseFileEndsTheImportAtOnce)
{
    ASSERT_TRUE(QDir().mkpath(package));
    QFile file(MGDatabaseGenerator::databasePath(package));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, '\x5a'));
    file.close();
    Log::Capture log;
    importPackage();
    EXPECT_TRUE(log.contains("SQL error"));
    expectEndedCleanly();
    EXPECT_TRUE(fetchAll("Recipe").isEmpty());
}

TEST_F(MGImporterTest, HostileValuesAreReadAsData)
{
    // Text that would change the statements if they were spliced together.
    Recipe injected = recipe(0, "Injected");
    injected.recipeID = "0 or 1=1";
    Recipe quoted = recipe(5, "Quote's \"name\"; DROP TABLE recipe; --");
    quoted.category = "Desserts";
    // Picture names that reach out of the package's picture folder.
    Recipe climber = recipe(6, "Climber");
    climber.pictureFileName = "../../../outside";
    climber.writePicture = false;
    Recipe nested = recipe(7, "Nested");
    nested.pictureFileName = "sub/picture";
    nested.writePicture = false;
    Recipe linked = recipe(8, "Linked");
    linked.pictureFileName = "link";
    linked.writePicture = false;
    // Dates and ratings that are no numbers or out of every range.
    Recipe odd = recipe(10, "Odd");
    odd.columns.insert(
        { { "date_created", "yesterday" }, { "date_last_modified", "1e300" }, { "rating", "nan" } });
    Recipe high = recipe(11, "High");
    high.columns.insert({ { "rating", "99" } });
    write({ injected, quoted, climber, nested, linked, odd, high });

    QImage outside(8, 8, QImage::Format_RGB32);
    outside.fill(Qt::red);
    ASSERT_TRUE(outside.save(dir.filePath("outside.jpg"), "JPEG"));
    ASSERT_TRUE(QDir(package).mkpath("Images/Recipes/sub"));
    ASSERT_TRUE(outside.save(QDir(package).filePath("Images/Recipes/sub/picture.jpg"), "JPEG"));
    ASSERT_TRUE(QFile::link(dir.filePath("outside.jpg"), QDir(package).filePath("Images/Recipes/link.jpg")));

    Log::Capture log;
    importPackage();
    expectEndedCleanly();
    EXPECT_FALSE(log.contains("SQL error"));
    EXPECT_EQ(recipeNames().size(), 7);
    EXPECT_FALSE(recipeNamed("Injected")->objectForKey("category"));
    EXPECT_EQ(
        recipeNamed("Quote's \"name\"; DROP TABLE recipe; --")->valueForKeyPath("category.name").toString(),
        "Desserts");
    for (const char* name : { "Climber", "Nested", "Linked" })
        EXPECT_FALSE(recipeNamed(name)->valueForKey("hasImage").toBool()) << name;
    RecipeMO* oddRecipe = recipeNamed("Odd");
    EXPECT_TRUE(oddRecipe->valueForKey("dateAdded").toDateTime().isValid());
    EXPECT_FALSE(oddRecipe->valueForKey("dateModified").toDateTime().isValid());
    EXPECT_FALSE(oddRecipe->valueForKey("ratedLocally").toBool());
    EXPECT_DOUBLE_EQ(recipeNamed("High")->valueForKey("rating").toDouble(), 5.0);
}

TEST_F(MGImporterTest, FailedPeriodicSaveEndsTheImportAndIsShownOnce)
{
    QList<Recipe> recipes;
    for (int i = 1; i <= 20; ++i)
        recipes.append(recipe(i, QString("Dish %1").arg(i)));
    write(recipes);
    saveInterval = -1; // a save after every recipe
    failSavesFrom = 2;
    Log::Capture log;
    importPackage();
    expectEndedCleanly();
    EXPECT_EQ(services.presentedErrors.size(), 1);
    EXPECT_EQ(services.presentedErrors.first().localizedDescription, "The disk is full.");
    EXPECT_TRUE(log.contains("Error while saving"));
    // Two periodic saves went through, the third failed and the final one failed too.
    EXPECT_EQ(saveCalls, 4);
    openStack();
    EXPECT_EQ(recipeNames().size(), 2);
}

TEST_F(MGImporterTest, FailedFinalSaveIsShownOnce)
{
    write({ recipe(1, "One"), recipe(2, "Two") });
    failSavesFrom = 0;
    importPackage();
    expectEndedCleanly();
    EXPECT_EQ(services.presentedErrors.size(), 1);
    EXPECT_TRUE(progress.alerts.isEmpty());
}

TEST_F(MGImporterTest, RecipeThatCannotBeMadeIsSkipped)
{
    write({ recipe(1, "One"), recipe(2, "Broken"), recipe(3, "Three") });
    MGImporter::Environment env = environment();
    TaggedTextBlockImporter blocks;
    env.recipeFromBlocks = [&blocks](const QVariantMap& dictionary) -> RecipeMO* {
        if (dictionary.value("name") == "Broken")
            throw std::runtime_error("unreadable recipe");
        return blocks.recipeFromTaggedTextBlocks(dictionary);
    };
    Log::Capture log;
    MGImporter importer(progress, env);
    importPackage(importer);
    expectEndedCleanly();
    EXPECT_TRUE(log.contains("Skipping Recipe: Broken -- exception: unreadable recipe"));
    EXPECT_TRUE(services.presentedErrors.isEmpty());
    EXPECT_EQ(recipeNames(), (QStringList { "One", "Three" }));
}

TEST_F(MGImporterTest, SecondSaveFailureAfterABrokenRecipeStopsTheImportCleanly)
{
    QList<Recipe> recipes = { recipe(1, "One"), recipe(2, "Broken") };
    for (int i = 3; i <= 30; ++i)
        recipes.append(recipe(i, QString("Dish %1").arg(i)));
    write(recipes);
    failSavesFrom = 0;
    MGImporter::Environment env = environment();
    TaggedTextBlockImporter blocks;
    int made = 0;
    env.recipeFromBlocks = [&](const QVariantMap& dictionary) -> RecipeMO* {
        ++made;
        RecipeMO* recipe = blocks.recipeFromTaggedTextBlocks(dictionary);
        return dictionary.value("name") == "Broken" ? nullptr : recipe;
    };
    {
        MGImporter importer(progress, env);
        importPackage(importer);
        EXPECT_EQ(progress.alerts.size(), 1);
        EXPECT_EQ(services.presentedErrors.size(), 1);
        // Nothing ran after the import ended: no further recipe, no query, no batch.
        EXPECT_EQ(made, 2);
        expectEndedCleanly();
    }
    // The importer can go and come again.
    failSavesFrom = -1;
    services.presentedErrors.clear();
    MGImporter again(progress, environment());
    importPackage(again);
    EXPECT_EQ(progress.begun, 2);
    EXPECT_TRUE(services.presentedErrors.isEmpty());
}

TEST_F(MGImporterTest, ImporterGoneWhileRunningLeavesNothingBehind)
{
    write({ recipe(1, "One") });
    {
        MGImporter importer(progress, environment());
        importer.importMGDatabaseAtPath(package);
        importer.importMGDatabaseAtPath(package); // refused while one runs
        EXPECT_EQ(progress.begun, 1);
    }
    EXPECT_EQ(context->undoManager(), &undoManager);
    clock.advance(0);
    EXPECT_TRUE(fetchAll("Recipe").isEmpty());
}
