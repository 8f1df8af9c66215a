#include "MeasurementUnit.h"

#include "Log.h"
#include "UnitsEngine.h"

#include <gtest/gtest.h>

namespace
{

Decimal dec(const char* text)
{
    return Decimal::decimalNumberWithString(QString::fromLatin1(text));
}

MeasurementUnitPtr makeUnit(const QString& name, const QString& plural, qint32 type, const char* factor,
    const QStringList& abbreviations = {}, const QString& display = QString())
{
    auto unit = MeasurementUnit::measurementUnitWithName(name);
    unit->setPluralName(plural);
    unit->setType(type);
    if (factor)
        unit->setConversionFactor(std::optional<Decimal>(dec(factor)));
    unit->setAbbreviations(abbreviations);
    if (!display.isNull())
        unit->setPreferredDisplayName(display);
    return unit;
}

} // namespace

TEST(MeasurementUnit, DefaultsOfABareUnit)
{
    MeasurementUnit unit;
    EXPECT_EQ(unit.name(), "New Unit");
    EXPECT_TRUE(unit.pluralName().isNull());
    EXPECT_EQ(unit.type(), 0);
    EXPECT_EQ(unit.system(), 0u);
    EXPECT_FALSE(unit.caseSensitive());
    EXPECT_FALSE(unit.conversionFactor().has_value());
    EXPECT_EQ(unit.preferredDisplayName(), "New Unit");
    EXPECT_TRUE(unit.abbreviations().isEmpty());
}

TEST(MeasurementUnit, NameMatching)
{
    const auto cup = makeUnit("cup", "cups", 1, "240", { "c." });
    const auto box = makeUnit("box", QString(), 3, "1");
    const auto fluidOunce = makeUnit("fluid ounce", QString(), 1, "30", { "fl. oz." });
    const auto tablespoon = makeUnit("tablespoon", QString(), 1, "15", { "T", "tbsp." }, "tbsp.");
    const auto inch = makeUnit("inch", QString(), 0, nullptr);

    struct Case {
        const MeasurementUnit* unit;
        const char* text;
        bool names;
    };
    const Case cases[] = {
        { cup.get(), "cup", true },
        { cup.get(), "cups", true },
        { cup.get(), "Cup", false }, // exact case
        { cup.get(), "Cups", false },
        { cup.get(), "c", true }, // abbreviation without its period
        { cup.get(), "c.", false }, // the text itself is not trimmed
        { cup.get(), "cs", true },
        { cup.get(), "", false },
        { box.get(), "boxes", true },
        { box.get(), "boxs", true },
        { box.get(), "boxen", false },
        { fluidOunce.get(), "fl. oz", true },
        { fluidOunce.get(), "fl oz", false },
        { fluidOunce.get(), "fluid ounces", true },
        { tablespoon.get(), "T", true },
        { tablespoon.get(), "t", false },
        { tablespoon.get(), "tbsp.", true }, // the stored display name, as it stands
        { tablespoon.get(), "tbsp", true },
        { tablespoon.get(), "Ts", true },
        { inch.get(), "inches", true },
        { inch.get(), "pinch", false },
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.unit->isEqualToString(QString::fromLatin1(c.text)), c.names)
            << c.unit->name().toStdString() << " / " << c.text;
}

TEST(MeasurementUnit, NameMatchingOfAVeryLongPluralTextEnds)
{
    const auto unit = makeUnit("s", QString(), 0, nullptr);
    const QString text(50000, QLatin1Char('s'));
    EXPECT_TRUE(unit->isEqualToString(text));
    EXPECT_FALSE(makeUnit("cup", QString(), 0, nullptr)->isEqualToString(QString(50000, QLatin1Char('s'))));
    EXPECT_FALSE(makeUnit("cup", QString(), 0, nullptr)->isEqualToString(QString("es").repeated(25000)));
}

TEST(MeasurementUnit, AllNamesHoldEverySpellingOnceSortedIgnoringCase)
{
    const auto unit
        = makeUnit("tablespoon", "tablespoons", 1, "15", { "tbsp.", "tbsp", "T", "Tbs.", "", "T." }, "Tbsp");
    EXPECT_EQ(unit->allNames().join("|"), "T|T.|tablespoon|tablespoons|Tbs|Tbs.|Tbsp|tbsp|tbsp.");

    const auto bare = makeUnit("pinch.", QString(), 0, nullptr);
    EXPECT_EQ(bare->allNames().join("|"), "pinch|pinch.");

    // An empty stored display name adds the name it falls back to, which is there already.
    const auto generic = UnitsEngine::genericUnit();
    EXPECT_EQ(generic->allNames(), QStringList({ "Generic" }));
}

