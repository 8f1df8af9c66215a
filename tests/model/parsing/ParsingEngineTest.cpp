#include "ParsingEngine.h"

#include "IngredientMO.h"
#include "ModelStoreFixture.h"

#include <QHash>
#include <QStringList>
#include <gtest/gtest.h>

namespace
{

// An ingredient trie of its own over Ingredients of the fixture's context.
class Pantry
{
public:
    Pantry(ManagedObjectContext* context, const QStringList& names)
        : m_context(context)
    {
        for (const QString& name : names)
            add(name);
    }
    IngredientMO* add(const QString& name)
    {
        auto* ingredient = static_cast<IngredientMO*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), m_context));
        ingredient->setPrimitiveValue(name, QStringLiteral("name"));
        m_trie->addIngredient(ingredient);
        m_objects.insert(name, ingredient);
        return ingredient;
    }
    // Leaves the name's key without its object, as renaming the ingredient does.
    void forget(const QString& name) { m_trie->forgetIngredient(m_objects.value(name), name); }
    IngredientMO* object(const QString& name) const { return m_objects.value(name); }
    const std::shared_ptr<IngredientTrie>& trie() const { return m_trie; }

private:
    ManagedObjectContext* m_context;
    std::shared_ptr<IngredientTrie> m_trie = std::make_shared<IngredientTrie>();
    QHash<QString, IngredientMO*> m_objects;
};

QStringList namesOf(const QList<IngredientMO*>& objects)
{
    QStringList names;
    for (const IngredientMO* object : objects)
        names << object->name();
    return names;
}

const QStringList kModifiers
    = { "chopped", "finely chopped", "sifted", "minced", "to taste", "softened", "diced" };
const QStringList kUnits = { "cup", "cups", "c.", "teaspoon", "teaspoons", "tsp", "tablespoon", "tablespoons",
    "tbsp", "pound", "lb", "ounce", "oz", "inch", "g", "can", "clove", "cloves", "pinch", "ml" };
const QStringList kIngredients = { "flour", "all-purpose flour", "sugar", "brown sugar", "salt", "butter",
    "eggs", "green pepper", "pepper", "tomatoes", "onion", "garlic", "baking soda", "vanilla extract", "milk",
    "chocolate chips", "water" };

class ParsingEngineTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        pantry = std::make_unique<Pantry>(context.get(), kIngredients);
    }
    void TearDown() override
    {
        pantry.reset();
        ModelStoreFixture::TearDown();
    }

    std::unique_ptr<Pantry> pantry;
    ParsingEngine engine { kModifiers, kUnits, [this] { return pantry->trie(); } };
};

struct LineCase {
    const char* line;
    bool measure;
    bool modifier;
    int ingredients;
};

TEST_F(ParsingEngineTest, LineTestsFindWordsAndPhrasesAnywhereInTheLine)
{
    const LineCase cases[] = {
        { "2 cups flour", true, false, 1 },
        // The line's last word counts, whatever ends the line.
        { "2 cups flour\n", true, false, 1 },
        { "1 cup sugar\r\n", true, false, 1 },
        { "salt to taste\n", false, true, 1 },
        { "3 tbsp butter softened\u2029", true, true, 1 },
        { "3 tbsp butter, softened", true, true, 0 }, // "butter," is no name
        { "1 onion, finely chopped", false, true, 0 },
        { "1 green pepper", false, false, 2 }, // "green pepper" and "pepper" start at two pieces
        { "1 1/2 cups all-purpose flour\n", true, false, 2 }, // and "flour"
        { "1/2 teaspoon baking soda", true, false, 1 },
        { "2 eggs", false, false, 1 },
        { "2 cups brown sugar and 2 eggs", true, false, 3 },
        { "Cream the butter and sugar together.", false, false, 2 },
        { "Makes 24 cookies", false, false, 0 },
        // Pieces are split at single spaces only: punctuation sticks to its word.
        { "flour, sugar", false, false, 1 },
        { "2  cups", true, false, 0 },
        { "", false, false, 0 },
        { "\n", false, false, 0 },
        { "CUPS OF SUGAR", true, false, 1 },
        { "teaspoons", true, false, 0 },
        { "a pinch", true, false, 0 },
    };
    for (const LineCase& c : cases) {
        const QString line = QString::fromUtf8(c.line);
        EXPECT_EQ(engine.lineContainsMeasure(line), c.measure) << c.line;
        EXPECT_EQ(engine.lineContainsModifier(line), c.modifier) << c.line;
        EXPECT_EQ(engine.lineIngredientCount(line), c.ingredients) << c.line;
    }
}

