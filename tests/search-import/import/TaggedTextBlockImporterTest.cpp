#include "TaggedTextBlockImporter.h"

#include "ImportFixture.h"
#include "IngredientMO.h"
#include "Log.h"
#include "RecipeIngredientMO.h"

#include <gtest/gtest.h>

namespace
{

class TaggedTextBlockImporterTest : public ImportFixture
{
protected:
    RecipeMO* import(const QVariantMap& blocks)
    {
        RecipeMO* recipe = importer.recipeFromTaggedTextBlocks(blocks);
        EXPECT_TRUE(recipe);
        return recipe;
    }

    TaggedTextBlockImporter importer;
};

} // namespace

TEST_F(TaggedTextBlockImporterTest, SingleFieldsByLabel)
{
    struct Case {
        const char* label;
        const char* text;
        const char* key;
        const char* expected;
    };
    const QList<Case> cases = {
        { "Name", "\"Apple Pie\"", "name", "Apple Pie" },
        { "Name", "APPLE PIE", "name", "Apple Pie" },
        { "Name", "apple pie", "name", "Apple Pie" },
        { "Name", "  Name: Apple pie\n", "name", "Apple pie" },
        { "Name",
            "\xCB\x9D"
            "Quoted\xCA\xBA",
            "name", "Quoted" },
        { "Category", "apple pie", "category.name", "apple pie" },
        { "Category", "DESSERTS", "category.name", "Desserts" },
        { "Cuisine", "french", "cuisine.name", "french" },
        { "Yield", "two loaves", "yield", "two loaves" },
        { "Yield", "Yield: 2 loaves", "yield", "2 loaves" },
        { "Time", "an hour", "totalTime", "an hour" },
        { "From", "grandma", "kitchen.name", "grandma" },
        { "Description", "A TART", "recipeDescription", "A Tart" },
        { "Description", ": flaky and sweet", "recipeDescription", "flaky and sweet" },
        // A label later in the text stays.
        { "Description", "Our description: flaky", "recipeDescription", "Our description: flaky" },
        // The database import passes key paths too.
        { "name", "tarte tatin", "name", "Tarte Tatin" },
        { "yield", "6", "yield", "6" },
    };
    for (const Case& c : cases) {
        RecipeMO* recipe = import({ { QString::fromUtf8(c.label), QString::fromUtf8(c.text) } });
        ASSERT_TRUE(recipe);
        EXPECT_EQ(recipe->valueForKeyPath(QString::fromUtf8(c.key)).toString(), QString::fromUtf8(c.expected))
            << c.label << ": " << c.text;
    }
}

TEST_F(TaggedTextBlockImporterTest, IngredientLinesDropBulletsAndEmptyLines)
{
    struct Case {
        const char* block;
        QStringList expected;
    };
    const QList<Case> cases = {
        { "Ingredients: 2 cups flour", { "2 cups flour" } },
        { "INGREDIENTS 2 eggs", { "2 eggs" } },
        { "Use these ingredients: flour", { "Use these ingredients: flour" } },
        { "\xE2\x80\xA2 1 cup sugar\n\n- 2 eggs\n***", { "1 cup sugar", "2 eggs" } },
        { "(1 tsp salt (optional))\r\n* 3\t  apples ,", { "1 tsp salt (optional))", "3 apples" } },
        { "\"1 lemon\"\n-- \n...\n", { "1 lemon", "..." } },
    };
    for (const Case& c : cases) {
        RecipeMO* recipe = import({ { "Ingredients", QString::fromUtf8(c.block) } });
        ASSERT_TRUE(recipe);
        EXPECT_EQ(itemTexts(recipe, "ingredients"), c.expected) << c.block;
    }
    // Each line went through the line parser.
    RecipeMO* recipe = import({ { "Ingredients", "2 cups flour" } });
    auto* line = dynamic_cast<RecipeIngredientMO*>(recipe->sortedItemsForKey("ingredients").at(0));
    ASSERT_TRUE(line);
    ASSERT_TRUE(line->baseIngredient());
    EXPECT_EQ(line->baseIngredient()->name(), "flour");
}

TEST_F(TaggedTextBlockImporterTest, DirectionStepsJoinContinuedLines)
{
    // "butter" starts a known ingredient, "Then" and "Serve" do not.
    ASSERT_TRUE(IngredientTrie::ingredientTrieForContext(context.get())->addIngredient("butter"));
    struct Case {
        const char* block;
        QStringList expected;
    };
    const QList<Case> cases = {
        { "1. Preheat the oven\nto 200 degrees.\n2. Mix well\nThen bake",
            { "Preheat the oven to 200 degrees.", "Mix well", "Then bake" } },
        { "350 degrees for an hour", { "degrees for an hour" } },
        { "Melt  it\nbutter\tand sugar\n\nstir\n", { "Melt it butter and sugar", "stir" } },
        { "Melt the\nButter slowly\nServe", { "Melt the Butter slowly", "Serve" } },
        { "3)  Whisk\t eggs.\nadd milk", { "Whisk eggs.", "add milk" } },
        // No letter at all: the list keeps its empty placeholder step.
        { "12.\n\n---", { "" } },
    };
    for (const Case& c : cases) {
        RecipeMO* recipe = import({ { "Directions", QString::fromUtf8(c.block) } });
        ASSERT_TRUE(recipe);
        EXPECT_EQ(itemTexts(recipe, "directions"), c.expected) << c.block;
    }
}

