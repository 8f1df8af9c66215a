#include "VRCManagedObjectReader.h"

#include "CardFixture.h"
#include "Log.h"
#include "PropertyList.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"
#include "VRCManagedObjectWriter.h"

#include <QFile>
#include <thread>

namespace
{

class VRCManagedObjectReaderTest : public CardFixture
{
protected:
    void SetUp() override
    {
        CardFixture::SetUp();
        static const bool unitsLoaded = [] {
            UnitsEngine::defaultEngine().loadUnits(QString());
            return true;
        }();
        (void)unitsLoaded;
    }

    QList<RecipeMO*> read(const QString& text, ManagedObjectContext* in = nullptr)
    {
        VRCManagedObjectReader reader(text);
        return reader.setOfManagedObjectsInContext(in ? in : context.get());
    }

    // One card around the given lines.
    static QString card(const QString& lines)
    {
        return "BEGIN:VRECIPECARD\nVERSION:1.0\n" + lines + "\nEND:VRECIPECARD\n";
    }

    RecipeMO* readOne(const QString& lines)
    {
        const QList<RecipeMO*> recipes = read(card(lines));
        EXPECT_EQ(recipes.size(), 1);
        return recipes.value(0);
    }

    static QString measureOf(const QString& unitText)
    {
        const MeasurementUnitPtr unit = UnitsEngine::defaultEngine().unitForName(unitText);
        return unit ? unit->preferredDisplayName() : QString();
    }

    QStringList recipeNamesInStore()
    {
        QStringList names;
        for (const ManagedObject* recipe : fetchAll("Recipe"))
            names.append(recipe->valueForKey("name").toString());
        names.sort();
        return names;
    }

    static QString fixture(const char* name)
    {
        return QStringLiteral(KITCHORA_SOURCE_DIR "/tests/model/vrc/data/") + name;
    }
};

struct LineCase {
    const char* lines;
    const char* keyPath;
    QVariant expected;
};

} // namespace

TEST_F(VRCManagedObjectReaderTest, EachTagSetsItsField)
{
    const LineCase cases[] = {
        { "NAME:Soup: the best", "name", "Soup: the best" },
        { "NAME:(null)", "name", "Untitled Recipe" },
        { "NAME:", "name", "Untitled Recipe" },
        { "YIELD:4 servings", "yield", "4 servings" },
        { "YIELD:(null)", "yield", QVariant() },
        { "COOKTIME:1 hour", "cookTime", "1 hour" },
        { "CTIME:2 hours", "cookTime", "2 hours" },
        { "COOKTIME:1 hour\nCTIME:2 hours", "cookTime", "2 hours" },
        { "COOKTIME:1 hour at 220%C2%B0C", "cookTime", QString::fromUtf8("1 hour at 220\u00B0C") },
        { "DESCRIPTION:<<start>>One.<<end>>", "recipeDescription", "One." },
        { "DESCRIPTION:<<start>>One.\n\n\nTwo.\n<<end>>", "recipeDescription", "One.\n\n\nTwo." },
        { "DESCRIPTION:<start<<One.\r\nTwo.>end>>", "recipeDescription", "One.\r\nTwo." },
        { "DESCRIPTION:<<start>>(null)<<end>>", "recipeDescription", QVariant() },
        { "ONLINEID:1234", "onlineID", qint64(1234) },
        { "ONLINEID:9876543210123", "onlineID", qint64(9876543210123) },
        { "ONLINEID:1234", "createdLocally", false },
        { "CATEGORY:Soups", "category.name", "Soups" },
        { "CATEGORY:(null)", "category", QVariant() },
        { "CATEGORY:", "category", QVariant() },
        { "CUISINE:Thai", "cuisine.name", "Thai" },
        { "KITCHEN:Aunt Mira's", "kitchen.name", "Aunt Mira's" },
        { "RATING:4", "rating", 4.0 },
        { "RATING:9", "rating", 5.0 },
        { "# NAME:Comment\nNAME:Real", "name", "Real" },
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.lines);
        RecipeMO* recipe = readOne(QString::fromUtf8(c.lines));
        ASSERT_TRUE(recipe);
        const QVariant value = recipe->valueForKeyPath(QString::fromLatin1(c.keyPath));
        if (!c.expected.isValid())
            EXPECT_TRUE(value.isNull() || !value.isValid() || value.toString().isEmpty())
                << value.toString().toStdString();
        else if (c.expected.typeId() == QMetaType::Double)
            EXPECT_DOUBLE_EQ(value.toDouble(), c.expected.toDouble());
        else
            EXPECT_EQ(value.toString(), c.expected.toString());
    }
}