TEST_F(ParsingEngineTest, RenamedOrDeletedIngredientsAreNotCounted)
{
    EXPECT_EQ(engine.lineIngredientCount(u"1 cup milk"), 1);
    pantry->forget(QStringLiteral("milk"));
    EXPECT_EQ(engine.lineIngredientCount(u"1 cup milk"), 0);
    pantry->add(QStringLiteral("milk"));
    EXPECT_EQ(engine.lineIngredientCount(u"1 cup milk"), 1);
    context->deleteObject(pantry->object(QStringLiteral("milk")));
    EXPECT_EQ(engine.lineIngredientCount(u"1 cup milk"), 0);
}

TEST(ParsingEngineWithoutIngredients, CountsNothingAndStillScores)
{
    ParsingEngine engine(kModifiers, kUnits);
    EXPECT_EQ(engine.ingredientTrie(), nullptr);
    EXPECT_EQ(engine.lineIngredientCount(u"2 cups flour"), 0);
    EXPECT_EQ(engine.probabilityLineIsIngredientLine(u"2 cups flour, sifted"), 3);
}

struct ScoreCase {
    const char* line;
    int score;
};

TEST_F(ParsingEngineTest, IngredientLineScores)
{
    const ScoreCase cases[] = {
        { "2 cups flour", 3 + 1 - 1 },
        { "2 cups flour\n", 3 + 1 - 1 },
        { "1 cup butter, softened", 1 + 1 + 1 },
        { "1 cup butter softened", 3 + 1 + 1 },
        { "1 onion finely chopped\n", 3 - 1 + 1 },
        { "1 green pepper", 2 - 1 - 1 },
        { "2 cups sifted flour", 3 + 1 + 1 },
        { "salt", 3 - 1 - 1 },
        { "2 cups brown sugar and 2 eggs", 0 + 1 - 1 },
        { "1 cup brown sugar", 2 + 1 - 1 },
        { "Mix the flour, salt, butter, sugar and eggs.", 3 - 1 - 1 }, // only "sugar" stands alone
        { "Mix the flour and salt with butter, sugar and eggs", 0 - 1 - 1 },
        { "Serves 4", 1 - 1 - 1 },
        { "", 1 - 1 - 1 + 1 },
        { "\n", 1 - 1 - 1 + 1 },
        { "c.", 1 + 1 - 1 + 1 },
    };
    for (const ScoreCase& c : cases)
        EXPECT_EQ(engine.probabilityLineIsIngredientLine(QString::fromUtf8(c.line)), c.score) << c.line;
}

TEST_F(ParsingEngineTest, DirectionLineScores)
{
    const ScoreCase cases[] = {
        // leading number, full stop, ingredients, measure, short line
        { "1. Cream the butter and sugar in a large bowl until light and fluffy.", 2 + 1 + 2 + 0 + 0 },
        { "  2. Add the eggs one at a time, beating well after each.\n", 2 + 1 + 1 + 0 + 0 },
        { "Stir in 2 cups flour and a pinch of salt until just combined", -1 - 1 + 2 + 1 + 0 },
        { "Bake for 10 minutes.", -1 + 1 - 1 + 0 - 1 },
        { "-3 Whisk the milk.", 2 + 1 - 1 + 0 - 1 },
        { "Whisk in the milk", -1 - 1 + 1 + 0 - 1 },
        { "0. Whisk", -1 - 1 - 1 + 0 - 1 },
        { "Ingredients", -1 - 1 - 1 + 0 - 1 },
        { "", -4 },
        { " \t\n", -4 },
    };
    for (const ScoreCase& c : cases)
        EXPECT_EQ(engine.probabilityLineIsDirectionLine(QString::fromUtf8(c.line)), c.score) << c.line;
}