TEST_F(TaggedTextBlockImporterTest, NotesOnePerLine)
{
    struct Case {
        const char* key;
        const char* block;
        QStringList expected;
    };
    const QList<Case> cases = {
        { "Notes", "Notes: serve warm", { "serve warm" } },
        // The block is trimmed first, so only a line end inside it leaves a space.
        { "Notes", "Note: keeps well\nfreezes\n", { "keeps well", "freezes" } },
        { "Notes", "Notebook", { "book" } },
        { "Notes", "- chill first\n- and then slice", { "chill first ", "and then slice" } },
        { "Notes", "Note", { "Note" } },
        { "Notes", "Note:\nsecond", { "second" } },
    };
    for (const Case& c : cases) {
        RecipeMO* recipe = import({ { c.key, QString::fromUtf8(c.block) } });
        ASSERT_TRUE(recipe);
        EXPECT_EQ(itemTexts(recipe, "notes"), c.expected) << c.block;
    }
}

TEST_F(TaggedTextBlockImporterTest, OnlyNameKeepsOnePlaceholderPerListAndFilesTheRecipe)
{
    RecipeMO* recipe = import(
        { { "Name", "Soup" }, { "recipe_id", "12" }, { "Notes", QVariant(3) }, { "Directions", "  \n " } });
    ASSERT_TRUE(recipe);
    for (const char* key : { "ingredients", "directions", "notes" })
        EXPECT_EQ(itemTexts(recipe, key), QStringList { QString() }) << key;
    EXPECT_TRUE(recipesIn(services.imported).contains(recipe));
    EXPECT_TRUE(recipesIn(services.library).contains(recipe));
    EXPECT_TRUE(recipe->valueForKey("changedSharing").toBool());
    EXPECT_FALSE(recipe->valueForKey("defaultValues").toBool());
    EXPECT_FALSE(recipe->objectForKey("category"));
    EXPECT_TRUE(save());
}

TEST_F(TaggedTextBlockImporterTest, EmptyDictionaryKeepsTheDefaultsOfANewRecipe)
{
    RecipeMO* recipe = import({});
    ASSERT_TRUE(recipe);
    EXPECT_TRUE(recipe->valueForKey("defaultValues").toBool());
    EXPECT_EQ(recipe->objectsForKey("ingredients").size(), 1);
    EXPECT_TRUE(recipesIn(services.imported).contains(recipe));
}

TEST_F(TaggedTextBlockImporterTest, SecondBlockOfAListReplacesTheFirstWithoutStrays)
{
    // "Ingredients" comes before "ingredients" in the dictionary: the later block wins.
    RecipeMO* recipe = import({ { "Ingredients", "1 egg\n2 figs" }, { "ingredients", "3 plums" } });
    ASSERT_TRUE(recipe);
    EXPECT_EQ(itemTexts(recipe, "ingredients"), QStringList { "3 plums" });
    EXPECT_TRUE(save());
    EXPECT_EQ(fetchAll("RecipeIngredient").size(), 1);
}

TEST_F(TaggedTextBlockImporterTest, RecentImportsKeepOnlyTheNewest)
{
    defaults.defaults().setInteger(2, "KRSavedImportsCount");
    QList<RecipeMO*> recipes;
    for (int i = 0; i < 3; ++i) {
        recipes.append(import({ { "Name", QString("Dish %1").arg(i) } }));
        recipes.last()->setValueForKey(QDateTime::currentDateTime().addSecs(i), "dateAdded");
    }
    import({ { "Name", "Last" } });
    EXPECT_EQ(recipesIn(services.imported).size(), 2);
    EXPECT_FALSE(recipesIn(services.imported).contains(recipes.first()));
    EXPECT_TRUE(recipesIn(services.library).contains(recipes.first()));
}

TEST_F(TaggedTextBlockImporterTest, NoMainContextMakesNothing)
{
    services.context = nullptr;
    Log::Capture log;
    EXPECT_EQ(importer.recipeFromTaggedTextBlocks({ { "Name", "Soup" } }), nullptr);
    EXPECT_TRUE(log.contains("TaggedTextBlockImporter"));
}
