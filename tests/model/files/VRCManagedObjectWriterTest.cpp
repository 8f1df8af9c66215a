#include "VRCManagedObjectWriter.h"

#include "CardFixture.h"
#include "Log.h"
#include "VRCReader.h"

namespace
{

class VRCManagedObjectWriterTest : public CardFixture
{
protected:
    // Items are made out of index order on purpose: the card lists them by index.
    RecipeMO* leekSoup()
    {
        RecipeMO* soup = bareRecipe("Leek Soup");
        soup->setPrimitiveValue(qint64(1234), "onlineID");
        soup->setValueForKey("Soups", "category");
        soup->setPrimitiveValue("Warm.\n\nGood in winter.", "recipeDescription");
        soup->setPrimitiveValue("4 servings", "yield");
        soup->setPrimitiveValue(QVariant(), "cookTime");
        soup->setValueForKey("Grandma", "kitchen");
        addIngredient(soup, 2, "1", "tsp.", QVariant(), "salt", "1 tsp. salt");
        addIngredient(soup, 1, "2", "cup", "chopped", "leek", "2 cup chopped leek; washed");
        addItem(soup, "Direction", 2, "Simmer");
        addItem(soup, "Direction", 1, "Chop: the leeks.");
        addItem(soup, "Note", 1, "Keeps 3 days.");
        return soup;
    }

    VRCManagedObjectWriter writer;
};

} // namespace

TEST_F(VRCManagedObjectWriterTest, WritesTheCardLineByLine)
{
    const QString card = writer.stringFromRecipeManagedObject(leekSoup());

    EXPECT_EQ(card.toStdString(),
        "BEGIN:VRECIPECARD\n"
        "VERSION:1.0\n"
        "NAME:Leek Soup\n"
        "ONLINEID:1234\n"
        "CATEGORY:Soups\n"
        "CUISINE:(null)\n"
        "DESCRIPTION:<<start>>Warm.\n"
        "\n"
        "Good in winter.<<end>>\n"
        "YIELD:4 servings\n"
        "COOKTIME:(null)\n"
        "KITCHEN:Grandma\n"
        "ING:1:2;cup;chopped;leek;2 cup chopped leek; washed\n"
        "ING:2:1;tsp.;(null);salt;1 tsp. salt\n"
        "DIR:1:Chop: the leeks.\n"
        "DIR:2:Simmer\n"
        "NOTE:1:Keeps 3 days.\n"
        "END:VRECIPECARD\n");
}

TEST_F(VRCManagedObjectWriterTest, ABareRecipeWritesNullValuesAndNoOnlineID)
{
    RecipeMO* recipe = bareRecipe("Toast");
    for (const char* key : { "recipeDescription", "yield", "cookTime" })
        recipe->setPrimitiveValue(QVariant(), key);
    addIngredient(recipe, 1, QVariant(), QVariant(), QVariant(), QString(), QVariant());

    const QString card = writer.stringFromRecipeManagedObject(recipe);

    EXPECT_EQ(card.toStdString(),
        "BEGIN:VRECIPECARD\n"
        "VERSION:1.0\n"
        "NAME:Toast\n"
        "CATEGORY:(null)\n"
        "CUISINE:(null)\n"
        "DESCRIPTION:<<start>>(null)<<end>>\n"
        "YIELD:(null)\n"
        "COOKTIME:(null)\n"
        "KITCHEN:(null)\n"
        "ING:1:(null);(null);(null);(null);(null)\n"
        "END:VRECIPECARD\n");
}

TEST_F(VRCManagedObjectWriterTest, WritesOneCardPerRecipeOfAListAndSkipsOtherMembers)
{
    RecipeMO* soup = leekSoup();
    RecipeMO* toast = bareRecipe("Toast");
    ManagedObject* category = insertNamed("Category", "Breads");

    Log::Capture log;
    const std::optional<QStringList> cards
        = writer.stringsFromRecipeManagedObjects(QVariantList { QVariant::fromValue<ManagedObject*>(toast),
            QVariant::fromValue(category), QString("text"), QVariant::fromValue<ManagedObject*>(soup) });

    ASSERT_TRUE(cards);
    ASSERT_EQ(cards->size(), 2);
    EXPECT_TRUE(cards->at(0).contains("NAME:Toast\n"));
    EXPECT_TRUE(cards->at(1).contains("NAME:Leek Soup\n"));
    EXPECT_EQ(
        log.lines().count("stringsFromRecipeManagedObjects: unknown object type in collection: skipping\n"),
        2);

    EXPECT_EQ(writer.stringsFromRecipeManagedObjects(QList<ManagedObject*> { soup }).size(), 1);
}

TEST_F(VRCManagedObjectWriterTest, AnythingButAListIsRefused)
{
    Log::Capture log;
    EXPECT_FALSE(writer.stringsFromRecipeManagedObjects(QVariant(QString("Leek Soup"))));
    EXPECT_FALSE(writer.stringsFromRecipeManagedObjects(QVariant()));
    EXPECT_TRUE(log.contains("stringsFromRecipeManagedObjects: unknown collection type: QString"));
}

// Values that hold line breaks or the format's markers come back as one card with their text.
TEST_F(VRCManagedObjectWriterTest, ValuesWithLineBreaksAndMarkersReadBackAsOneCard)
{
    RecipeMO* stew = bareRecipe("Stew\nfor two");
    addIngredient(stew, 1, "1", "cup", QVariant(), "water", "1 cup water\nEND:VRECIPECARD");
    addItem(stew, "Direction", 1, "Boil.\nEND:VRECIPECARD\nBEGIN:VRECIPECARD\nNAME:Intruder");
    addItem(stew, "Direction", 2, "Stir <<start>> well");
    addItem(stew, "Note", 1, "Keeps<<end>>\u2028a day.");

    const QString card = writer.stringFromRecipeManagedObject(stew);
    const VRCReader reader(card + writer.stringFromRecipeManagedObject(bareRecipe("Bread")));
    const QList<VRCRecipe> read = reader.vrcObjects();

    ASSERT_EQ(read.size(), 2) << card.toStdString();
    EXPECT_EQ(read[0].name(), "Stew\nfor two");
    ASSERT_EQ(read[0].ingredients().size(), 1);
    // Lines that would open or close a card keep their text behind an invisible zero-width space.
    EXPECT_EQ(read[0].ingredients()[0].displayString(), "1 cup water\n\u200BEND:VRECIPECARD");
    EXPECT_EQ(read[0].directions(),
        (QStringList {
            "Boil.\n\u200BEND:VRECIPECARD\n\u200BBEGIN:VRECIPECARD\nNAME:Intruder", "Stir  well" }));
    EXPECT_EQ(read[0].notes(), QStringList { "Keeps\u2028a day." });
    EXPECT_EQ(read[1].name(), "Bread");
}