// A pasted recipe: title, note, ingredients with a section heading inside, then the method.
const char* const kRecipe = "Chocolate Chip Cookies\n"
                            "A family favourite from my grandmother\n"
                            "\n"
                            "Ingredients\n"
                            "2 1/4 cups all-purpose flour\n"
                            "1 teaspoon baking soda\n"
                            "1 teaspoon salt\n"
                            "1 cup butter, softened\n"
                            "3/4 cup sugar\n"
                            "3/4 cup brown sugar\n"
                            "For the topping\n"
                            "1 teaspoon vanilla extract\n"
                            "2 eggs\n"
                            "2 cups chocolate chips\n"
                            "\n"
                            "Directions\n"
                            "1. Preheat the oven to 375 degrees and line two baking sheets with paper.\n"
                            "2. Combine the flour, baking soda and salt in a small bowl and set it aside.\n"
                            "3. Beat the butter, sugar, brown sugar and vanilla extract until creamy.\n"
                            "4. Add the eggs one at a time, beating well after each addition.\n"
                            "5. Gradually beat in the flour mixture, then stir in the chocolate chips.\n"
                            "6. Drop by rounded tablespoon onto the sheets and bake for 9 to 11 minutes.\n"
                            "7. Cool on the sheets for two minutes, then on a rack. Serve warm.\n";

std::string blockOf(const QString& text, Range range)
{
    if (range.location == Range::NotFound)
        return "<none>";
    return text.mid(range.location, range.length).toStdString();
}

TEST_F(ParsingEngineTest, FindsTheBlocksOfAPastedRecipe)
{
    const QString text = QString::fromUtf8(kRecipe);
    EXPECT_EQ(blockOf(text, engine.rangeOfIngredientsBlockInString(text)),
        std::string("2 1/4 cups all-purpose flour\n"
                    "1 teaspoon baking soda\n"
                    "1 teaspoon salt\n"
                    "1 cup butter, softened\n"
                    "3/4 cup sugar\n"
                    "3/4 cup brown sugar\n"
                    "For the topping\n"
                    "1 teaspoon vanilla extract\n"
                    "2 eggs\n"
                    "2 cups chocolate chips\n"));
    const std::string directions = blockOf(text, engine.rangeOfDirectionsBlockInString(text));
    EXPECT_EQ(directions.substr(0, 10), "1. Preheat");
    EXPECT_EQ(directions.substr(directions.size() - 12), "Serve warm.\n");
}

struct BlockCase {
    const char* name;
    const char* text;
    const char* block; // nullptr: none
};

TEST_F(ParsingEngineTest, IngredientsBlockRuns)
{
    const BlockCase cases[] = {
        { "empty text", "", nullptr },
        { "prose only", "A lovely dish\nServe it warm\n", nullptr },
        { "one line", "Our best dinner\n2 cups flour\nServe it warm\n", "2 cups flour\n" },
        { "last line without terminator", "Our best dinner\n2 cups flour", "2 cups flour" },
        { "one stray line is tolerated",
            "Title here\n2 cups flour\nFor the topping\n1 cup sugar\nServe it warm\nEnjoy it now\n",
            "2 cups flour\nFor the topping\n1 cup sugar\n" },
        { "two stray lines end the run at its last match",
            "2 cups flour\nServe it warm\nEnjoy it now\n1 cup sugar\n", "2 cups flour\n" },
        { "equal runs: the first wins",
            "2 cups flour\n1 cup sugar\nServe it warm\nEnjoy it now\n2 eggs\n1 cup milk\n",
            "2 cups flour\n1 cup sugar\n" },
        { "a blank line inside a run", "Serve it warm\n2 cups flour\n\n  \n1 cup sugar\nEnjoy it now\nEat\n",
            "2 cups flour\n\n  \n1 cup sugar\n" },
        { "a later shorter run does not replace a longer one",
            "2 cups flour\n1 cup sugar\n2 eggs\nServe it warm\nEnjoy it now\n1 cup milk\nServe it warm\nEat "
            "it\nA\n"
            "Nice and warm\nThe end\n",
            "2 cups flour\n1 cup sugar\n2 eggs\n" },
        { "a later longer run replaces it",
            "2 cups flour\nServe it warm\nEnjoy it now\n1 cup milk\n2 eggs\n1 onion, chopped\n",
            "1 cup milk\n2 eggs\n1 onion, chopped\n" },
        { "CRLF lines", "Dinner\r\n2 cups flour\r\n1 cup sugar\r\n", "2 cups flour\r\n1 cup sugar\r\n" },
    };
    for (const BlockCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(blockOf(text, engine.rangeOfIngredientsBlockInString(text)),
            std::string(c.block ? c.block : "<none>"))
            << c.name;
    }
    EXPECT_EQ(engine.rangeOfIngredientsBlockInString(QString()), (Range { Range::NotFound, 0 }));
}

