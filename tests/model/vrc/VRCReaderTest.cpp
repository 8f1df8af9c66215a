#include "VRCReader.h"

#include "IsEmpty.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>

namespace
{

QString card(const QString& body)
{
    return QStringLiteral("BEGIN:VRECIPECARD\nVERSION:1.0\n") + body + QStringLiteral("END:VRECIPECARD\n");
}

QList<VRCRecipe> read(const QString& text)
{
    return VRCReader(text).vrcObjects();
}

QString dataPath(const char* name)
{
    return QStringLiteral(KITCHORA_TEST_DATA "/") + QLatin1String(name);
}

QStringList names(const QList<VRCRecipe>& recipes)
{
    QStringList result;
    for (const VRCRecipe& recipe : recipes)
        result.append(recipe.name());
    return result;
}

QStringList ingredientNames(const VRCRecipe& recipe)
{
    QStringList result;
    for (const VRCIngredient& ingredient : recipe.ingredients())
        result.append(ingredient.ingredientName());
    return result;
}

} // namespace

TEST(VRCReader, ReadsAWholeFile)
{
    VRCReader reader;
    ASSERT_TRUE(reader.initWithContentsOfFile(dataPath("two_cards.vrc")));
    const QList<VRCRecipe> recipes = reader.vrcObjects();
    ASSERT_EQ(recipes.size(), 2);

    const VRCRecipe& soup = recipes[0];
    EXPECT_EQ(soup.name(), QStringLiteral("Lentil Soup: the best"));
    EXPECT_EQ(soup.onlineID(), QVariant(QStringLiteral("4711")));
    EXPECT_EQ(soup.category(), QStringLiteral("Soups"));
    EXPECT_EQ(soup.cuisine(), QStringLiteral("Middle Eastern"));
    EXPECT_EQ(soup.recipeDescription(),
        QStringLiteral("A warming soup for cold evenings.\n\nServe with lemon wedges."));
    EXPECT_EQ(soup.yield(), QStringLiteral("4 servings"));
    EXPECT_EQ(soup.cookTime(), QStringLiteral("45 minutes"));
    EXPECT_EQ(soup.kitchen(), QStringLiteral("Aunt Mira's kitchen"));
    EXPECT_FALSE(soup.rating().isValid());

    const QList<VRCIngredient> ingredients = soup.ingredients();
    ASSERT_EQ(ingredients.size(), 3);
    EXPECT_EQ(ingredientNames(soup), (QStringList { "olive oil", "red lentils", "onion" }));
    EXPECT_EQ(ingredients[0].measure(), QStringLiteral("2"));
    EXPECT_EQ(ingredients[0].measureType(), QStringLiteral("tablespoons"));
    EXPECT_EQ(ingredients[1].modifier(), QStringLiteral(""));
    EXPECT_EQ(ingredients[2].measureType(), QStringLiteral(""));
    EXPECT_EQ(ingredients[2].modifier(), QStringLiteral("large, chopped"));
    EXPECT_EQ(ingredients[2].displayString(), QStringLiteral("1 large onion; chopped"));
    EXPECT_EQ(ingredients[2].string(), QStringLiteral("1  large, chopped onion"));
    EXPECT_EQ(soup.directions(),
        (QStringList {
            "Warm the oil and soften the onion.", "Add the lentils and 5 cups water: simmer 30 minutes." }));
    EXPECT_EQ(soup.notes(), QStringList { "Keeps three days in the fridge." });

    const VRCRecipe& chicken = recipes[1];
    EXPECT_EQ(chicken.category(), QStringLiteral("(null)"));
    EXPECT_TRUE(isEmpty(chicken.category()));
    EXPECT_TRUE(isEmpty(chicken.recipeDescription()));
    EXPECT_EQ(chicken.cookTime(), QStringLiteral("1 hour at 220\u00B0C"));
    ASSERT_EQ(chicken.ingredients().size(), 1);
    EXPECT_EQ(chicken.ingredients()[0].measureType(), QStringLiteral(""));
    EXPECT_TRUE(chicken.notes().isEmpty());
}

