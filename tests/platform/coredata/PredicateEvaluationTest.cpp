#include "Decimal.h"
#include "FakeObject.h"
#include "Predicate.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <limits>

namespace
{

QDateTime utc(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::UTC);
}

bool evaluate(
    const QString& format, const QVariantList& args, const QVariant& object, const QVariantMap& vars = {})
{
    QString error;
    const std::optional<Predicate> p = Predicate::predicateWithFormat(format, args, &error);
    EXPECT_TRUE(p) << format.toStdString() << ": " << error.toStdString();
    return p && p->evaluateWithObject(object, vars);
}

struct EvaluationCase {
    QString format;
    QVariantList args;
    bool expected;
};

QVariantMap recipe()
{
    return {
        { "name", QString::fromUtf16(u"Crème Brûlée") },
        { "rating", 4 },
        { "price", 12.5 },
        { "servings", qint64(6) },
        { "big", std::numeric_limits<qint64>::max() },
        { "favorite", true },
        { "created", utc(2020, 5, 17) },
        { "picture", QByteArray("\x89PNG", 4) },
        { "notes", QVariant() },
        { "emptyText", QString("") },
        { "tags", QVariantList { "dessert", "French" } },
        { "labels", QStringList { "quick", "Cheap" } },
        { "category", QVariantMap { { "name", "Desserts" } } },
        { "ingredients",
            QVariantList { QVariantMap { { "name", "Egg" }, { "amount", 3 } },
                QVariantMap { { "name", "Sugar" }, { "amount", 100.5 } },
                QVariantMap { { "name", "Cream" }, { "amount", 500 } } } },
        { "directions", QVariantList {} },
    };
}

