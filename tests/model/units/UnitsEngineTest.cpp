#include "UnitsEngine.h"

#include "Log.h"
#include "NotificationCenter.h"
#include "ScratchUserDefaults.h"
#include "SearchEngineAccess.h"

#include <QLocale>
#include <gtest/gtest.h>
#include <mutex>

namespace
{

Decimal dec(const char* text)
{
    return Decimal::decimalNumberWithString(QString::fromLatin1(text));
}

MeasurementUnitPtr unit(const QString& name, qint32 type, quint64 system, const char* factor,
    const QStringList& abbreviations, const QString& display = QString(), const QString& plural = QString())
{
    auto u = MeasurementUnit::measurementUnitWithName(name);
    u->setType(type);
    u->setSystem(qint64(system));
    if (factor)
        u->setConversionFactor(std::optional<Decimal>(dec(factor)));
    u->setAbbreviations(abbreviations);
    u->setPreferredDisplayName(display);
    u->setPluralName(plural);
    return u;
}

// A small registry shaped like the real one.
QList<MeasurementUnitPtr> kitchenUnits()
{
    return {
        unit("teaspoon", 1, 2, "4.92892159375", { "tsp.", "t" }, "tsp.", "teaspoons"),
        unit("tablespoon", 1, 2, "14.78676478125", { "tbsp.", "T" }, "tbsp.", "tablespoons"),
        unit("fluid ounce", 1, 2, "29.5735295625", { "fl. oz.", "fl oz" }, "fl. oz.", "fluid ounces"),
        unit("cup", 1, 2, "236.5882365", { "c." }, "cup", "cups"),
        unit("quart", 1, 2, "946.352946", { "qt." }, "qt.", "quarts"),
        unit("gallon", 1, 2, "3785.411784", { "gal." }, "gal.", "gallons"),
        unit("milliliter", 1, 1, "1", { "ml" }, "ml", "milliliters"),
        unit("liter", 1, 1, "1000", { "l", "L" }, "L", "liters"),
        unit("gram", 2, 1, "1", { "g" }, "g", "grams"),
        unit("kilogram", 2, 1, "1000", { "kg" }, "kg", "kilograms"),
        unit("ounce", 2, 2, "28.349523125", { "oz." }, "oz.", "ounces"),
        unit("pound", 2, 2, "453.59237", { "lb.", "lbs." }, "lbs.", "pounds"),
        unit("clove", 3, 0, "1", {}, "clove", "cloves"),
        unit("inch", 0, 0, nullptr, {}),
    };
}

// Engines read the default system when made; the locale decides while no default is stored.
class LocaleScope
{
public:
    explicit LocaleScope(const char* name)
        : m_previous(QLocale())
    {
        QLocale::setDefault(QLocale(QString::fromLatin1(name)));
    }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

std::unique_ptr<UnitsEngine> engineWithSystem(quint64 system)
{
    LocaleScope locale(system == 2 ? "en_US" : "de_DE");
    auto engine = std::make_unique<UnitsEngine>(kitchenUnits());
    EXPECT_EQ(engine->defaultMeasurementSystem(), system);
    return engine;
}

QString nameOf(const MeasurementUnitPtr& u)
{
    return u ? u->name() : QStringLiteral("(none)");
}

class UnitsEngineTest : public ::testing::Test
{
protected:
    ScratchUserDefaults scratch;
};

class CountingSearch : public SearchEngineAccess
{
public:
    void clearSearchCacheOnNextSearch() override { ++clears; }
    int clears = 0;
};

} // namespace

TEST_F(UnitsEngineTest, LookupTrimsTheTextAndMatchesCaseSensitively)
{
    const auto engine = engineWithSystem(2);
    const struct {
        const char* text;
        const char* unit;
    } cases[] = {
        { "cups", "cup" },
        { "  cups.\n", "cup" },
        { "Cups", "(none)" },
        { "fl. oz.", "fluid ounce" },
        { "fl oz", "fluid ounce" },
        { "fl. oz", "fluid ounce" },
        { "T", "tablespoon" },
        { "t", "teaspoon" },
        { "Ts", "tablespoon" },
        { "tbsp.", "tablespoon" },
        { "lbs.", "pound" },
        { "inches", "inch" },
        { "", "(none)" },
        { " ... ", "(none)" },
        { "handful", "(none)" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(nameOf(engine->unitForName(QString::fromLatin1(c.text))), QString::fromLatin1(c.unit))
            << c.text;
}

TEST_F(UnitsEngineTest, LookupAnswersTheFirstUnitInRegistryOrder)
{
    UnitsEngine engine(
        QList<MeasurementUnitPtr> { unit("pint", 1, 2, "473", { "p" }), unit("pinch", 3, 0, "1", { "p" }) });
    EXPECT_EQ(nameOf(engine.unitForName("p")), "pint");
    EXPECT_EQ(nameOf(UnitsEngine().unitForName("cup")), "(none)");
}

TEST_F(UnitsEngineTest, TargetUnitInTheDefaultSystem)
{
    const struct {
        quint64 system;
        const char* unit;
        const char* target;
    } cases[] = {
        { 1, "cup", "milliliter" },
        { 1, "tablespoon", "milliliter" },
        { 1, "gallon", "liter" },
        { 1, "quart", "liter" },
        { 1, "pound", "gram" },
        { 1, "ounce", "gram" },
        { 1, "ml", "milliliter" }, // already metric: itself
        { 1, "clove", "(none)" },
        { 1, "inch", "(none)" },
        { 2, "liter", "quart" },
        { 2, "ml", "fluid ounce" },
        { 2, "kg", "ounce" },
        { 2, "g", "ounce" },
        { 2, "cup", "cup" },
    };
    for (const auto& c : cases) {
        const auto engine = engineWithSystem(c.system);
        const MeasurementUnitPtr from = engine->unitForName(QString::fromLatin1(c.unit));
        ASSERT_TRUE(from) << c.unit;
        EXPECT_EQ(nameOf(engine->unitOfDefaultMeasurementSystemForUnit(from)), QString::fromLatin1(c.target))
            << c.system << " " << c.unit;
    }
    EXPECT_FALSE(engineWithSystem(1)->unitOfDefaultMeasurementSystemForUnit(nullptr));
}

TEST_F(UnitsEngineTest, TargetMissingFromTheRegistryIsNone)
{
    LocaleScope locale("de_DE");
    UnitsEngine engine(QList<MeasurementUnitPtr> { unit("cup", 1, 2, "236.5882365", {}) });
    EXPECT_FALSE(engine.unitOfDefaultMeasurementSystemForUnit(engine.unitForName("cup")));
}

TEST_F(UnitsEngineTest, WhetherToConvertIntoTheDefaultSystem)
{
    const struct {
        quint64 system;
        const char* unit;
        bool convert;
    } cases[] = {
        { 1, "cup", true },
        { 1, "ml", false },
        { 1, "clove", false },
        { 1, "inch", false },
        { 2, "cup", false },
        { 2, "kg", true },
        { 2, "liter", true },
    };
    for (const auto& c : cases) {
        const auto engine = engineWithSystem(c.system);
        EXPECT_EQ(engine->shouldConvertUnitToDefaultMeasurementSystem(
                      engine->unitForName(QString::fromLatin1(c.unit)).get()),
            c.convert)
            << c.system << " " << c.unit;
    }
    // A unit of system 2 whose type is not convertible stays as it is.
    const auto engine = engineWithSystem(1);
    EXPECT_FALSE(engine->shouldConvertUnitToDefaultMeasurementSystem(unit("x", 0, 2, "1", {}).get()));
    EXPECT_FALSE(engine->shouldConvertUnitToDefaultMeasurementSystem(nullptr));
}

TEST_F(UnitsEngineTest, GroceryListUnit)
{
    const struct {
        quint64 system;
        const char* unit;
        const char* grocery;
    } cases[] = {
        { 1, "cup", "milliliter" },
        { 1, "liter", "(none)" },
        { 1, "gram", "gram" },
        { 1, "pound", "gram" },
        { 1, "kg", "(none)" },
        { 1, "clove", "(none)" },
        { 1, "inch", "(none)" },
        { 2, "ml", "fluid ounce" },
        { 2, "cup", "fluid ounce" },
        { 2, "gallon", "(none)" },
        { 2, "quart", "(none)" },
        { 2, "g", "ounce" },
        { 2, "pound", "(none)" },
        { 2, "clove", "(none)" },
    };
    for (const auto& c : cases) {
        const auto engine = engineWithSystem(c.system);
        EXPECT_EQ(
            nameOf(engine->groceryListUnitForUnit(engine->unitForName(QString::fromLatin1(c.unit)).get())),
            QString::fromLatin1(c.grocery))
            << c.system << " " << c.unit;
    }
}

TEST_F(UnitsEngineTest, ConvertingARecipeAmountIntoTheDefaultSystem)
{
    const auto engine = engineWithSystem(1);
    const MeasurementUnitPtr cup = engine->unitForName("cup");
    const MeasurementUnitPtr target = engine->unitOfDefaultMeasurementSystemForUnit(cup);
    const std::optional<Decimal> amount = UnitsEngine::convertAmount(dec("1"), cup.get(), target.get());
    ASSERT_TRUE(amount);
    EXPECT_EQ(amount->stringValue(), "236.5882365");
    EXPECT_EQ(target->preferredDisplayName(), "ml");
    EXPECT_FALSE(UnitsEngine::convertAmount(dec("1"), nullptr, target.get()));
}

TEST_F(UnitsEngineTest, SimpleMeasuresAddBareUnitsForUnknownNamesOnly)
{
    UnitsEngine engine(kitchenUnits());
    const qsizetype before = engine.units().size();
    engine.addSimpleMeasures({ "handful", "cups", "", "  ", " knob ", "handful" });
    EXPECT_EQ(engine.units().size(), before + 2);
    const MeasurementUnitPtr handful = engine.unitForName("handful");
    ASSERT_TRUE(handful);
    EXPECT_EQ(handful->type(), 0);
    EXPECT_EQ(handful->system(), 0u);
    EXPECT_FALSE(handful->conversionFactor());
    EXPECT_EQ(nameOf(engine.unitForName("knob")), "knob");
    EXPECT_TRUE(engine.unitNames().contains("handful"));
}

TEST_F(UnitsEngineTest, AddUnitKeepsNamesUnique)
{
    UnitsEngine engine;
    const auto first = unit("cup", 1, 2, "236.5882365", {});
    engine.addUnit(first);
    engine.addUnit(unit("cup", 2, 1, "1", {}));
    engine.addUnit(first);
    engine.addUnit(nullptr);
    ASSERT_EQ(engine.units().size(), 1);
    EXPECT_EQ(engine.units().first(), first);

    engine.setUnits({ first, unit("cup", 1, 1, "1", {}), unit("pint", 1, 2, "473.176473", {}) });
    EXPECT_EQ(engine.units().size(), 2);
}

TEST_F(UnitsEngineTest, UnitNamesFollowSpellingChanges)
{
    UnitsEngine engine(QList<MeasurementUnitPtr> {
        unit("cup", 1, 2, "236.5882365", { "c." }, QString(), "cups"), unit("inch", 0, 0, nullptr, {}) });
    EXPECT_EQ(engine.unitNames().join("|"), "c|c.|cup|cups|inch");
    engine.units().first()->addAbbreviation("C");
    EXPECT_EQ(engine.unitNames().join("|"), "C|c|c.|cup|cups|inch");
    engine.units().last()->setName("in.");
    EXPECT_EQ(engine.unitNames().join("|"), "C|c|c.|cup|cups|in|in.");
}

TEST_F(UnitsEngineTest, DefaultSystemFollowsTheLocaleWhileNoneIsStored)
{
    const struct {
        const char* locale;
        quint64 system;
    } cases[] = { { "en_US", 2 }, { "de_DE", 1 }, { "en_GB", 1 }, { "fr_CA", 1 } };
    for (const auto& c : cases) {
        LocaleScope locale(c.locale);
        UnitsEngine engine;
        EXPECT_EQ(engine.defaultMeasurementSystem(), c.system) << c.locale;
    }
}

TEST_F(UnitsEngineTest, SystemChangeNotificationRereadsTheSystemAndClearsTheSearchCacheOnNextSearch)
{
    CountingSearch search;
    SearchEngineAccess::setShared(&search);
    {
        LocaleScope us("en_US");
        UnitsEngine engine;
        EXPECT_EQ(engine.defaultMeasurementSystem(), 2u);
        LocaleScope german("de_DE");
        NotificationCenter::defaultCenter().postNotificationName("KRDefaultMeasurementSystemDidChange");
        EXPECT_EQ(engine.defaultMeasurementSystem(), 1u);
        EXPECT_GE(search.clears, 1);
    }
    // The engine is gone and must no longer be called (the sanitizer would catch it).
    NotificationCenter::defaultCenter().postNotificationName("KRDefaultMeasurementSystemDidChange");
    SearchEngineAccess::setShared(nullptr);
}

TEST_F(UnitsEngineTest, LockIsRecursive)
{
    UnitsEngine engine;
    std::lock_guard<UnitsEngine> outer(engine);
    std::lock_guard<UnitsEngine> inner(engine);
    SUCCEED();
}

namespace
{

MeasurementUnitPtr scanForName(const UnitsEngine& engine, const QString& text)
{
    QString name = text.trimmed();
    while (!name.isEmpty() && name.front().isPunct())
        name.remove(0, 1);
    while (!name.isEmpty() && name.back().isPunct())
        name.chop(1);
    for (const MeasurementUnitPtr& u : engine.units()) {
        if (u->isEqualToString(name))
            return u;
    }
    return nullptr;
}

} // namespace

// Lookup goes through a table; it must answer exactly what asking each unit in turn answers.
TEST_F(UnitsEngineTest, TableLookupAgreesWithAskingEveryUnit)
{
    QList<MeasurementUnitPtr> units = kitchenUnits();
    units.append(unit("box", 3, 0, "1", { "bx." }));
    units.append(unit("boxe", 3, 0, "1", {}));
    units.append(unit("glass", 0, 0, nullptr, {}));
    units.append(unit("...", 0, 0, nullptr, { "." }));
    units.append(unit("dup", 0, 0, nullptr, { "cup" }));
    UnitsEngine engine(units);
    QStringList texts { "", " ", "s", "es", "ses", "boxes", "boxess", "glasses", "glass", "glas", "...",
        "Tes" };
    for (const QString& name : engine.unitNames()) {
        for (const char* ending : { "", "s", "es", "ss", "ess", "." })
            texts << name + ending << name.toUpper() + ending << " " + name + ending + ". ";
    }
    for (const QString& text : texts)
        EXPECT_EQ(nameOf(engine.unitForName(text)), nameOf(scanForName(engine, text))) << text.toStdString();
}

TEST_F(UnitsEngineTest, StoredDefaultSystemWinsAndAnythingElseFallsBackToTheLocale)
{
    const struct {
        QVariant stored;
        const char* locale;
        quint64 system;
    } cases[] = {
        { QVariant(), "en_US", 2 },
        { QVariant(), "de_DE", 1 },
        { QVariant(qint64(1)), "en_US", 1 },
        { QVariant(qint64(2)), "de_DE", 2 },
        { QVariant(QStringLiteral("2")), "de_DE", 2 }, // typed into the file by hand
        { QVariant(qint64(0)), "en_US", 2 },
        { QVariant(qint64(0)), "de_DE", 1 },
        { QVariant(qint64(7)), "de_DE", 1 },
        { QVariant(QStringLiteral("metric")), "en_US", 2 },
        { QVariant(true), "de_DE", 1 },
    };
    for (const auto& c : cases) {
        scratch.defaults().setObject(c.stored, "KRDefaultMeasurementSystem");
        LocaleScope locale(c.locale);
        UnitsEngine engine;
        EXPECT_EQ(engine.defaultMeasurementSystem(), c.system)
            << c.stored.toString().toStdString() << " " << c.locale;
    }
}

TEST_F(UnitsEngineTest, SystemChangeRereadsTheDefaultAndAMissingOneFallsBackToTheLocale)
{
    LocaleScope locale("en_US");
    scratch.defaults().setInteger(1, "KRDefaultMeasurementSystem");
    UnitsEngine engine;
    EXPECT_EQ(engine.defaultMeasurementSystem(), 1u);

    scratch.defaults().setInteger(2, "KRDefaultMeasurementSystem");
    NotificationCenter::defaultCenter().postNotificationName("KRDefaultMeasurementSystemDidChange");
    EXPECT_EQ(engine.defaultMeasurementSystem(), 2u);

    LocaleScope german("de_DE");
    scratch.defaults().removeObjectForKey("KRDefaultMeasurementSystem");
    NotificationCenter::defaultCenter().postNotificationName("KRDefaultMeasurementSystemDidChange");
    EXPECT_EQ(engine.defaultMeasurementSystem(), 1u) << "never system 0";
}