// One card body per row, and the value it must give under a property key.
TEST(VRCReader, SingleValueLines)
{
    struct Case {
        const char* body;
        const char* key;
        QVariant expected;
    };
    const Case cases[] = {
        { "NAME:Soup: the best\n", "name", QStringLiteral("Soup: the best") },
        { "NAME:\n", "name", QStringLiteral("") },
        { "NAME\n", "name", QStringLiteral("") },
        { "NAME:First\nNAME:Second\n", "name", QStringLiteral("Second") },
        { "COOKTIME:20 min\n", "cookTime", QStringLiteral("20 min") },
        { "CTIME:25 min\n", "cookTime", QStringLiteral("25 min") },
        { "COOKTIME:20 min\nCTIME:25 min\n", "cookTime", QStringLiteral("25 min") },
        { "CTIME:25 min\nCOOKTIME:20 min\n", "cookTime", QStringLiteral("20 min") },
        { "YIELD:Bake at 180%C2%B0 for 1 loaf\n", "yield", QStringLiteral("Bake at 180\u00B0 for 1 loaf") },
        { "RATING:4\n", "rating", QStringLiteral("4") },
        { "ONLINEID:1234\n", "onlineID", QStringLiteral("1234") },
        { "CATEGORY:(null)\n", "category", QStringLiteral("(null)") },
        { "   KITCHEN:Home   \n", "kitchen", QStringLiteral("Home") },
        { "DESCRIPTION:<<start>>One line.<<end>>\n", "recipeDescription", QStringLiteral("One line.") },
        { "DESCRIPTION:<<start>>First part\nsecond part<<end>>\n", "recipeDescription",
            QStringLiteral("First part\nsecond part") },
        { "DESCRIPTION:<start<<First part\r\nsecond part>end>>\n", "recipeDescription",
            QStringLiteral("First part\r\nsecond part") },
        { "DESCRIPTION:<<start>>\n  Para one.\n\nPara two.\n<<end>>\n", "recipeDescription",
            QStringLiteral("\nPara one.\n\nPara two.") },
        { "DESCRIPTION:<<start>>Has # and ING:1:x;y inside\nNAME:not a tag here<<end>>\nNAME:Real\n",
            "recipeDescription", QStringLiteral("Has # and ING:1:x;y inside\nNAME:not a tag here") },
        { "DESCRIPTION:<<start>>Stir.\nEND: serve hot\nBEGIN again<<end>>\n", "recipeDescription",
            QStringLiteral("Stir.\nEND: serve hot\nBEGIN again") },
        // A lost end marker: the value stops at the card's END line.
        { "NAME:Kept\nDESCRIPTION:<<start>>No end marker\nstill the description\n", "recipeDescription",
            QStringLiteral("No end marker\nstill the description") },
    };
    for (const Case& c : cases) {
        Log::Capture capture;
        const QList<VRCRecipe> recipes = read(card(QString::fromUtf8(c.body)));
        ASSERT_EQ(recipes.size(), 1) << c.body;
        EXPECT_EQ(recipes[0].valueForKey(QLatin1String(c.key)), c.expected) << c.body;
    }
}

TEST(VRCReader, ItemsArePlacedByIndex)
{
    struct Case {
        const char* body;
        QStringList directions;
    };
    const Case cases[] = {
        { "DIR:3:c\nDIR:1:a\nDIR:2:b\n", { "a", "b", "c" } },
        { "DIR:2:b\nDIR:7:c\nDIR:1:a\n", { "a", "b", "c" } },
        { "DIR:2:first two\nDIR:1:a\nDIR:2:second two\n", { "a", "first two", "second two" } },
        { "DIR:2:Heat: gently\n", { "Heat: gently" } },
        { "DIR:x:no number\nDIR:-4:negative\nDIR:1:one\n", { "negative", "no number", "one" } },
        { "DIR:99999999999999999999:huge\nDIR:1:one\n", { "one", "huge" } },
        { "DIR: 2 :two\nDIR:1:one\n", { "one", "two" } },
        { "DIR:1:\n", { "" } },
    };
    for (const Case& c : cases) {
        Log::Capture capture;
        const QList<VRCRecipe> recipes = read(card(QString::fromUtf8(c.body)));
        ASSERT_EQ(recipes.size(), 1) << c.body;
        EXPECT_EQ(recipes[0].directions(), c.directions) << c.body;
    }

    const QList<VRCRecipe> recipes
        = read(card(QStringLiteral("ING:3:;;;c;\nING:1:;;;a;\nING:2:;;;b;\nNOTE:2:later\nNOTE:1:sooner\n")));
    ASSERT_EQ(recipes.size(), 1);
    EXPECT_EQ(ingredientNames(recipes[0]), (QStringList { "a", "b", "c" }));
    EXPECT_EQ(recipes[0].notes(), (QStringList { "sooner", "later" }));
}