TEST_F(VRCManagedObjectReaderTest, LinesThatCannotBeUsedAreLoggedAndSkipped)
{
    Log::Capture log;
    RecipeMO* recipe = readOne("NAME:Soup\nTOTALTIME:5 minutes\nVERSION:2.0\nING:1:2;cup\nDIR:no index");

    ASSERT_TRUE(recipe);
    EXPECT_TRUE(log.contains("Unhandled tag: <TOTALTIME> in line: TOTALTIME:5 minutes"));
    EXPECT_TRUE(log.contains("VRCManagedObjectReader: Unsupported VRC version!"));
    EXPECT_TRUE(log.contains("Bad ingredient line, too few pieces: 1:2;cup"));
    EXPECT_EQ(ingredientTexts(recipe), QStringList { "1:;;;;" });
    EXPECT_EQ(itemTexts(recipe, "directions"), QStringList { "1:" });
}

TEST_F(VRCManagedObjectReaderTest, ABareCardGetsOneEmptyItemOfEachKind)
{
    RecipeMO* recipe = readOne("NAME:Toast");
    ASSERT_TRUE(recipe);
    EXPECT_EQ(recipe->valueForKey("name").toString(), "Toast");
    for (const char* key : { "ingredients", "directions", "notes" }) {
        const QList<ManagedObject*> items = recipe->objectsForKey(key);
        ASSERT_EQ(items.size(), 1) << key;
        EXPECT_EQ(items.first()->valueForKey("index").toInt(), 1) << key;
    }
    EXPECT_TRUE(recipe->objectsForKey("collections").isEmpty());
    ASSERT_TRUE(save());
    EXPECT_EQ(recipe->objectsForKey("collections"), QList<ManagedObject*> { library });
}

TEST_F(VRCManagedObjectReaderTest, ItemsArePlacedByIndexAndNumberedFromOne)
{
    RecipeMO* recipe = readOne("DIR:3:Third\nDIR:1:First\nDIR:7:Last\nDIR:1:Also first\nDIR:-4:Before all\n"
                               "NOTE:2:Note: with a colon");
    ASSERT_TRUE(recipe);
    EXPECT_EQ(itemTexts(recipe, "directions"),
        QStringList({ "1:Before all", "2:First", "3:Also first", "4:Third", "5:Last" }));
    EXPECT_EQ(itemTexts(recipe, "notes"), QStringList { "1:Note: with a colon" });
}

TEST_F(VRCManagedObjectReaderTest, UntaggedLinesContinueTheLineBefore)
{
    Log::Capture log;
    RecipeMO* recipe = readOne("DIR:1:Stir well\n  and season.\n\n# a comment\nthen serve.\nDIR:2:Eat");

    ASSERT_TRUE(recipe);
    EXPECT_EQ(
        itemTexts(recipe, "directions"), QStringList({ "1:Stir well\nand season.\nthen serve.", "2:Eat" }));
    EXPECT_EQ(log.lines().count("VRCManagedObjectReader: correcting implicit multiline item"), 2);
}

TEST_F(VRCManagedObjectReaderTest, IngredientLinesFindTheirUnitAndIngredient)
{
    RecipeMO* recipe = readOne("ING:1:2;cups;chopped;leek;2 cups chopped leek\n"
                               "ING:2:1;;;salt;1 tsp salt; to taste\n"
                               "ING:3:3;(null);(null);cup rice\n"
                               "ING:4:(null);(null);(null);(null);good luck\n"
                               "ING:5:1;;;eggs;1 egg");
    ASSERT_TRUE(recipe);
    const QStringList lines = ingredientTexts(recipe);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[0], "1:2;" + measureOf("cups") + ";chopped;leek;2 cups chopped leek");
    EXPECT_EQ(lines[1], "2:1;" + measureOf("tsp") + ";;salt;1 tsp salt; to taste");
    EXPECT_EQ(lines[2], "3:3;cup;;rice;3 cup rice ");
    EXPECT_EQ(lines[3], "4:;;;;good luck");
    EXPECT_EQ(lines[4], "5:1;;;eggs;1 egg");
    EXPECT_FALSE(measureOf("cups").isEmpty());
}