TEST(PredicateEvaluationTest, ComparesValuesOfAMap)
{
    const QList<EvaluationCase> cases = {
        // equality and order across number types
        { "rating == 4", {}, true },
        { "rating == 4.0", {}, true },
        { "rating == %@", { qint64(4) }, true },
        { "rating = '4'", {}, false },
        { "rating != 5", {}, true },
        { "price > 12", {}, true },
        { "price < 12.5", {}, false },
        { "price <= 12.5", {}, true },
        { "servings >= 6 AND servings <= 6", {}, true },
        { "big > 9223372036854775806", {}, true },
        { "big == 9223372036854775806", {}, false },
        { "big > %@", { std::numeric_limits<quint64>::max() }, false },
        { "favorite == YES", {}, true },
        { "favorite == 1", {}, true },
        { "favorite == NO", {}, false },
        { "rating BETWEEN {4, 5}", {}, true },
        { "rating BETWEEN {4.5, 5}", {}, false },
        { "rating BETWEEN %@", { QVariant(QVariantList { 1, 3 }) }, false },
        { "rating IN {1, 4, 9}", {}, true },
        { "rating IN {}", {}, false },
        // strings
        { "name == 'crème brûlée'", {}, false },
        { "name ==[c] 'CRÈME BRÛLÉE'", {}, true },
        { "name ==[c] 'creme brulee'", {}, false },
        { "name ==[cd] 'creme brulee'", {}, true },
        { "name ==[d] 'Creme Brulee'", {}, true },
        { "name BEGINSWITH 'Crè'", {}, true },
        { "name BEGINSWITH[cd] 'cre'", {}, true },
        { "name ENDSWITH 'lée'", {}, true },
        { "name CONTAINS 'me B'", {}, true },
        { "name CONTAINS[c] 'ME B'", {}, true },
        { "name CONTAINS 'xyz'", {}, false },
        { "name LIKE 'Cr*e'", {}, true },
        { "name LIKE 'Cr?me*'", {}, true },
        { "name LIKE 'Cr?me'", {}, false },
        { "name LIKE '*'", {}, true },
        { "name LIKE[cd] '*BRULEE'", {}, true },
        { "name LIKE 'Crème Brûlée*'", {}, true },
        { "name MATCHES 'Cr.me .*'", {}, true },
        { "name MATCHES 'Cr.me'", {}, false },
        { "name MATCHES[c] 'crème.*'", {}, true },
        { "name MATCHES '(unclosed'", {}, false },
        { "name IN {'a', 'Crème Brûlée'}", {}, true },
        { "name IN[cd] %@", { QVariant(QVariantList { "creme brulee" }) }, true },
        { "'Brûlée' IN name", {}, true },
        { "name < 'D'", {}, true },
        { "name > 'c'", {}, false },
        { "name >[c] 'c'", {}, true },
        { "emptyText == ''", {}, true },
        { "emptyText == nil", {}, false },
        // nulls and missing keys
        { "notes == nil", {}, true },
        { "missing == nil", {}, true },
        { "notes != nil", {}, false },
        { "name != nil", {}, true },
        { "notes < 5", {}, false },
        { "notes CONTAINS 'a'", {}, false },
        { "notes LIKE '*'", {}, false },
        { "nil == nil", {}, true },
        // dates and data
        { "created == %@", { utc(2020, 5, 17) }, true },
        { "created > %@", { utc(2020, 5, 16) }, true },
        { "created < CAST(0, 'NSDate')", {}, false },
        { "created BETWEEN %@", { QVariant(QVariantList { utc(2020, 1, 1), utc(2021, 1, 1) }) }, true },
        { "picture == %@", { QByteArray("\x89PNG", 4) }, true },
        { "created == '2020-05-17'", {}, false },
        // key paths, lists and modifiers
        { "category.name == 'Desserts'", {}, true },
        { "category.missing.name == nil", {}, true },
        { "tags CONTAINS 'dessert'", {}, true },
        { "tags CONTAINS[c] 'french'", {}, true },
        { "tags CONTAINS 'savory'", {}, false },
        { "labels == {'quick', 'Cheap'}", {}, true },
        { "labels ==[c] {'QUICK', 'cheap'}", {}, true },
        { "labels CONTAINS[c] 'cheap'", {}, true },
        { "ANY labels BEGINSWITH 'qu'", {}, true },
        { "ANY tags == 'French'", {}, true },
        { "ANY ingredients.name ==[c] 'egg'", {}, true },
        { "ANY ingredients.name == 'Flour'", {}, false },
        { "SOME ingredients.amount > 400", {}, true },
        { "ALL ingredients.amount > 2", {}, true },
        { "ALL ingredients.amount > 3", {}, false },
        { "NONE ingredients.name == 'Flour'", {}, true },
        { "NONE ingredients.name == 'Egg'", {}, false },
        { "ANY directions.text == 'x'", {}, false },
        { "ALL directions.text == 'x'", {}, true },
        { "NONE directions.text == 'x'", {}, true },
        { "ANY notes == 'x'", {}, false },
        { "ANY name == 'Crème Brûlée'", {}, true },
        { "ANY ingredients.name IN {'Sugar', 'Salt'}", {}, true },
        { "ingredients.name == 'Egg'", {}, false },
        { "ingredients.@count == 3", {}, true },
        { "directions.@count == 0", {}, true },
        { "missing.@count == 0", {}, true },
        { "name.@count == 1", {}, false },
        { "ingredients.@sum.amount == 603.5", {}, true },
        { "ingredients.@avg.amount > 201", {}, true },
        { "ingredients.@min.amount == 3", {}, true },
        { "ingredients.@max.name == 'Sugar'", {}, true },
        { "directions.@max.step == nil", {}, true },
        { "directions.@sum.step == 0", {}, true },
        { "tags.@count == 2", {}, true },
        { "SELF.@count > 5", {}, true },
        { "%K ==[cd] %@", { "category.name", "DESSERTS" }, true },
        // compounds
        { "rating == 4 AND price > 100", {}, false },
        { "rating == 4 OR price > 100", {}, true },
        { "NOT rating == 4", {}, false },
        { "rating == 1 OR rating == 2 OR (rating == 4 AND NOT favorite == NO)", {}, true },
        { "TRUEPREDICATE", {}, true },
        { "FALSEPREDICATE OR TRUEPREDICATE AND FALSEPREDICATE", {}, false },
    };
    const QVariant object = recipe();
    for (const EvaluationCase& c : cases)
        EXPECT_EQ(evaluate(c.format, c.args, object), c.expected) << c.format.toStdString();
}