TEST(MeasurementUnit, TypeAndSystemCodesOutOfRangeAreLoggedAndIgnored)
{
    struct Case {
        qint64 code;
        bool isType;
        qint64 expected;
        const char* log;
    };
    const Case cases[] = {
        { 3, true, 3, nullptr },
        { 4, true, 1, "invalid measurement type code.\n" },
        { -1, true, 1, "invalid measurement type code.\n" },
        { 2, false, 2, nullptr },
        { 3, false, 1, "invalid measurement system code: 3.\n" },
        { 5, false, 1, "invalid measurement system code: 5.\n" },
    };
    for (const Case& c : cases) {
        MeasurementUnit unit("cup");
        unit.setType(1);
        unit.setSystem(1);
        Log::Capture capture;
        if (c.isType)
            unit.setType(c.code);
        else
            unit.setSystem(c.code);
        EXPECT_EQ(c.isType ? qint64(unit.type()) : qint64(unit.system()), c.expected) << c.code;
        if (c.log)
            EXPECT_EQ(capture.lines(), QStringList({ QString::fromLatin1(c.log) }));
        else
            EXPECT_TRUE(capture.lines().isEmpty());
    }
}

TEST(MeasurementUnit, ConversionFactorTakesAnyNumberAndClearsOnAnythingElse)
{
    struct Case {
        QVariant value;
        const char* expected; // nullptr: no factor
    };
    const Case cases[] = {
        { QVariant(qint64(240)), "240" },
        { QVariant(14.78676478125), "14.78676478125" },
        { QVariant::fromValue(dec("0.001")), "0.001" },
        { QVariant(QStringLiteral("240")), nullptr },
        { QVariant(), nullptr },
        { QVariant(std::nan("")), nullptr },
    };
    for (const Case& c : cases) {
        MeasurementUnit unit("cup");
        unit.setConversionFactor(std::optional<Decimal>(dec("5")));
        unit.setConversionFactor(c.value);
        if (c.expected) {
            ASSERT_TRUE(unit.conversionFactor().has_value()) << c.expected;
            EXPECT_EQ(*unit.conversionFactor(), dec(c.expected));
        } else {
            EXPECT_FALSE(unit.conversionFactor().has_value()) << c.value.toString().toStdString();
        }
    }
}

TEST(MeasurementUnit, Conversion)
{
    const auto cup = makeUnit("cup", QString(), 1, "240");
    const auto tablespoon = makeUnit("tablespoon", QString(), 1, "15");
    const auto gram = makeUnit("gram", QString(), 2, "1");
    const auto bare = makeUnit("handful", QString(), 0, nullptr);
    const auto broken = makeUnit("broken", QString(), 1, "0");
    const auto clove = makeUnit("clove", QString(), 3, "1");
    const auto usCup = makeUnit("cup", QString(), 1, "236.5882365");
    const auto usTablespoon = makeUnit("tablespoon", QString(), 1, "14.78676478125");
    const MeasurementUnit* generic = UnitsEngine::genericUnit().get();

    struct Case {
        const MeasurementUnit* from;
        const MeasurementUnit* to;
        std::optional<Decimal> amount;
        const char* expected; // nullptr: no answer
    };
    const Case cases[] = {
        { cup.get(), tablespoon.get(), dec("2"), "32" },
        { tablespoon.get(), cup.get(), dec("8"), "0.5" },
        { usCup.get(), usTablespoon.get(), dec("1"), "16" },
        { cup.get(), generic, dec("2"), "2" },
        { generic, cup.get(), dec("2"), "2" },
        { clove.get(), clove.get(), dec("3"), "3" },
        { cup.get(), gram.get(), dec("2"), nullptr }, // a volume is not a weight
        { clove.get(), cup.get(), dec("2"), nullptr },
        { cup.get(), bare.get(), dec("2"), nullptr }, // no factor
        { bare.get(), cup.get(), dec("2"), nullptr },
        { broken.get(), cup.get(), dec("2"), nullptr }, // a zero factor of its own
        { cup.get(), nullptr, dec("2"), nullptr },
        { cup.get(), tablespoon.get(), std::nullopt, nullptr },
        { cup.get(), tablespoon.get(), Decimal::notANumber(), nullptr },
    };
    for (const Case& c : cases) {
        const std::optional<Decimal> result = c.from->convertAmount(c.amount, c.to);
        const std::string label
            = c.from->name().toStdString() + " -> " + (c.to ? c.to->name().toStdString() : "null");
        if (c.expected) {
            ASSERT_TRUE(result.has_value()) << label;
            EXPECT_EQ(*result, dec(c.expected)) << label << " gave " << result->stringValue().toStdString();
            EXPECT_TRUE(c.from->canConvertToUnit(c.to)) << label;
        } else {
            EXPECT_FALSE(result.has_value()) << label;
            if (c.amount && c.amount->isValid()) {
                EXPECT_FALSE(c.from->canConvertToUnit(c.to)) << label;
            }
        }
    }
}