TEST_F(ParsingEngineTest, AfterTwoMissesARunNeedsAStrongLineToOpen)
{
    // Once a run has closed, the next line must score 2; "salt" alone scores 1 and resets.
    const QString text = QStringLiteral(
        "2 cups flour\nServe it warm\nEnjoy it now\nsalt\n1 cup sugar\n2 eggs\n1 cup milk\n");
    EXPECT_EQ(
        blockOf(text, engine.rangeOfIngredientsBlockInString(text)), "1 cup sugar\n2 eggs\n1 cup milk\n");
}

TEST_F(ParsingEngineTest, DirectionsBlockRuns)
{
    const BlockCase cases[] = {
        { "empty text", "", nullptr },
        { "a run reaching the end is found",
            "Pancakes\n1. Mix the flour and sugar together in a large bowl.\n"
            "2. Beat in the eggs and the milk until the batter is smooth.",
            "1. Mix the flour and sugar together in a large bowl.\n"
            "2. Beat in the eggs and the milk until the batter is smooth." },
        { "a blank line ends a run",
            "1. Mix the flour and sugar together in a large bowl.\n\n"
            "2. Beat in the eggs and the milk until the batter is smooth.\n"
            "3. Pour the batter into the pan and bake it until golden.\n",
            "2. Beat in the eggs and the milk until the batter is smooth.\n"
            "3. Pour the batter into the pan and bake it until golden.\n" },
        { "equal runs: the first wins",
            "1. Mix the flour and sugar together in a large bowl.\nThanks\n"
            "2. Beat in the eggs and the milk until the batter is smooth.\n",
            "1. Mix the flour and sugar together in a large bowl.\n" },
    };
    for (const BlockCase& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(blockOf(text, engine.rangeOfDirectionsBlockInString(text)),
            std::string(c.block ? c.block : "<none>"))
            << c.name;
    }
}

TEST(ParsingEngineWords, WordsAreSplitAtPunctuationAndSpace)
{
    EXPECT_EQ(ParsingEngine::wordsInString(QStringLiteral("2 cups flour, sifted.")),
        (QStringList { "2", "cups", "flour", "sifted" }));
    EXPECT_EQ(ParsingEngine::wordsInString(QStringLiteral("  salt\u2014to taste\n(optional)\t")),
        (QStringList { "salt", "to", "taste", "optional" }));
    EXPECT_EQ(ParsingEngine::wordsInString(QStringLiteral("1/2")), (QStringList { "1", "2" }));
    EXPECT_TRUE(ParsingEngine::wordsInString(QString()).isEmpty());
    EXPECT_TRUE(ParsingEngine::wordsInString(QStringLiteral(" ,.; \n")).isEmpty());
}

struct UnitNamesCase {
    const char* text;
    QStringList names;
    QStringList found;
};

TEST(ParsingEngineUnits, UnitNamesInText)
{
    const QStringList cupNames { "cup", "cups" };
    const UnitNamesCase cases[] = {
        { "2 Cups flour", cupNames, { "Cups", "Cups" } },
        { "3 inches of ginger", { "inch" }, { "inches" } },
        { "a pinch of salt", { "inch" }, {} },
        // Only the first occurrence is tried.
        { "a pinch of salt and 1 inch of ginger", { "inch" }, {} },
        { "1 tablespoon plus 1 tsp salt", { "tsp", "tablespoon" }, { "tablespoon", "tsp" } },
        { "1 cup", cupNames, { "cup" } },
        { "1 bunches", { "bunch" }, { "bunches" } },
        { "1/2 Cup, (4 oz.)", { "oz", "cup" }, { "Cup", "oz" } },
        { "", cupNames, {} },
    };
    for (const UnitNamesCase& c : cases)
        EXPECT_EQ(ParsingEngine::unitNamesInString(QString::fromUtf8(c.text), c.names), c.found) << c.text;
    EXPECT_TRUE(ParsingEngine::unitNamesInString(QString()).isEmpty());
}