TEST(PredicateEvaluationTest, VariablesComeFromSubstitutionOrEvaluation)
{
    const Predicate p = *Predicate::predicateWithFormat("name ==[c] $name AND rating > $least");
    EXPECT_TRUE(p.hasVariables());
    const QVariantMap object { { "name", "Soup" }, { "rating", 3 } };
    EXPECT_TRUE(p.evaluateWithObject(object, { { "name", "soup" }, { "least", 2 } }));
    EXPECT_FALSE(p.evaluateWithObject(object, { { "name", "soup" }, { "least", 3 } }));
    EXPECT_FALSE(p.evaluateWithObject(object)); // missing variables are null

    const Predicate bound = p.predicateWithSubstitutionVariables({ { "name", "SOUP" } });
    EXPECT_TRUE(bound.hasVariables());
    EXPECT_EQ(bound.predicateFormat(), R"(name ==[c] "SOUP" AND rating > $least)");
    EXPECT_TRUE(bound.evaluateWithObject(object, { { "least", 1 } }));
    EXPECT_FALSE(bound.predicateWithSubstitutionVariables({ { "least", 1 } }).hasVariables());
}

TEST(PredicateEvaluationTest, EmptyCompoundsAndBuilders)
{
    const QVariantMap object { { "a", 1 } };
    EXPECT_TRUE(Predicate::andPredicateWithSubpredicates({}).evaluateWithObject(object));
    EXPECT_FALSE(Predicate::orPredicateWithSubpredicates({}).evaluateWithObject(object));
    EXPECT_TRUE(Predicate().evaluateWithObject(object));
    EXPECT_FALSE(
        Predicate::notPredicateWithSubpredicate(Predicate::truePredicate()).evaluateWithObject(object));
    const Predicate built = Predicate::predicateWithLeftExpression(Expression::expressionForKeyPath("a"),
        Expression::expressionForConstantValue(1.0), Predicate::Modifier::Direct,
        Predicate::Operator::EqualTo);
    EXPECT_TRUE(built.evaluateWithObject(object));
    EXPECT_EQ(built.predicateFormat(), "a == 1.0");
}

// A recipe library as the program builds it: recipes with ingredient lines that point at
// base ingredients, a category, and collections.
class PredicateObjectGraphTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        FakeObject& library = graph.make({ { "kind", "RBCollectionKindMainLibrary" } });
        FakeObject& cache = graph.make({ { "kind", "RBCollectionKindSearchCache" } });
        FakeObject& salmonIngredient = graph.make({ { "name", "salmon" } });
        FakeObject& wildcardIngredient = graph.make({ { "name", "sal*" } });
        FakeObject& soups = graph.make({ { "name", QString::fromUtf16(u"Soupes Salées") } });

        salmon = &makeRecipe("Salmon", { &salmonIngredient }, nullptr, { &library }, utc(2026, 12, 1));
        salad = &makeRecipe("Green Salad", {}, nullptr, { &library, &cache }, utc(2026, 1, 1));
        soup = &makeRecipe("Leek Soup", {}, &soups, { &cache }, QDateTime());
        odd = &makeRecipe("Toast", { &wildcardIngredient }, nullptr, {}, utc(2026, 11, 30));
    }

    FakeObject& makeRecipe(const QString& name, const QList<FakeObject*>& baseIngredients,
        FakeObject* category, const QList<FakeObject*>& collections, const QDateTime& cooked)
    {
        QVariantList lines;
        for (FakeObject* base : baseIngredients)
            lines << graph.make({ { "baseIngredient", base->asVariant() } }).asVariant();
        QVariantList inCollections;
        for (FakeObject* collection : collections)
            inCollections << collection->asVariant();
        return graph.make({ { "name", name }, { "ingredients", lines },
            { "category", category ? category->asVariant() : QVariant() }, { "collections", inCollections },
            { "dateCooked", cooked } });
    }

    QStringList matching(const Predicate& predicate)
    {
        QStringList names;
        for (FakeObject* r : { salmon, salad, soup, odd }) {
            if (predicate.evaluateWithObject(r->asVariant()))
                names << r->values.value("name").toString();
        }
        return names;
    }

    QStringList matching(const QString& format, const QVariantList& args = {})
    {
        QString error;
        const std::optional<Predicate> p = Predicate::predicateWithFormat(format, args, &error);
        EXPECT_TRUE(p) << error.toStdString();
        return p ? matching(*p) : QStringList();
    }

    FakeGraph graph;
    FakeObject* salmon = nullptr;
    FakeObject* salad = nullptr;
    FakeObject* soup = nullptr;
    FakeObject* odd = nullptr;
};