TEST_F(VRCManagedObjectReaderTest, TheSameNamesShareOneObject)
{
    const QList<RecipeMO*> recipes = read(card("NAME:A\nCATEGORY:Soups\nING:1:1;;;leek;1 leek")
        + card("NAME:B\nCATEGORY:Soups\nING:1:2;;;Leek;2 leeks"));
    ASSERT_EQ(recipes.size(), 2);
    EXPECT_EQ(recipes[0]->objectForKey("category"), recipes[1]->objectForKey("category"));
    const ManagedObject* first
        = recipes[0]->objectsForKey("ingredients").first()->objectForKey("baseIngredient");
    const ManagedObject* second
        = recipes[1]->objectsForKey("ingredients").first()->objectForKey("baseIngredient");
    ASSERT_TRUE(first);
    EXPECT_EQ(first, second);
    ASSERT_TRUE(save());
    EXPECT_EQ(fetchAll("Category").size(), 1);
}

// A card from elsewhere may name a unit the user never had; it serves the read but does not join
// the user's units.plist.
TEST_F(VRCManagedObjectReaderTest, UnknownUnitWordsAreNotWrittenToTheUsersUnits)
{
    RecipeMO* recipe = readOne("ING:1:3;zarfuls;;tea;3 zarfuls tea");
    ASSERT_TRUE(recipe);
    EXPECT_EQ(ingredientTexts(recipe), QStringList { "1:3;zarfuls;;tea;3 zarfuls tea" });
    const MeasurementUnitPtr unit = UnitsEngine::defaultEngine().unitForName("zarfuls");
    ASSERT_TRUE(unit);
    EXPECT_TRUE(unit->isTransient());

    const QString path = dir.filePath("units.plist");
    ASSERT_TRUE(UnitsEngine::defaultEngine().writeUnitsToFile(path, true));
    const auto written = PropertyList::arrayWithContentsOfFile(path);
    ASSERT_TRUE(written);
    EXPECT_GT(written->size(), 10);
    for (const QVariant& entry : *written)
        EXPECT_NE(entry.toMap().value("name").toString(), "zarfuls");
}

TEST_F(VRCManagedObjectReaderTest, WrittenCardsReadBackAsTheSameRecipe)
{
    RecipeMO* soup = bareRecipe("Leek Soup");
    soup->setPrimitiveValue(qint64(77), "onlineID");
    soup->setValueForKey("Soups", "category");
    soup->setValueForKey("French", "cuisine");
    soup->setValueForKey("Grandma", "kitchen");
    soup->setPrimitiveValue("Warm.\n\nGood in winter.", "recipeDescription");
    soup->setPrimitiveValue("4 servings", "yield");
    soup->setPrimitiveValue("1 hour: slowly", "cookTime");
    addIngredient(soup, 2, "1", "tsp.", "", "salt", "1 tsp. salt");
    addIngredient(soup, 1, "2", "cup", "chopped", "leek", "2 cup chopped leek; washed");
    addItem(soup, "Direction", 2, "Simmer; then\nblend.");
    addItem(soup, "Direction", 1, "Chop: the leeks.");
    addItem(soup, "Note", 1, "Keeps 3 days.");
    RecipeMO* bare = bareRecipe("Toast");
    for (const char* key : { "recipeDescription", "yield", "cookTime" })
        bare->setPrimitiveValue(QVariant(), key);
    ASSERT_EQ(measureOf("tsp."), "tsp.");
    ASSERT_EQ(measureOf("cup"), "cup");

    VRCManagedObjectWriter writer;
    const QStringList cards = writer.stringsFromRecipeManagedObjects(QList<ManagedObject*> { soup, bare });
    std::unique_ptr<ManagedObjectContext> other = newContext();
    const QList<RecipeMO*> recipes = read(cards.join(QString()), other.get());

    ASSERT_EQ(recipes.size(), 2);
    EXPECT_EQ(recipes[0]->valueForKey("onlineID").toLongLong(), 77);
    EXPECT_EQ(recipes[0]->valueForKey("recipeDescription").toString(), "Warm.\n\nGood in winter.");
    EXPECT_EQ(
        itemTexts(recipes[0], "directions"), QStringList({ "1:Chop: the leeks.", "2:Simmer; then\nblend." }));
    EXPECT_FALSE(recipes[1]->objectForKey("category"));
    EXPECT_TRUE(recipes[1]->valueForKey("yield").isNull());
    // The card of what was read is the card that was written; the bare recipe gained its
    // placeholder items.
    EXPECT_EQ(writer.stringFromRecipeManagedObject(recipes[0]), cards[0]);
    const QString bareAgain = writer.stringFromRecipeManagedObject(recipes[1]);
    EXPECT_TRUE(bareAgain.startsWith(cards[1].chopped(QString("END:VRECIPECARD\n").size())))
        << bareAgain.toStdString();
    for (const char* item : { "\nING:1:", "\nDIR:1:", "\nNOTE:1:" })
        EXPECT_EQ(bareAgain.count(item), 1) << item;
}

