#include "Log.h"
#include "ScratchUserDefaults.h"
#include "UnitsEngine.h"

#include <QFile>
#include <QLocale>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

QString dataFile(const char* name)
{
    return QStringLiteral(KITCHORA_TEST_DATA "/") + QString::fromLatin1(name);
}

QVariantList entriesOf(const UnitsEngine& engine)
{
    QVariantList entries;
    for (const MeasurementUnitPtr& unit : engine.units())
        entries.append(unit->dictionaryValue());
    return entries;
}

Decimal dec(const char* text)
{
    return Decimal::decimalNumberWithString(QString::fromLatin1(text));
}

} // namespace

TEST(UnitsFile, MergingAUserFileOverKnownUnits)
{
    UnitsEngine engine(dataFile("base.plist"));
    ASSERT_EQ(engine.units().size(), 2);
    const MeasurementUnitPtr cup = engine.unitForName("cup");
    const MeasurementUnitPtr knob = engine.unitForName("knob");
    ASSERT_TRUE(cup && knob);
    EXPECT_EQ(*cup->conversionFactor(), dec("236.5882365"));
    EXPECT_FALSE(knob->conversionFactor()) << "type 0 reads no factor";

    Log::Capture capture;
    engine.addContentsOfFile(dataFile("overlay.plist"));
    EXPECT_EQ(capture.lines(), QStringList({ "invalid measurement system code: 5.\n" }));

    ASSERT_EQ(engine.units().size(), 3);
    EXPECT_EQ(engine.unitForName("cup"), cup);
    EXPECT_EQ(cup->abbreviations(), QStringList({ "c.", "C" }));
    EXPECT_EQ(*cup->conversionFactor(), dec("236.5882365")) << "a zero factor replaces nothing";
    EXPECT_EQ(cup->system(), 2u);
    EXPECT_EQ(cup->type(), 1);
    ASSERT_TRUE(knob->conversionFactor()) << "merged over a known unit, the factor is set";
    EXPECT_EQ(*knob->conversionFactor(), dec("15"));

    const MeasurementUnitPtr scoop = engine.unitForName("scoop");
    ASSERT_TRUE(scoop);
    EXPECT_EQ(scoop->system(), 5u) << "a new unit keeps its codes as read";
    EXPECT_EQ(scoop->type(), 3);
    EXPECT_TRUE(scoop->caseSensitive());
    EXPECT_FALSE(scoop->conversionFactor());
    EXPECT_TRUE(engine.unitNames().contains("C"));
}

TEST(UnitsFile, BadFilesAddNothingAndNeverFail)
{
    const struct {
        const char* file;
        bool logs;
    } cases[] = { { "missing.plist", false }, { "damaged.plist", true }, { "dictionary.plist", true },
        { "measures.txt", true } };
    for (const auto& c : cases) {
        UnitsEngine engine(dataFile("base.plist"));
        Log::Capture capture;
        engine.addContentsOfFile(dataFile(c.file));
        EXPECT_EQ(engine.units().size(), 2) << c.file;
        EXPECT_EQ(!capture.lines().isEmpty(), c.logs) << c.file;
    }
}

TEST(UnitsFile, WrittenUnitsReadBackEqual)
{
    UnitsEngine engine(dataFile("base.plist"));
    engine.addContentsOfFile(dataFile("overlay.plist"));
    engine.addSimpleMeasures({ "handful" });
    QTemporaryDir dir;
    const QString path = dir.filePath("units.plist");
    ASSERT_TRUE(engine.writeUnitsToFile(path, true));
    UnitsEngine reread(path);
    const QVariantList written = entriesOf(engine);
    const QVariantList read = entriesOf(reread);
    ASSERT_EQ(read.size(), written.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        QVariantMap expected = written.at(i).toMap();
        // A unit of type 0 carries no factor into a file read again.
        if (expected.value("type").toInt() == 0)
            expected.remove("conversionFactor");
        EXPECT_EQ(read.at(i).toMap(), expected) << expected.value("name").toString().toStdString();
    }
}