TEST(VRCReader, IngredientFields)
{
    Log::Capture capture;
    const QList<VRCRecipe> recipes = read(card(QStringLiteral("ING:1:1;cup;sifted;flour\n"
                                                              "ING:2:2;;;eggs;2 eggs; beaten; cold\n"
                                                              "ING:3:(null);(null);(null);(null);(null)\n"
                                                              "ING:4:1;cup;flour\n"
                                                              "ING:no fields\n"
                                                              "DIR:no index\n"
                                                              "NOTE:no index\n")));
    ASSERT_EQ(recipes.size(), 1);
    const QList<VRCIngredient> ingredients = recipes[0].ingredients();
    ASSERT_EQ(ingredients.size(), 3);
    EXPECT_EQ(ingredients[0], VRCIngredient(QStringList { "1", "cup", "sifted", "flour", "" }));
    EXPECT_EQ(ingredients[0].displayString(), QStringLiteral(""));
    EXPECT_EQ(ingredients[1].displayString(), QStringLiteral("2 eggs; beaten; cold"));
    EXPECT_EQ(ingredients[2], VRCIngredient());
    EXPECT_FALSE(ingredients[2].measure().isNull());
    EXPECT_TRUE(capture.contains(QStringLiteral("Bad ingredient line, too few pieces: 4:1;cup;flour")));
    EXPECT_TRUE(capture.contains(QStringLiteral("Bad ingredient line, too few pieces: no fields")));
    EXPECT_TRUE(capture.contains(QStringLiteral("Bad direction line, no index: no index")));
    EXPECT_TRUE(capture.contains(QStringLiteral("Bad note line, no index: no index")));
    EXPECT_TRUE(recipes[0].directions().isEmpty());
}

TEST(VRCReader, UnusableLinesAreLoggedAndSkipped)
{
    Log::Capture capture;
    const QList<VRCRecipe> recipes = read(card(QStringLiteral("NAME:Bread\n"
                                                              "TOTALTIME:3 hours\n"
                                                              "   \n"
                                                              "# a comment with <<start>> in it\n"
                                                              "#NAME:Not this\n"
                                                              "DIR:1:Mix the dough\n"
                                                              "and let it rise\n")));
    ASSERT_EQ(recipes.size(), 1);
    EXPECT_EQ(recipes[0].name(), QStringLiteral("Bread"));
    EXPECT_EQ(recipes[0].directions(), QStringList { "Mix the dough" });
    EXPECT_TRUE(capture.contains(QStringLiteral("Unhandled tag: <TOTALTIME> in line: TOTALTIME:3 hours")));
    EXPECT_TRUE(
        capture.contains(QStringLiteral("Unhandled tag: <and let it rise> in line: and let it rise")));
    EXPECT_TRUE(capture.contains(QStringLiteral("VRCReader: Trimmed empty line")));
    EXPECT_FALSE(capture.contains(QStringLiteral("comment")));
}

// Damage to one card never costs the cards around it.
TEST(VRCReader, DamagedCardsNeverSwallowTheirNeighbours)
{
    struct Case {
        QString text;
        QStringList names;
        QString logged;
    };
    const Case cases[] = {
        { card("NAME:A\nDESCRIPTION:<<start>>lost end marker\n") + card("NAME:B\n"), { "A", "B" },
            "no end marker" },
        { QStringLiteral("BEGIN:VRECIPECARD\nNAME:A\nDESCRIPTION:<start<<lost\n") + card("NAME:B\n"), { "B" },
            "the open card has no END line" },
        { QStringLiteral("BEGIN:VRECIPECARD\nNAME:Half\n") + card("NAME:B\n"), { "B" },
            "the open card has no END line" },
        { card("NAME:A\n") + QStringLiteral("BEGIN:VRECIPECARD\nNAME:Unfinished\n"), { "A" },
            "the text ends inside a card" },
        { QStringLiteral("END:VRECIPECARD\n") + card("NAME:A\n") + QStringLiteral("END:VRECIPECARD\n"),
            { "A" }, "closes no card" },
        { QStringLiteral("Dear friend, here it is:\nNAME:Stray\n") + card("NAME:A\n")
                + QStringLiteral("NAME:After\nDIR:1:After\n"),
            { "A" }, "outside a card" },
        { card("NAME:A\nDESCRIPTION:<<start>>ends at the next card's BEGIN\n").remove("END:VRECIPECARD\n")
                + card("NAME:B\n"),
            { "B" }, "no end marker" },
    };
    for (const Case& c : cases) {
        Log::Capture capture;
        const QList<VRCRecipe> recipes = read(c.text);
        EXPECT_EQ(names(recipes), c.names) << c.text.toStdString();
        EXPECT_TRUE(capture.contains(c.logged))
            << c.text.toStdString() << capture.lines().join('|').toStdString();
    }

    // Lines after an END line do not reach the card it closed.
    const QList<VRCRecipe> recipes = read(card("NAME:A\n") + QStringLiteral("NAME:After\nDIR:1:After\n"));
    ASSERT_EQ(recipes.size(), 1);
    EXPECT_EQ(recipes[0].name(), QStringLiteral("A"));
    EXPECT_TRUE(recipes[0].directions().isEmpty());
}