TEST_F(VRCManagedObjectReaderTest, BatchesReadWhatOneWholeReadReads)
{
    QString text = "# five cards\r\n";
    for (int i = 1; i <= 5; ++i)
        text += QString("BEGIN:VRECIPECARD\r\nNAME:Card %1\r\nDIR:1:Step\r\n  two of %1\r\n"
                        "DESCRIPTION:<<start>>Para\r\n\r\nend<<end>>\r\nEND:VRECIPECARD\r\n\r\n# between\r\n")
                    .arg(i);

    VRCManagedObjectReader batched(text);
    batched.setBatchLimit(2);
    quint64 count = 0;
    QString leftOver;
    const QList<RecipeMO*> firstBatch
        = batched.setOfManagedObjectsInContext(context.get(), &count, &leftOver);
    ASSERT_EQ(firstBatch.size(), 2);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(firstBatch[1]->valueForKey("name").toString(), "Card 2");
    EXPECT_TRUE(leftOver.startsWith("BEGIN:VRECIPECARD\r\nNAME:Card 3\r\n"))
        << leftOver.left(60).toStdString();
    EXPECT_TRUE(text.endsWith(leftOver));

    QList<RecipeMO*> all = firstBatch;
    int calls = 1;
    while (!leftOver.isNull()) {
        batched.setString(leftOver);
        all += batched.setOfManagedObjectsInContext(context.get(), &count, &leftOver);
        ASSERT_LE(++calls, 3);
    }
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(batched.batchLimit(), 2u);

    std::unique_ptr<ManagedObjectContext> other = newContext();
    batched.setString(text);
    const QList<RecipeMO*> whole = batched.setOfManagedObjectsInContext(other.get());
    EXPECT_EQ(batched.batchLimit(), 2u);
    ASSERT_EQ(whole.size(), 5);
    ASSERT_EQ(all.size(), 5);
    VRCManagedObjectWriter writer;
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(
            writer.stringFromRecipeManagedObject(all[i]), writer.stringFromRecipeManagedObject(whole[i]));
}

TEST_F(VRCManagedObjectReaderTest, ALimitThatEndsWithTheTextLeavesNothingOver)
{
    VRCManagedObjectReader reader(card("NAME:A") + card("NAME:B") + "\n# done\n");
    reader.setBatchLimit(2);
    quint64 count = 0;
    QString leftOver = "stale";
    EXPECT_EQ(reader.setOfManagedObjectsInContext(context.get(), &count, &leftOver).size(), 2);
    EXPECT_EQ(count, 2u);
    EXPECT_TRUE(leftOver.isNull());
}

// Cards cut short by another BEGIN or by the end of the text leave no recipe in the store.
TEST_F(VRCManagedObjectReaderTest, UnfinishedCardsLeaveNothingBehind)
{
    Log::Capture log;
    const QList<RecipeMO*> recipes = read("NAME:Before any card\nDIR:1:Stray\nEND:VRECIPECARD\n"
                                          "BEGIN:VRECIPECARD\nNAME:Cut short\nDIR:1:Lost\n"
                                          "BEGIN:VRECIPECARD\nNAME:Whole\nEND:VRECIPECARD\n"
                                          "BEGIN:VRECIPECARD\nNAME:No end\nING:1:1;cup;;rice;1 cup rice\n");
    ASSERT_EQ(recipes.size(), 1);
    EXPECT_EQ(recipes[0]->valueForKey("name").toString(), "Whole");
    EXPECT_TRUE(log.contains("VRCManagedObjectReader: BEGIN in line 7 while a card is open"));
    EXPECT_TRUE(log.contains("VRCManagedObjectReader: the text ends inside a card"));
    EXPECT_TRUE(log.contains("VRCManagedObjectReader: END in line 3 closes no card; ignored"));
    ASSERT_TRUE(save());
    EXPECT_EQ(recipeNamesInStore(), QStringList { "Whole" });
    EXPECT_EQ(fetchAll("Direction").size(), 1);
    EXPECT_EQ(fetchAll("RecipeIngredient").size(), 1);
}