TEST(UnitsFile, WritingWhereNoFileCanBeLogs)
{
    UnitsEngine engine(dataFile("base.plist"));
    Log::Capture capture;
    const QString path = QStringLiteral("/nonexistent-folder/units.plist");
    EXPECT_FALSE(engine.writeUnitsToFile(path, true));
    EXPECT_EQ(capture.lines(),
        QStringList({ "UnitsController: Unable to write units plist to file: " + path + "\n" }));
}

TEST(UnitsFile, SimpleMeasuresFileDropsEmptyLines)
{
    EXPECT_EQ(UnitsEngine::simpleMeasuresFromFile(dataFile("measures.txt")),
        QStringList({ "cup", "handful", "knob" }));
    EXPECT_TRUE(UnitsEngine::simpleMeasuresFromFile(dataFile("missing.txt")).isEmpty());
}

// The registry the program ships with.
class ShippedUnits : public ::testing::Test
{
protected:
    ScratchUserDefaults scratch;
    void SetUp() override { engine.loadUnits(QString()); }
    UnitsEngine engine;
};

TEST_F(ShippedUnits, RoundTripUnchanged)
{
    UnitsEngine resource(QStringLiteral(":/units.plist"));
    ASSERT_GT(resource.units().size(), 50);
    QTemporaryDir dir;
    const QString path = dir.filePath("units.plist");
    ASSERT_TRUE(resource.writeUnitsToFile(path, true));
    UnitsEngine reread(path);
    EXPECT_EQ(entriesOf(reread), entriesOf(resource));

    // The shipped file is exactly what the engine writes.
    QFile shipped(QStringLiteral(":/units.plist"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_EQ(written.readAll(), shipped.readAll());

    QTemporaryDir again;
    ASSERT_TRUE(reread.writeUnitsToFile(again.filePath("units.plist"), false));
    QFile first(path);
    QFile second(again.filePath("units.plist"));
    ASSERT_TRUE(first.open(QIODevice::ReadOnly) && second.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), second.readAll());
}

TEST_F(ShippedUnits, NamesTheUnitsConversionsNeed)
{
    for (const char* name :
        { "liter", "ml", "gram", "quart", "fl. oz.", "oz.", "g", "kg", "gallon", "gal.", "qt.", "lbs." })
        EXPECT_TRUE(engine.unitForName(QString::fromLatin1(name))) << name;
    // Those the grocery rules test with name matching must match as spelled there.
    EXPECT_TRUE(engine.unitForName("gallon")->isEqualToString("gal."));
    EXPECT_TRUE(engine.unitForName("quart")->isEqualToString("qt."));
    EXPECT_TRUE(engine.unitForName("pound")->isEqualToString("lbs."));
    EXPECT_TRUE(engine.unitForName("kilogram")->isEqualToString("kg"));
    EXPECT_TRUE(engine.unitForName("fluid ounce")->isEqualToString("fl. oz."));
}

TEST_F(ShippedUnits, EveryUnitNameIsUniqueAndTheMeasuresAreLoaded)
{
    QSet<QString> names;
    for (const MeasurementUnitPtr& unit : engine.units())
        EXPECT_FALSE(names.contains(unit->name())) << unit->name().toStdString();
    EXPECT_TRUE(engine.unitForName("inches"));
    EXPECT_EQ(engine.unitForName("inch")->type(), 0);
}

TEST_F(ShippedUnits, CommonSpellingsFindTheirUnit)
{
    const struct {
        const char* text;
        const char* unit;
    } cases[] = {
        { "tsp", "teaspoon" },
        { "tsp.", "teaspoon" },
        { "t", "teaspoon" },
        { "teaspoons", "teaspoon" },
        { "Tbsp", "tablespoon" },
        { "tbsp.", "tablespoon" },
        { "T", "tablespoon" },
        { "tbs", "tablespoon" },
        { "tablespoons", "tablespoon" },
        { "cups", "cup" },
        { "c.", "cup" },
        { "fl oz", "fluid ounce" },
        { "fl. oz.", "fluid ounce" },
        { "pt.", "pint" },
        { "qts", "quart" },
        { "gal", "gallon" },
        { "ml", "milliliter" },
        { "mL", "milliliter" },
        { "millilitres", "milliliter" },
        { "cl", "centiliter" },
        { "dl", "deciliter" },
        { "L", "liter" },
        { "litres", "liter" },
        { "mg", "milligram" },
        { "g", "gram" },
        { "grams", "gram" },
        { "kg", "kilogram" },
        { "kilos", "kilogram" },
        { "oz", "ounce" },
        { "ounces", "ounce" },
        { "lb", "pound" },
        { "lbs", "pound" },
        { "pounds", "pound" },
        { "pinches", "pinch" },
        { "dashes", "dash" },
        { "cloves", "clove" },
        { "cans", "can" },
        { "pkg.", "package" },
        { "sticks", "stick" },
        { "slices", "slice" },
        { "bunches", "bunch" },
        { "sprigs", "sprig" },
        { "heads", "head" },
        { "pieces", "piece" },
        { "leaves", "leaf" },
        { "loaves", "loaf" },
        { "handfuls", "handful" },
        { "boxes", "box" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(engine.unitForName(QString::fromLatin1(c.text))
                ? engine.unitForName(QString::fromLatin1(c.text))->name()
                : QString("(none)"),
            QString::fromLatin1(c.unit))
            << c.text;
}

TEST_F(ShippedUnits, KitchenConversionsAreExact)
{
    const struct {
        const char* amount;
        const char* from;
        const char* to;
        const char* result;
    } cases[] = {
        { "1", "cup", "tbsp", "16" },
        { "1", "tbsp", "tsp", "3" },
        { "1", "cup", "fl oz", "8" },
        { "1", "gallon", "quart", "4" },
        { "1", "quart", "pint", "2" },
        { "1", "pint", "cup", "2" },
        { "1", "lb", "oz", "16" },
        { "1", "kg", "g", "1000" },
        { "1", "liter", "ml", "1000" },
        { "1", "oz", "g", "28.349523125" },
        { "1", "lb", "g", "453.59237" },
        { "1", "fl oz", "ml", "29.5735295625" },
        { "1", "gallon", "liter", "3.785411784" },
        { "1", "dl", "cl", "10" },
    };
    for (const auto& c : cases) {
        const MeasurementUnitPtr from = engine.unitForName(QString::fromLatin1(c.from));
        const MeasurementUnitPtr to = engine.unitForName(QString::fromLatin1(c.to));
        ASSERT_TRUE(from && to) << c.from << " " << c.to;
        const std::optional<Decimal> result = from->convertAmount(dec(c.amount), to.get());
        ASSERT_TRUE(result) << c.from << " -> " << c.to;
        EXPECT_EQ(*result, dec(c.result))
            << c.from << " -> " << c.to << " gave " << result->stringValue().toStdString();
    }
}

TEST_F(ShippedUnits, GroceryUnitsResolveInBothSystems)
{
    // The system each engine uses comes from the locale while no default is stored.
    for (const char* localeName : { "en_US", "de_DE" }) {
        const QLocale previous;
        QLocale::setDefault(QLocale(QString::fromLatin1(localeName)));
        UnitsEngine local;
        local.loadUnits(QString());
        QLocale::setDefault(previous);
        const bool us = local.defaultMeasurementSystem() == 2;
        const struct {
            const char* unit;
            const char* grocery;
        } cases[] = {
            { "cup", us ? "fluid ounce" : "milliliter" },
            { "tsp", us ? "fluid ounce" : "milliliter" },
            { "gallon", us ? "(none)" : "milliliter" },
            { "liter", us ? "fluid ounce" : "(none)" },
            { "lb", us ? "(none)" : "gram" },
            { "kg", us ? "ounce" : "(none)" },
            { "clove", "(none)" },
        };
        for (const auto& c : cases) {
            const MeasurementUnitPtr grocery
                = local.groceryListUnitForUnit(local.unitForName(QString::fromLatin1(c.unit)).get());
            EXPECT_EQ(grocery ? grocery->name() : QString("(none)"), QString::fromLatin1(c.grocery))
                << localeName << " " << c.unit;
        }
    }
}
