#include "Completions.h"

#include "EntityDescription.h"
#include "FakeKitchoraServices.h"
#include "KRTrieBucket.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ParsingEngine.h"
#include "PersistentStoreCoordinator.h"

#include <gtest/gtest.h>

namespace
{

const char* const kModel = R"({
  "version": 2,
  "entities": [
    {"name": "Category", "attributes": [{"name": "name", "type": "string"}]},
    {"name": "Ingredient", "attributes": [{"name": "name", "type": "string"}]},
    {"name": "Line", "attributes": [{"name": "text", "type": "string"}]}
  ]
})";

// A library held in memory: a model, a coordinator without stores and a main context, with an
// engine whose ingredient trie holds the library's Ingredient objects.
class CompletionsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QString error;
        model = ManagedObjectModel::modelWithJSON(kModel, &error);
        ASSERT_TRUE(model) << error.toStdString();
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        context.setPersistentStoreCoordinator(coordinator.get());
        for (const char* name : { "tomato", "tomato paste", "Salt", "oregano" })
            addIngredient(QString::fromUtf8(name));
    }

    ManagedObject* insert(const QString& entity, const QString& name)
    {
        ManagedObject* object = EntityDescription::insertNewObjectForEntityForName(entity, &context);
        object->setValueForKey(name, QStringLiteral("name"));
        return object;
    }

    void addIngredient(const QString& name)
    {
        ManagedObject* object = insert(QStringLiteral("Ingredient"), name);
        ingredients.addBucket(
            KRTrieBucket::bucketWithObject(QVariant::fromValue<KeyValueCoding*>(object)), name);
    }

    const EntityDescription* entity(const char* name) const
    {
        return model->entityNamed(QString::fromUtf8(name));
    }

    Completions completions()
    {
        return Completions({ [this] { return &engine; }, [this] { return &context; },
            [this](const Error& error) { presented.append(error.localizedDescription); } });
    }

    std::unique_ptr<ManagedObjectModel> model;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    ManagedObjectContext context;
    OFTrie ingredients { false };
    ParsingEngine engine { { "torn", "toasted", "finely chopped" },
        { "tablespoon", "tbsp", "teaspoon", "cup" },
        [this] { return std::shared_ptr<const OFTrie>(std::shared_ptr<const OFTrie>(), &ingredients); } };
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
    const Completions c = completions();
    for (const IngredientCase& test : cases) {
        std::optional<QStringList> list
            = c.completionsArrayForString(QString::fromUtf8(test.typed), entity("Ingredient"));
        ASSERT_TRUE(list) << test.typed;
        EXPECT_EQ(*list, test.list) << test.typed;
    }
}

TEST_F(CompletionsTest, IngredientsWithoutObjectAreLeftOut)
{
    ingredients.addBucket(KRTrieBucket::bucketWithObject(QVariant()), QStringLiteral("tomatillo"));
    EXPECT_EQ(completions().completionsArrayForString(QStringLiteral("tom"), entity("Ingredient")),
        (QStringList { "tom", "tomato", "tomato paste" }));
}

struct NameCase {
    const char* typed;
    std::optional<QStringList> list;
};

TEST_F(CompletionsTest, OtherFieldsCompleteFromTheLibrary)
{
    for (const char* name : { "Italian", "dessert", "Dinner", "Category", "Desserts" })
        insert(QStringLiteral("Category"), QString::fromUtf8(name));
    const NameCase cases[] = {
        { "d", QStringList { "d", "Desserts", "Dinner", "dessert" } },
        { "DES", QStringList { "DES", "Desserts", "dessert" } },
        { "Dinner", std::nullopt }, // already complete
        { "dinner", QStringList { "dinner", "Dinner" } },
        { "Cat", QStringList { "Cat" } }, // the placeholder named like its entity never completes
        { "zz", QStringList { "zz" } },
        { "", std::nullopt },
    };
    const Completions c = completions();
    for (const NameCase& test : cases)
        EXPECT_EQ(c.completionsArrayForString(QString::fromUtf8(test.typed), entity("Category")), test.list)
            << test.typed;
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("a"), nullptr), std::nullopt);
    EXPECT_TRUE(presented.isEmpty());
}

TEST_F(CompletionsTest, NoLibraryObjectsOrNoNameGiveNoList)
{
    const Completions c = completions();
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("d"), entity("Category")), std::nullopt);
    EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Line"), &context);
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("d"), entity("Line")), std::nullopt);
}

TEST_F(CompletionsTest, AFailedFetchIsPresented)
{
    ManagedObjectContext detached;
    Completions c({ [this] { return &engine; }, [&] { return &detached; },
        [this](const Error& error) { presented.append(error.localizedDescription); } });
    EXPECT_EQ(c.completionsArrayForString(QStringLiteral("d"), entity("Category")), std::nullopt);
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
    insert(QStringLiteral("Category"), QStringLiteral("Dessert"));
    Completions& shared = Completions::sharedCompletions();
    EXPECT_EQ(&shared, &Completions::sharedCompletions());
    EXPECT_EQ(shared.completionsArrayForString(QStringLiteral("d"), entity("Category")), std::nullopt);

    FakeKitchoraServices services;
    services.context = &context;
    EXPECT_EQ(shared.completionsArrayForString(QStringLiteral("d"), entity("Category")),
        (QStringList { "d", "Dessert" }));

    ManagedObjectContext detached;
    services.context = &detached;
    EXPECT_EQ(shared.completionsArrayForString(QStringLiteral("d"), entity("Category")), std::nullopt);
    EXPECT_EQ(services.presentedErrors.size(), 1);
    Completions::rebuildCompletions();
}

} // namespace