TEST(VRCReader, DamagedFiles)
{
    struct Case {
        const char* file;
        QStringList names;
        QString logged;
    };
    const Case cases[] = {
        { "truncated.vrc", { "Flatbread" }, "the text ends inside a card" },
        { "mixed_endings.vrc", { "Pancakes", "Syrup" }, QString() },
        { "tags_without_values.vrc", { "" }, "Bad ingredient line, too few pieces" },
        { "invalid_utf8.vrc", { "Cr\uFFFDme br\uFFFDl\uFFFDe", "Bad \uFFFD( sequence" },
            "read as ASCII with 4 bytes replaced" },
        { "utf16_bom.vrc", { "Crème brûlée" }, QString() },
        { "garbage.bin", { "Survivor" }, "read as ASCII" },
    };
    for (const Case& c : cases) {
        Log::Capture capture;
        VRCReader reader;
        ASSERT_TRUE(reader.initWithContentsOfFile(dataPath(c.file))) << c.file;
        const QList<VRCRecipe> recipes = reader.vrcObjects();
        EXPECT_EQ(names(recipes), c.names) << c.file;
        if (!c.logged.isEmpty()) {
            EXPECT_TRUE(capture.contains(c.logged))
                << c.file << ": " << capture.lines().join('|').toStdString();
        }
    }
}

TEST(VRCReader, MixedLineEndingsKeepEveryField)
{
    VRCReader reader;
    Log::Capture capture;
    ASSERT_TRUE(reader.initWithContentsOfFile(dataPath("mixed_endings.vrc")));
    const QList<VRCRecipe> recipes = reader.vrcObjects();
    ASSERT_EQ(recipes.size(), 2);
    EXPECT_EQ(recipes[0].recipeDescription(), QStringLiteral("Light and\r\rfluffy."));
    EXPECT_EQ(ingredientNames(recipes[0]), (QStringList { "flour", "egg" }));
    EXPECT_EQ(recipes[0].directions(), (QStringList { "Whisk.", "Fry." }));
}

TEST(VRCReader, EveryTagWithoutAValue)
{
    Log::Capture capture;
    VRCReader reader;
    ASSERT_TRUE(reader.initWithContentsOfFile(dataPath("tags_without_values.vrc")));
    const QList<VRCRecipe> recipes = reader.vrcObjects();
    ASSERT_EQ(recipes.size(), 1);
    const VRCRecipe& recipe = recipes[0];
    for (const char* key : { "name", "category", "cuisine", "recipeDescription", "yield", "cookTime",
             "kitchen", "rating", "onlineID" })
        EXPECT_EQ(recipe.valueForKey(QLatin1String(key)), QVariant(QStringLiteral(""))) << key;
    EXPECT_TRUE(recipe.ingredients().isEmpty());
    EXPECT_TRUE(recipe.directions().isEmpty());
    EXPECT_TRUE(recipe.notes().isEmpty());
}

TEST(VRCReader, VeryLongLine)
{
    const QString longName(10 * 1024 * 1024, QChar(u'x'));
    const QString garbageLine(10 * 1024 * 1024, QChar(u'<'));
    Log::Capture capture;
    const QList<VRCRecipe> recipes = read(
        card(QStringLiteral("NAME:") + longName + QStringLiteral("\n") + garbageLine + QStringLiteral("\n"))
        + card(QStringLiteral("NAME:Next\n")));
    ASSERT_EQ(recipes.size(), 2);
    EXPECT_EQ(recipes[0].name().size(), longName.size());
    EXPECT_EQ(recipes[1].name(), QStringLiteral("Next"));
    ASSERT_EQ(capture.lines().size(), 1);
    EXPECT_LT(capture.lines()[0].size(), 1000);
}

