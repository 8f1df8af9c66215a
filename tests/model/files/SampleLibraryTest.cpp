#include "Log.h"
#include "ModelStoreFixture.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "VRCManagedObjectReader.h"
#include "VRCManagedObjectWriter.h"
#include "VRCReader.h"

#include <QRegularExpression>
#include <QSet>

namespace
{

const QString sampleLibrary = QStringLiteral(KITCHORA_SOURCE_DIR "/resources/sample/SampleLibrary.vrc");

class SampleLibraryTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        makeCollection("RBCollectionKindMainLibrary");
        static const bool unitsLoaded = [] {
            UnitsEngine::defaultEngine().loadUnits(QString());
            return true;
        }();
        (void)unitsLoaded;
    }
};

bool hasValue(const QString& text)
{
    return !text.isEmpty() && text != QLatin1String("(null)");
}

// The cards as the file holds them, without their RATING lines: the writer writes none.
QStringList cardTextsWithoutRatings(QString text)
{
    text.remove(QRegularExpression("^RATING:[^\n]*\n", QRegularExpression::MultilineOption));
    const QString end = "END:VRECIPECARD\n";
    QStringList cards = text.split(end, Qt::SkipEmptyParts);
    for (QString& card : cards)
        card += end;
    return cards;
}

} // namespace

TEST_F(SampleLibraryTest, EveryCardReadsAsACompleteRecipe)
{
    Log::Capture log;
    VRCReader plain;
    ASSERT_TRUE(plain.initWithContentsOfFile(sampleLibrary));
    const QList<VRCRecipe> cards = plain.vrcObjects();
    ASSERT_GE(cards.size(), 24);

    QSet<QString> names;
    for (const VRCRecipe& card : cards) {
        SCOPED_TRACE(card.name().toStdString());
        EXPECT_TRUE(hasValue(card.name()));
        EXPECT_FALSE(names.contains(card.name()));
        names.insert(card.name());
        for (const QString& value : { card.category(), card.cuisine(), card.yield(), card.kitchen() })
            EXPECT_TRUE(hasValue(value));
        EXPECT_GE(card.ingredients().size(), 3);
        for (const VRCIngredient& ingredient : card.ingredients())
            EXPECT_TRUE(hasValue(ingredient.ingredientName())) << ingredient.displayString().toStdString();
        EXPECT_GE(card.directions().size(), 2);
        for (const QString& direction : card.directions())
            EXPECT_TRUE(hasValue(direction));
    }

    VRCManagedObjectReader reader;
    ASSERT_TRUE(reader.initWithContentsOfFile(sampleLibrary));
    const QList<RecipeMO*> recipes = reader.setOfManagedObjectsInContext(context.get());
    ASSERT_EQ(recipes.size(), cards.size());

    // Every ingredient line finds its ingredient, and every unit it names is one of the known units.
    QSet<quint64> systems;
    for (const RecipeMO* recipe : recipes) {
        SCOPED_TRACE(recipe->valueForKey("name").toString().toStdString());
        for (const ManagedObject* line : recipe->sortedItemsForKey("ingredients")) {
            SCOPED_TRACE(line->valueForKey("displayString").toString().toStdString());
            EXPECT_TRUE(line->objectForKey("baseIngredient"));
            const QString measure = line->valueForKey("measure").toString();
            if (measure.isEmpty())
                continue;
            const MeasurementUnitPtr unit = UnitsEngine::defaultEngine().unitForName(measure);
            ASSERT_TRUE(unit);
            EXPECT_FALSE(unit->isTransient());
            systems.insert(unit->system());
        }
    }
    EXPECT_TRUE(systems.contains(MeasurementUnit::SystemMetric));
    EXPECT_TRUE(systems.contains(MeasurementUnit::SystemUS));

    // The cards are written as the writer writes them, so every field came through as it stands. A
    // card without notes gains the empty note every recipe has, which the writer writes as "(null)".
    const QStringList texts = cardTextsWithoutRatings(plain.string());
    ASSERT_EQ(texts.size(), recipes.size());
    VRCManagedObjectWriter writer;
    for (qsizetype i = 0; i < recipes.size(); ++i) {
        QString written = writer.stringFromRecipeManagedObject(recipes[i]);
        if (!texts[i].contains("\nNOTE:"))
            written.remove("NOTE:1:(null)\n");
        EXPECT_EQ(written.toStdString(), texts[i].toStdString());
    }

    EXPECT_TRUE(log.lines().isEmpty()) << log.lines().join(u'\n').toStdString();
    EXPECT_TRUE(save());
}