TEST_F(PredicateObjectGraphTest, SearchStringPredicateMatchesNamesLooselyAndIngredientsExactly)
{
    const QString format = "ANY ingredients.baseIngredient.name IN {%@} OR name LIKE[cd] %@ OR category.name "
                           "LIKE[cd] %@ OR cuisine.name LIKE[cd] %@";
    auto search = [&](const QString& s) {
        const QString wild = "*" + s + "*";
        return matching(format, { s, wild, wild, wild });
    };
    EXPECT_EQ(search("sal*"), QStringList({ "Salmon", "Green Salad", "Leek Soup", "Toast" }));
    EXPECT_EQ(search("salmon"), QStringList({ "Salmon" }));
    EXPECT_EQ(search("salees"), QStringList({ "Leek Soup" }));
    EXPECT_EQ(search("SALAD"), QStringList({ "Green Salad" }));
    EXPECT_EQ(search("toast"), QStringList({ "Toast" }));

    // The AND of several terms, and of none.
    const Predicate both = Predicate::andPredicateWithSubpredicates(
        { *Predicate::predicateWithFormat(format, { "salmon", "*salmon*", "*salmon*", "*salmon*" }),
            *Predicate::predicateWithFormat(format, { "sal", "*sal*", "*sal*", "*sal*" }) });
    EXPECT_EQ(matching(both), QStringList({ "Salmon" }));
    EXPECT_EQ(matching(Predicate::andPredicateWithSubpredicates({})).size(), 4);
    EXPECT_TRUE(Predicate::predicateWithFormat(both.predicateFormat()).value() == both);
}

TEST_F(PredicateObjectGraphTest, CollectionPredicatesOfTheLibrary)
{
    const QVariantList cacheKind { "RBCollectionKindSearchCache" };
    EXPECT_EQ(matching("ANY collections.kind != %@", cacheKind), QStringList({ "Salmon", "Green Salad" }));
    EXPECT_EQ(matching("collections.@count == 0"), QStringList({ "Toast" }));
    EXPECT_EQ(matching("NONE collections.kind == %@", cacheKind), QStringList({ "Salmon", "Toast" }));
    EXPECT_EQ(matching("ALL collections.kind == %@", cacheKind), QStringList({ "Leek Soup", "Toast" }));

    const Predicate recentlyCooked = Predicate::andPredicateWithSubpredicates(
        { *Predicate::predicateWithFormat("dateCooked > %@", { utc(2026, 11, 10) }),
            *Predicate::predicateWithFormat("ANY collections.kind != %@", cacheKind) });
    EXPECT_EQ(matching(recentlyCooked), QStringList({ "Salmon" }));
    const std::optional<Predicate> stored = Predicate::predicateWithFormat(recentlyCooked.predicateFormat());
    ASSERT_TRUE(stored);
    EXPECT_TRUE(*stored == recentlyCooked);
    EXPECT_EQ(matching(*stored), QStringList({ "Salmon" }));
}