TEST(VRCReader, FilesThatCannotBeRead)
{
    Log::Capture capture;
    VRCReader reader(QStringLiteral("kept"));
    EXPECT_FALSE(reader.initWithContentsOfFile(dataPath("no_such_file.vrc")));
    EXPECT_FALSE(reader.initWithContentsOfFile(QStringLiteral(KITCHORA_TEST_DATA)));
    EXPECT_EQ(reader.string(), QStringLiteral("kept"));
    EXPECT_TRUE(capture.contains(QStringLiteral("no_such_file.vrc")));
}

TEST(VRCReader, TildeMeansTheHomeFolder)
{
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QByteArray previousHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    QFile file(home.filePath(QStringLiteral("card.vrc")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(card(QStringLiteral("NAME:At home\n")).toUtf8());
    file.close();

    VRCReader reader;
    const bool loaded = reader.initWithContentsOfFile(QStringLiteral("~/card.vrc"));
    qputenv("HOME", previousHome);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(names(reader.vrcObjects()), QStringList { "At home" });
}

TEST(VRCReader, TagTables)
{
    const VRCReader reader;
    EXPECT_EQ(reader.allTags(),
        (QStringList { "BEGIN", "VERSION", "NAME", "ONLINEID", "CATEGORY", "CUISINE", "DESCRIPTION", "YIELD",
            "COOKTIME", "CTIME", "TOTALTIME", "KITCHEN", "RATING", "ING", "DIR", "NOTE", "END" }));
    EXPECT_EQ(reader.quickKeyTranslationTags().size(), 10);
    EXPECT_EQ(reader.quickKeyTranslationTags().value("CTIME"), QStringLiteral("cookTime"));
    EXPECT_EQ(reader.quickKeyTranslationTags().value("DESCRIPTION"), QStringLiteral("recipeDescription"));
}

namespace
{

// Reaches the pieces a reader that stops early builds on.
class BatchingReader : public VRCReader
{
public:
    using VRCReader::WorkingLines;
    using VRCReader::workingLines;
};

} // namespace

// Cutting the text after any END line and reading both parts gives what one whole read gives.
TEST(VRCReader, RemainderKeepsTheOriginalLineBreaks)
{
    QFile file(dataPath("two_cards.vrc"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll())
        + card("NAME:Third\r\nDESCRIPTION:<<start>>a\r\n\r\n b<<end>>\r\n") + QStringLiteral("\r")
        + card("NAME:Fourth\rDIR:1:x\r");
    Log::Capture capture;
    const QList<VRCRecipe> whole = read(text);
    ASSERT_EQ(whole.size(), 4);

    const BatchingReader::WorkingLines working = BatchingReader::workingLines(text);
    int cuts = 0;
    for (qsizetype i = 0; i + 1 < working.count(); ++i) {
        if (!working.line(i).startsWith(VRCEndTag))
            continue;
        const QString rest = working.remainderFrom(i + 1);
        EXPECT_TRUE(working.text.endsWith(rest));
        const QList<VRCRecipe> before = read(working.text.left(working.ranges[i + 1].location));
        EXPECT_EQ(before + read(rest), whole) << i;
        ++cuts;
    }
    EXPECT_EQ(cuts, 3);
    EXPECT_EQ(working.remainderFrom(working.count()), QString());
}

TEST(VRCRecipe, ListsAndValues)
{
    VRCRecipe recipe;
    recipe.addDirection(QStringLiteral("b"), 1);
    recipe.addDirection(QStringLiteral("a"), 0);
    recipe.addDirection(QStringLiteral("b2"), 1);
    EXPECT_EQ(recipe.directions(), (QStringList { "a", "b", "b2" }));
    recipe.setDirections({ QStringLiteral("x"), QStringLiteral("y") });
    recipe.addDirection(QStringLiteral("first"), -1);
    EXPECT_EQ(recipe.directions(), (QStringList { "first", "x", "y" }));

    EXPECT_TRUE(recipe.setValue(QStringLiteral("Soup"), QStringLiteral("name")));
    EXPECT_FALSE(recipe.setValue(QStringLiteral("x"), QStringLiteral("picture")));
    EXPECT_EQ(recipe.valueForKey(QStringLiteral("name")), QVariant(QStringLiteral("Soup")));
    EXPECT_FALSE(recipe.valueForKey(QStringLiteral("category")).isValid());
    EXPECT_EQ(recipe.valueForKeyPath(QStringLiteral("directions")).toStringList().size(), 3);
}