TEST(MeasurementUnit, ConversionIntoAZeroFactorLogsOnceAndAnswersNothing)
{
    const auto cup = makeUnit("cup", QString(), 1, "240");
    const auto broken = makeUnit("broken", QString(), 1, "0");
    Log::Capture capture;
    EXPECT_FALSE(cup->convertAmount(dec("2"), broken.get()).has_value());
    EXPECT_EQ(capture.lines(), QStringList({ "invalid conversion factor for unit: broken" }));
    EXPECT_FALSE(
        UnitsEngine::convertAmount(dec("2"), UnitsEngine::genericUnit().get(), broken.get()).has_value());
}

TEST(MeasurementUnit, DictionaryRoundTrip)
{
    const auto unit
        = makeUnit("fluid ounce", "fluid ounces", 1, "29.5735295625", { "fl. oz.", "fl oz" }, "fl. oz.");
    unit->setSystem(2);
    unit->setCaseSensitive(true);
    const QVariantMap dictionary = unit->dictionaryValue();
    EXPECT_EQ(dictionary.value("name"), QVariant("fluid ounce"));
    EXPECT_EQ(
        dictionary.value("abbreviations").toList().first().toMap().value("string"), QVariant("fl. oz."));
    EXPECT_EQ(MeasurementUnit(dictionary).dictionaryValue(), dictionary);
    EXPECT_EQ(*MeasurementUnit(dictionary).conversionFactor(), dec("29.5735295625"));

    // Written without a display name of its own: the name stands in, and reads back as stored.
    const auto bare = makeUnit("pinch", QString(), 3, "1");
    EXPECT_EQ(bare->dictionaryValue().value("preferredDisplayName"), QVariant("pinch"));
    EXPECT_FALSE(bare->dictionaryValue().contains("pluralName"));
    EXPECT_EQ(bare->dictionaryValue().value("conversionFactor").typeId(), QMetaType::LongLong);
    EXPECT_FALSE(makeUnit("inch", QString(), 0, nullptr)->dictionaryValue().contains("conversionFactor"));
}

TEST(MeasurementUnit, DictionaryCodesAreKeptAsReadAndTypeNoneReadsNoFactor)
{
    const QVariantMap entry { { "name", "odd" }, { "type", qint64(0) }, { "system", qint64(5) },
        { "conversionFactor", qint64(12) },
        { "abbreviations", QVariantList { QVariantMap {}, QVariantMap { { "string", "od" } } } } };
    MeasurementUnit unit(entry);
    EXPECT_EQ(unit.system(), 5u);
    EXPECT_FALSE(unit.conversionFactor().has_value());
    EXPECT_EQ(unit.abbreviations(), QStringList({ "od" }));

    QVariantMap typed = entry;
    typed.insert("type", qint64(7));
    EXPECT_EQ(MeasurementUnit(typed).type(), 7);
    EXPECT_EQ(*MeasurementUnit(typed).conversionFactor(), dec("12"));
}

TEST(MeasurementUnit, AllNamesObserversHearOfSpellingChanges)
{
    MeasurementUnit unit("cup");
    int told = 0;
    const int token = unit.addAllNamesObserver([&] { ++told; });
    unit.addAbbreviation("c.");
    unit.setAbbreviations({ "c" });
    unit.setType(2);
    EXPECT_EQ(told, 2);
    unit.removeAllNamesObserver(token);
    unit.setName("mug");
    EXPECT_EQ(told, 2);
}