struct FindCase {
    const char* text;
    QStringList found;
};

class ParsingEngineIngredients : public ModelStoreFixture
{
protected:
    void TearDown() override
    {
        IngredientTrie::rebuildIngredientTries();
        ModelStoreFixture::TearDown();
    }
};

TEST_F(ParsingEngineIngredients, KnownIngredientsInText)
{
    Pantry pantry(context.get(),
        { "green pepper", "pepper", "tomatoes", "onion", "tomato paste", "eggs", "salt", "cup", "potato" });
    const QStringList units { "cup", "cups", "can" };
    const FindCase cases[] = {
        { "1 green pepper", { "green pepper" } },
        { "2 green peppers and a pinch of pepper", { "green pepper", "pepper" } },
        { "1 tomato, diced", { "tomatoes" } }, // plural name, singular text
        { "3 onions", { "onion" } }, // singular name inside a plural word
        { "1 can tomato paste", { "tomato paste" } }, // "tomato" was taken by the longer name
        { "1 can TOMATO PASTE and 2 Tomatoes", { "tomato paste", "tomatoes" } },
        { "1 cup water", {} }, // "cup" is a unit word here
        { "2 EGGS", { "eggs" } },
        { "potatoes", { "potato" } },
        { "nothing known", {} },
        { "", {} },
    };
    for (const FindCase& c : cases) {
        const QList<IngredientMO*> found
            = ParsingEngine::ingredientsInString(QString::fromUtf8(c.text), pantry.trie().get(), units);
        EXPECT_EQ(namesOf(found), c.found) << c.text;
    }
    EXPECT_TRUE(ParsingEngine::ingredientsInString(QStringLiteral("1 onion"), nullptr, units).isEmpty());
}

TEST_F(ParsingEngineIngredients, RenamedOrDeletedIngredientsAreSkipped)
{
    Pantry pantry(context.get(), { "onion", "shallot", "leek" });
    pantry.forget(QStringLiteral("shallot"));
    context->deleteObject(pantry.object(QStringLiteral("leek")));
    EXPECT_EQ(namesOf(ParsingEngine::ingredientsInString(
                  QStringLiteral("1 shallot, 1 leek and 1 onion"), pantry.trie().get(), {})),
        QStringList { "onion" });
}

TEST_F(ParsingEngineIngredients, TheDefaultEngineUsesTheMainContextsTrie)
{
    // The main context's trie is filled from ingredients.txt on first use.
    const QList<IngredientMO*> found
        = ParsingEngine::ingredientsInString(QStringLiteral("2 cups all-purpose flour"));
    ASSERT_FALSE(found.isEmpty());
    EXPECT_EQ(found.first()->managedObjectContext(), context.get());
    EXPECT_GT(ParsingEngine::defaultParsingEngine().lineIngredientCount(u"2 cups all-purpose flour"), 0);
}

TEST(ParsingEngineDefault, ReadsTheShippedModifiers)
{
    ParsingEngine& engine = ParsingEngine::defaultParsingEngine();
    EXPECT_EQ(&engine, &ParsingEngine::defaultParsingEngine());
    EXPECT_TRUE(engine.modifierTrie().bucketForString(u"Finely Chopped"));
    EXPECT_TRUE(engine.lineContainsModifier(u"1 onion, minced\n"));
}

TEST(ParsingEngineDefault, ModifiersComeFromTheInstalledServices)
{
    ParsingEngine engine({}, { "cup" });
    engine.createModifierTrie();
    EXPECT_TRUE(engine.lineContainsModifier(u"1 onion, minced\n"));

    FakeKitchoraServices services;
    services.modifiers = QStringList { "frizzled" };
    engine.createModifierTrie();
    EXPECT_TRUE(engine.lineContainsModifier(u"leeks, frizzled\n"));
    EXPECT_FALSE(engine.lineContainsModifier(u"1 onion, minced\n"));
}

} // namespace
