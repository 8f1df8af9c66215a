#include "Completions.h"

#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "ModelStoreFixture.h"
#include "ParsingEngine.h"

#include <gtest/gtest.h>

namespace
{

// The library's main context with a few categories, and an engine whose ingredient trie holds
// a few Ingredients of that context.
class CompletionsTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        for (const char* name : { "tomato", "tomato paste", "Salt", "oregano" })
            ingredients->addIngredient(insertNamed("Ingredient", name));
    }

    void TearDown() override
    {
        Completions::rebuildCompletions();
        IngredientTrie::rebuildIngredientTries();
        ModelStoreFixture::TearDown();
    }

    ManagedObject* insertNamed(const char* entity, const char* name)
    {
        ManagedObject* object = insert(QString::fromUtf8(entity));
        object->setPrimitiveValue(QString::fromUtf8(name), QStringLiteral("name"));
        return object;
    }

    const EntityDescription* entity(const char* name) const
    {
        return model->entityNamed(QString::fromUtf8(name));
    }

    Completions completions(ManagedObjectContext* library)
    {
        return Completions({ [this] { return &engine; }, [library] { return library; },
            [this](const Error& error) { presented.append(error.localizedDescription); } });
    }

    std::shared_ptr<IngredientTrie> ingredients = std::make_shared<IngredientTrie>();
    ParsingEngine engine { { "torn", "toasted", "finely chopped" },
        { "tablespoon", "tbsp", "teaspoon", "cup" }, [this] { return ingredients; } };
    QStringList presented;
};

struct IngredientCase {
    const char* typed;
    QStringList list;
};

TEST_F(CompletionsTest, IngredientFieldsCompleteFromTheThreeTries)
{
    const IngredientCase cases[] = {
        // typed text first, then ingredients, modifiers and unit names, each in key order
        { "tom", { "tom", "tomato", "tomato paste" } },
        { "TO", { "TO", "tomato", "tomato paste", "toasted", "torn" } },
        { "t", { "t", "tomato", "tomato paste", "toasted", "torn", "tablespoon", "tbsp", "teaspoon" } },
        { "tomato", { "tomato", "tomato paste" } },
        // a stored name that differs from the typed text only in case is not offered again
        { "salt", { "salt" } },
        { "sal", { "sal", "Salt" } },
        { "xyz", { "xyz" } },
        { "", { "" } },
    };
    const Completions c = completions(context.get());
    for (const IngredientCase& test : cases) {
        std::optional<QStringList> list
            = c.completionsArrayForString(QString::fromUtf8(test.typed), entity("Ingredient"));
        ASSERT_TRUE(list) << test.typed;
        EXPECT_EQ(*list, test.list) << test.typed;
    }
}

TEST_F(CompletionsTest, RenamedOrDeletedIngredientsAreLeftOut)
{
    ManagedObject* tomatillo = insertNamed("Ingredient", "tomatillo");
    ingredients->addIngredient(tomatillo);
    ingredients->addIngredient(insertNamed("Ingredient", "tomme"));
    ingredients->forgetIngredient(tomatillo, QStringLiteral("tomatillo"));
    context->deleteObject(ingredients->ingredientObjectForKey(QStringLiteral("tomme")));
    EXPECT_EQ(
        completions(context.get()).completionsArrayForString(QStringLiteral("tom"), entity("Ingredient")),
        (QStringList { "tom", "tomato", "tomato paste" }));
}

struct NameCase {
    const char* typed;
    std::optional<QStringList> list;
};

TEST_F(CompletionsTest, OtherFieldsCompleteFromTheLibrary)
{
    for (const char* name : { "Italian", "dessert", "Dinner", "Category", "Desserts" })
        insertNamed("Category", name);
    const NameCase cases[] = {
        { "d", QStringList { "d", "Desserts", "Dinner", "dessert" } },
        { "DES", QStringList { "DES", "Desserts", "dessert" } },
        { "Dinner", std::nullopt }, // already complete
        { "dinner", QStringList { "dinner", "Dinner" } },
        { "Cat", QStringList { "Cat" } }, // the placeholder named like its entity never completes
        { "zz", QStringList { "zz" } },
        { "", std::nullopt },
    };
    const Completions c = completions(context.get());
    for (const NameCase& test : cases)
        EXPECT_EQ(c.completionsArrayForString(QString::fromUtf8(test.typed), entity("Category")), test.list)
            << test.typed;
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("a"), nullptr), std::nullopt);
    EXPECT_TRUE(presented.isEmpty());
}

TEST_F(CompletionsTest, NoLibraryObjectsOrNoNameGiveNoList)
{
    const Completions c = completions(context.get());
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("d"), entity("Cuisine")), std::nullopt);
    insert(QStringLiteral("Direction"));
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("d"), entity("Direction")), std::nullopt);
    EXPECT_EQ(
        completions(nullptr).completionsArrayForString(QStringLiteral("d"), entity("Cuisine")), std::nullopt);
}

TEST_F(CompletionsTest, AFailedFetchIsPresented)
{
    ManagedObjectContext detached;
    EXPECT_EQ(completions(&detached).completionsArrayForString(QStringLiteral("d"), entity("Category")),
        std::nullopt);
    EXPECT_EQ(presented.size(), 1);
}

TEST(CompletionsArrayTest, PrefixFilterOverNames)
{
    const QStringList names { "Thai", "thyme", "Tex-Mex", "Italian" };
    EXPECT_EQ(CompletionsArray::subarrayWithCompletionsForString(names, QStringLiteral("th")),
        (QStringList { "th", "Thai", "thyme" }));
    EXPECT_EQ(
        CompletionsArray::subarrayWithCompletionsForString(names, QStringLiteral("Thai")), std::nullopt);
    EXPECT_EQ(CompletionsArray::subarrayWithCompletionsForString(names, QStringLiteral("thai")),
        (QStringList { "thai", "Thai" }));
    EXPECT_EQ(
        CompletionsArray::subarrayWithCompletionsForString(names, QStringLiteral("(null)")), std::nullopt);
    EXPECT_EQ(CompletionsArray::subarrayWithCompletionsForString(QStringList(), QStringLiteral("th")),
        std::nullopt);
}

TEST_F(CompletionsTest, SharedInstanceAsksTheInstalledServices)
{
    insertNamed("Category", "Dessert");
    Completions& shared = Completions::sharedCompletions();
    EXPECT_EQ(&shared, &Completions::sharedCompletions());
    EXPECT_EQ(shared.completionsArrayForString(QStringLiteral("d"), entity("Category")),
        (QStringList { "d", "Dessert" }));
    // The default ingredient trie of the main context holds the shipped names.
    const std::optional<QStringList> flour
        = shared.completionsArrayForString(QStringLiteral("all-purpose f"), entity("Ingredient"));
    ASSERT_TRUE(flour);
    EXPECT_TRUE(flour->contains(QStringLiteral("all-purpose flour")));

    ManagedObjectContext detached;
    services.context = &detached;
    EXPECT_EQ(shared.completionsArrayForString(QStringLiteral("d"), entity("Category")), std::nullopt);
    EXPECT_EQ(services.presentedErrors.size(), 1);
    services.context = context.get();

    KitchoraServices::setShared(nullptr);
    EXPECT_EQ(shared.completionsArrayForString(QStringLiteral("d"), entity("Category")), std::nullopt);
    KitchoraServices::setShared(&services);
}

} // namespace