TEST_F(VRCManagedObjectReaderTest, DamagedFilesGiveTheWholeCardsOnly)
{
    const struct {
        const char* file;
        QStringList names;
    } cases[] = {
        { "two_cards.vrc", { "Lentil Soup: the best", "Roast Chicken" } },
        { "mixed_endings.vrc", { "Pancakes", "Syrup" } },
        { "tags_without_values.vrc", { "Untitled Recipe" } },
        { "truncated.vrc", { "Flatbread" } },
        { "garbage.bin", { "Survivor" } },
        { "invalid_utf8.vrc", { "Cr\uFFFDme br\uFFFDl\uFFFDe", "Bad \uFFFD( sequence" } },
        { "utf16_bom.vrc", { "Crème brûlée" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Log::Capture log;
        VRCManagedObjectReader reader;
        ASSERT_TRUE(reader.initWithContentsOfFile(fixture(c.file)));
        std::unique_ptr<ManagedObjectContext> other = newContext();
        const QList<RecipeMO*> recipes = reader.setOfManagedObjectsInContext(other.get());
        QStringList names;
        for (const RecipeMO* recipe : recipes)
            names.append(recipe->valueForKey("name").toString());
        EXPECT_EQ(names, c.names);
        Error error;
        EXPECT_TRUE(other->save(&error)) << error.localizedDescription.toStdString();
    }
}

TEST_F(VRCManagedObjectReaderTest, AVeryLongLineIsReadWithoutHarm)
{
    const QString longText(10 * 1024 * 1024, QChar(u'x'));
    Log::Capture log;
    const QList<RecipeMO*> recipes = read(card("NAME:Long\nDIR:1:" + longText + "\nWHAT" + longText));
    ASSERT_EQ(recipes.size(), 1);
    const QStringList directions = itemTexts(recipes[0], "directions");
    ASSERT_EQ(directions.size(), 1);
    EXPECT_EQ(directions[0].size(), 2 + longText.size() * 2 + 5);
    for (const QString& line : log.lines())
        EXPECT_LT(line.size(), 2000);
}

TEST_F(VRCManagedObjectReaderTest, AReaderOffTheMainThreadSavesItsContext)
{
    ASSERT_TRUE(save());
    const QString text = card("NAME:From a worker\nCATEGORY:Soups\nING:1:2;cups;;leek;2 cups leek");
    bool ok = false;
    std::thread worker([&] {
        auto workerContext = newContext();
        VRCManagedObjectReader reader(text);
        ok = reader.setOfManagedObjectsInContext(workerContext.get()).size() == 1
            && !workerContext->hasChanges();
    });
    worker.join();

    EXPECT_TRUE(ok);
    std::unique_ptr<ManagedObjectContext> fresh = newContext();
    const QList<ManagedObject*> recipes = fetchAll("Recipe", fresh.get());
    ASSERT_EQ(recipes.size(), 1);
    EXPECT_EQ(recipes[0]->valueForKey("name").toString(), "From a worker");
    EXPECT_EQ(recipes[0]->valueForKeyPath("category.name").toString(), "Soups");
    EXPECT_EQ(recipes[0]->objectsForKey("collections").size(), 1);
}

TEST_F(VRCManagedObjectReaderTest, LinesAreConvertedToTheDefaultSystemWhenTheUserAsks)
{
    const QString line = "ING:1:2;cups;;flour;2 cups flour";
    const QString asWritten = "1:2;cup;;flour;2 cups flour";
    EXPECT_EQ(ingredientTexts(readOne(line)), QStringList { asWritten });

    UserDefaults::standardUserDefaults().setInteger(1, "KRDefaultMeasurementSystem");
    UnitsEngine::defaultEngine().updateMeasurementSystem();
    UserDefaults::standardUserDefaults().setBool(true, "KRConvertUnitsToDefaultMeasurementSystem");
    const QStringList converted = ingredientTexts(readOne(line));
    UserDefaults::standardUserDefaults().removeObjectForKey("KRDefaultMeasurementSystem");
    UnitsEngine::defaultEngine().updateMeasurementSystem();

    ASSERT_EQ(converted.size(), 1);
    EXPECT_NE(converted[0], asWritten);
    EXPECT_FALSE(converted[0].startsWith("1:2;cup;")) << converted[0].toStdString();
}