TEST_F(PredicateObjectGraphTest, TemplatesAndObjectConstants)
{
    const Predicate byName = *Predicate::predicateWithFormat("name == $name");
    EXPECT_EQ(matching(byName.predicateWithSubstitutionVariables({ { "name", "Toast" } })),
        QStringList({ "Toast" }));
    EXPECT_EQ(matching("name != %@", { "Salmon" }), QStringList({ "Green Salad", "Leek Soup", "Toast" }));
    EXPECT_EQ(matching("name IN[cd] %@", { QVariant(QVariantList { "SALMON", "toast" }) }),
        QStringList({ "Salmon", "Toast" }));
    EXPECT_EQ(matching("SELF == %@", { salad->asVariant() }), QStringList({ "Green Salad" }));
    EXPECT_EQ(matching("SELF IN %@", { QVariant(QVariantList { salad->asVariant(), odd->asVariant() }) }),
        QStringList({ "Green Salad", "Toast" }));
    EXPECT_EQ(
        matching("ANY ingredients.baseIngredient.name BEGINSWITH 'sal'"), QStringList({ "Salmon", "Toast" }));
    // An object slot holding a null pointer is nil.
    salad->values["category"] = QVariant::fromValue<KeyValueCoding*>(nullptr);
    EXPECT_EQ(matching("category == nil"), QStringList({ "Salmon", "Green Salad", "Toast" }));
}

} // namespace

namespace
{

QVariant decimal(const char* text)
{
    return QVariant::fromValue(Decimal::decimalNumberWithString(QString::fromLatin1(text)));
}

TEST(PredicateDecimalTest, DecimalsCompareWithEveryNumberType)
{
    const QVariantMap line { { "quantity", decimal("2.50") },
        { "precise", decimal("0.12345678901234567890123") },
        { "parts", QVariantList { decimal("0.1"), decimal("0.2") } }, { "floats", QVariantList { 0.1, 0.2 } },
        { "bad", QVariant::fromValue(Decimal::notANumber()) } };
    const QList<EvaluationCase> cases = {
        { "quantity == 2.5", {}, true },
        { "quantity == %@", { decimal("2.5") }, true },
        { "quantity > 2", {}, true },
        { "quantity < %@", { qint64(3) }, true },
        { "quantity < %@", { std::numeric_limits<double>::infinity() }, true },
        { "quantity BETWEEN {2, 3}", {}, true },
        { "quantity IN {1, 2.5}", {}, true },
        { "precise == 0.12345678901234567890123", {}, true },
        { "precise == 0.12345678901234567890124", {}, false },
        { "precise > 0.1234567890123456", {}, true },
        { "parts.@sum == 0.3", {}, true },
        { "floats.@sum == 0.3", {}, false }, // binary floating point, as stored
        { "parts.@avg == 0.15", {}, true },
        { "parts.@max == 0.2", {}, true },
        { "bad == bad", {}, false },
        { "bad < 1", {}, false },
        { "bad == nil", {}, false },
    };
    for (const EvaluationCase& c : cases)
        EXPECT_EQ(evaluate(c.format, c.args, line), c.expected) << c.format.toStdString();
}

TEST(PredicateDecimalTest, LongDecimalsPrintAndReadBackExactly)
{
    const std::optional<Predicate> p = Predicate::predicateWithFormat(
        "a == %@ AND b == 123456789012345678901234567890", { decimal("-0.12345678901234567890123") });
    ASSERT_TRUE(p);
    EXPECT_EQ(
        p->predicateFormat(), "a == -0.12345678901234567890123 AND b == 123456789012345678901234567890");
    const std::optional<Predicate> again = Predicate::predicateWithFormat(p->predicateFormat());
    ASSERT_TRUE(again);
    EXPECT_TRUE(*again == *p);
    EXPECT_FALSE(*again
        == *Predicate::predicateWithFormat("a == -0.12345678901234567890124 AND b == 1.2345678901234568e29"));
    EXPECT_EQ(p->subpredicates().at(1).rightExpression().constantValue().metaType(),
        QMetaType::fromType<Decimal>());
}

} // namespace
