#include "Predicate.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <random>

namespace
{

Predicate parse(const QString& format, const QVariantList& args = {})
{
    QString error;
    std::optional<Predicate> p = Predicate::predicateWithFormat(format, args, &error);
    EXPECT_TRUE(p) << format.toStdString() << ": " << error.toStdString();
    return p.value_or(Predicate::falsePredicate());
}

struct RoundTrip {
    QString format;
    QVariantList args;
    QString printed;
};

QDateTime utc(int y, int m, int d, int h = 0, int min = 0, int s = 0, int ms = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, s, ms), Qt::UTC);
}

TEST(PredicateParserTest, PrintsAndReadsBackEqual)
{
    const QList<RoundTrip> cases = {
        { "name == 'Salad'", {}, R"(name == "Salad")" },
        { "name = \"Salad\"", {}, R"(name == "Salad")" },
        { "rating != 3", {}, "rating != 3" },
        { "rating <> 3", {}, "rating != 3" },
        { "rating < -2", {}, "rating < -2" },
        { "rating =< 2.5", {}, "rating <= 2.5" },
        { "rating <= 1e3", {}, "rating <= 1000.0" },
        { "rating > 0.1", {}, "rating > 0.1" },
        { "rating => 9223372036854775807", {}, "rating >= 9223372036854775807" },
        { "name beginswith[c] 'a'", {}, R"(name BEGINSWITH[c] "a")" },
        { "name ENDSWITH[d] 'a'", {}, R"(name ENDSWITH[d] "a")" },
        { "name CONTAINS[cd] %@", { "brûlée" }, R"(name CONTAINS[cd] "brûlée")" },
        { "name LIKE[cd] %@", { "*sal**" }, R"(name LIKE[cd] "*sal**")" },
        { "name MATCHES '^[a-z]+\\\\d$'", {}, R"(name MATCHES "^[a-z]+\\d$")" },
        { "name IN[cd] %@", { QVariant(QVariantList { "egg", "milk" }) }, R"(name IN[cd] {"egg", "milk"})" },
        { "rating BETWEEN {1, 5}", {}, "rating BETWEEN {1, 5}" },
        { "ANY ingredients.baseIngredient.name IN {%@}", { "sal*" },
            R"(ANY ingredients.baseIngredient.name IN {"sal*"})" },
        { "SOME tags == 'x'", {}, R"(ANY tags == "x")" },
        { "ALL tags != 'x'", {}, R"(ALL tags != "x")" },
        { "NONE tags == 'x'", {}, R"(NONE tags == "x")" },
        { "collections.@count == 0", {}, "collections.@count == 0" },
        { "ingredients.@sum.amount > 10", {}, "ingredients.@sum.amount > 10" },
        { "ingredients.@max.baseIngredient.price < 3", {}, "ingredients.@max.baseIngredient.price < 3" },
        { "SELF.@count == 2", {}, "SELF.@count == 2" },
        { "SELF IN %@", { QVariant(QVariantList { 1, 2 }) }, "SELF IN {1, 2}" },
        { "name IN %@", { QStringList { "a", "b" } }, R"(name IN {"a", "b"})" },
        { "notes == nil", {}, "notes == nil" },
        { "notes != NULL", {}, "notes != nil" },
        { "flag == yes AND other == FALSE", {}, "flag == YES AND other == NO" },
        { "TRUEPREDICATE", {}, "TRUEPREDICATE" },
        { "falsepredicate", {}, "FALSEPREDICATE" },
        { "a == 1 OR b == 2 AND c == 3", {}, "a == 1 OR (b == 2 AND c == 3)" },
        { "(a == 1 OR b == 2) && c == 3", {}, "(a == 1 OR b == 2) AND c == 3" },
        { "a == 1 || b == 2 || c == 3", {}, "a == 1 OR b == 2 OR c == 3" },
        { "NOT a == 1 AND b == 2", {}, "NOT a == 1 AND b == 2" },
        { "!(a == 1 AND b == 2)", {}, "NOT (a == 1 AND b == 2)" },
        { "NOT NOT a == 1", {}, "NOT NOT a == 1" },
        { "(((a == 1)))", {}, "a == 1" },
        { "%K == %@", { "category.name", "Soup" }, R"(category.name == "Soup")" },
        { "%K == 0", { "collections.@count" }, "collections.@count == 0" },
        { "name == $name", {}, "name == $name" },
        { "#in == 1 AND a.#any == 2 AND #Self == 3", {}, "#in == 1 AND a.#any == 2 AND #Self == 3" },
        { "%@ == 'q'", { QVariant(QVariantList { "a", QVariantList { 1 } }) }, R"({"a", {1}} == "q")" },
        { "name == 'say \"hi\"\\n\\t\\\\ \\u0001'", {}, R"(name == "say \"hi\"\n\t\\ \u0001")" },
        { "name LIKE 'a\\*b'", {}, R"(name LIKE "a\\*b")" },
        { "dateCooked > %@", { utc(2024, 3, 1, 12, 30, 5, 250) },
            R"(dateCooked > CAST(730989005.25, "NSDate"))" },
        { "d < CAST(-1.5, 'NSDate')", {}, R"(d < CAST(-1.5, "NSDate"))" },
        { "d == %@", { QByteArray("\x01\x02xyz", 5) }, R"(d == CAST("AQJ4eXo=", "NSData"))" },
        { "list CONTAINS {$a, 2}", {}, "list CONTAINS {$a, 2}" },
        { "n == 1.0", {}, "n == 1.0" },
        { "n == 1e999", {}, "n == 1e999" },
        { "n == -0.5", {}, "n == -0.5" },
        { "ingrédient == 'x'", {}, R"(ingrédient == "x")" },
    };
    for (const RoundTrip& c : cases) {
        SCOPED_TRACE(c.format.toStdString());
        const Predicate first = parse(c.format, c.args);
        const QString printed = first.predicateFormat();
        EXPECT_EQ(printed, c.printed);
        const Predicate second = parse(printed);
        EXPECT_TRUE(first == second) << second.predicateFormat().toStdString();
        EXPECT_EQ(second.predicateFormat(), printed);
    }
}

TEST(PredicateParserTest, BuildsTheTreeTheStoreWalks)
{
    const Predicate p = parse("ANY ingredients.name ==[cd] %@ AND collections.@count > 1", { "Egg" });
    ASSERT_EQ(p.predicateType(), Predicate::Type::Compound);
    ASSERT_EQ(p.compoundPredicateType(), Predicate::CompoundType::And);
    ASSERT_EQ(p.subpredicates().size(), 2);

    const Predicate any = p.subpredicates().at(0);
    EXPECT_EQ(any.predicateType(), Predicate::Type::Comparison);
    EXPECT_EQ(any.comparisonPredicateModifier(), Predicate::Modifier::Any);
    EXPECT_EQ(any.predicateOperatorType(), Predicate::Operator::EqualTo);
    EXPECT_EQ(any.options(), Predicate::CaseInsensitive | Predicate::DiacriticInsensitive);
    EXPECT_EQ(any.leftExpression().expressionType(), Expression::Type::KeyPath);
    EXPECT_EQ(any.leftExpression().keyPath(), "ingredients.name");
    EXPECT_EQ(any.rightExpression().expressionType(), Expression::Type::ConstantValue);
    EXPECT_EQ(any.rightExpression().constantValue(), QVariant("Egg"));

    const Expression count = p.subpredicates().at(1).leftExpression();
    EXPECT_EQ(count.expressionType(), Expression::Type::Function);
    EXPECT_EQ(count.function(), "@count");
    EXPECT_EQ(count.operand().keyPath(), "collections");
    EXPECT_TRUE(count.keyPath().isEmpty());
    EXPECT_TRUE(Expression::expressionForKeyPath("collections.@count") == count);

    const Predicate list = parse("x IN {1, $v}");
    EXPECT_EQ(list.rightExpression().expressionType(), Expression::Type::Aggregate);
    EXPECT_EQ(list.rightExpression().collection().size(), 2);
    const Predicate substituted = list.predicateWithSubstitutionVariables({ { "v", 2 } });
    EXPECT_EQ(substituted.rightExpression().expressionType(), Expression::Type::ConstantValue);
    EXPECT_EQ(substituted.predicateFormat(), "x IN {1, 2}");
}

TEST(PredicateParserTest, BuiltCompoundsPrintAsTheyRead)
{
    const Predicate a = parse("a == 1");
    const Predicate b = parse("b == 2 OR c == 3");
    EXPECT_EQ(Predicate::andPredicateWithSubpredicates({}).predicateFormat(), "TRUEPREDICATE");
    EXPECT_EQ(Predicate::orPredicateWithSubpredicates({}).predicateFormat(), "FALSEPREDICATE");
    EXPECT_TRUE(Predicate::andPredicateWithSubpredicates({}) == Predicate::truePredicate());
    EXPECT_TRUE(Predicate::andPredicateWithSubpredicates({ a }) == a);
    const Predicate nested = Predicate::andPredicateWithSubpredicates(
        { a, Predicate::andPredicateWithSubpredicates({ b, Predicate::notPredicateWithSubpredicate(b) }) });
    EXPECT_EQ(nested.predicateFormat(), "a == 1 AND ((b == 2 OR c == 3) AND NOT (b == 2 OR c == 3))");
    EXPECT_TRUE(parse(nested.predicateFormat()) == nested);
    EXPECT_FALSE(parse("a == 1 AND b == 2") == parse("a == 1 OR b == 2"));
    EXPECT_FALSE(parse("a ==[c] 'x'") == parse("a == 'x'"));
    EXPECT_FALSE(parse("ANY a == 1") == parse("ALL a == 1"));
    EXPECT_TRUE(parse("a == 1") == parse("a == 1.0"));
}

struct Malformed {
    QString format;
    QVariantList args;
};

TEST(PredicateParserTest, RejectsMalformedTextWithAPosition)
{
    const QList<Malformed> cases = {
        { "", {} },
        { "   ", {} },
        { "name", {} },
        { "name ==", {} },
        { "== 1", {} },
        { "name = = 1", {} },
        { "(name == 1", {} },
        { "name == 1)", {} },
        { "name == 'abc", {} },
        { "name == \"abc\\", {} },
        { "name LIKE[x] 'a'", {} },
        { "name LIKE[c 'a'", {} },
        { "name == %@", {} },
        { "a == %@ AND b == %@", { 1 } },
        { "%K == 1", { 5 } },
        { "%K == 1", { "a..b" } },
        { "%K == 1", { "my key" } },
        { "%K == 1", { "a.1b" } },
        { "%K == 1", { "" } },
        { "name == %d", { 1 } },
        { "ANY", {} },
        { "name == 1 AND", {} },
        { "name == 1 OR OR b == 1", {} },
        { "NOT", {} },
        { "a.@foo == 1", {} },
        { "a.@count.b == 1", {} },
        { "@count == 1", {} },
        { "in == 1", {} },
        { "a.b. == 1", {} },
        { "CAST(1, 'NSString') == a", {} },
        { "CAST('x', 'NSDate') == a", {} },
        { "CAST(1e300, 'NSDate') == a", {} },
        { "CAST('!!', 'NSData') == a", {} },
        { "CAST(1 'NSDate') == a", {} },
        { "name == {1, 2", {} },
        { "name == {1 2}", {} },
        { "$ == 1", {} },
        { "name == '\\u12'", {} },
        { "name == '\\uZZZZ'", {} },
        { "1 2", {} },
        { "name @ 1", {} },
        { "name == 1abc", {} },
        { "name == -", {} },
        { "name == -.", {} },
        { "SELF.name == 1", {} },
        { "a == 1 b == 2", {} },
        { "TRUEPREDICATE == 1", {} },
    };
    for (const Malformed& c : cases) {
        QString error;
        const std::optional<Predicate> p = Predicate::predicateWithFormat(c.format, c.args, &error);
        EXPECT_FALSE(p) << c.format.toStdString() << " parsed as " << p->predicateFormat().toStdString();
        EXPECT_TRUE(error.contains("expected") && error.contains("position"))
            << c.format.toStdString() << ": " << error.toStdString();
    }
}

TEST(PredicateParserTest, ErrorNamesWhereAndWhat)
{
    QString error;
    EXPECT_FALSE(Predicate::predicateWithFormat("name == 1 AND rating >", {}, &error));
    EXPECT_TRUE(error.contains("position 22")) << error.toStdString();
    EXPECT_TRUE(error.contains("expected an expression")) << error.toStdString();
    EXPECT_FALSE(Predicate::predicateWithFormat("name FOO 1", {}, &error));
    EXPECT_TRUE(error.contains("expected a comparison operator at position 5, found \"FOO\""))
        << error.toStdString();
    EXPECT_FALSE(Predicate::predicateWithFormat("x == 1 OR a.@avg.b.@count == 1", {}, &error));
    EXPECT_TRUE(error.contains("at position 10, found \"a.@avg.b.@count\"")) << error.toStdString();
}

// The user's text is quoted as typed, even where it holds what looks like a placeholder.
TEST(PredicateParserTest, ErrorQuotesTextWithPercentNumbersAsWritten)
{
    struct Case {
        const char* format;
        QVariantList args;
        const char* quoted;
    };
    const Case cases[] = {
        { "name == '%3' AND", {}, "\"name == '%3' AND\"" },
        { "name ==[c] '%4%2%1' )", {}, "\"name ==[c] '%4%2%1' )\"" },
        { "a == %@ AND b == %@ AND c == '%3'", { 1 }, "an argument for %@ (only 1 given)" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        QString error;
        EXPECT_FALSE(Predicate::predicateWithFormat(QString::fromUtf8(c.format), c.args, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.quoted))) << error.toStdString();
    }
}

TEST(PredicateParserTest, DeepNestingFailsCleanly)
{
    for (const QString& unit : { QStringLiteral("("), QStringLiteral("NOT "), QStringLiteral("!") }) {
        QString text = unit.repeated(100000) + "a == 1";
        QString error;
        EXPECT_FALSE(Predicate::predicateWithFormat(text, {}, &error));
        EXPECT_FALSE(error.isEmpty());
    }
    QString list = QStringLiteral("a IN ") + QStringLiteral("{").repeated(100000);
    EXPECT_FALSE(Predicate::predicateWithFormat(list));
    // Ordinary nesting is fine.
    EXPECT_TRUE(Predicate::predicateWithFormat(
        QStringLiteral("(").repeated(50) + "a == 1" + QStringLiteral(")").repeated(50)));
}

// Every prefix and random mutations of real formats either parse, and then read back equal
// from their printed text, or fail with a message.
TEST(PredicateParserTest, TruncatedAndRandomTextNeverCrashes)
{
    const QStringList seeds = {
        "ANY ingredients.baseIngredient.name IN {%@} OR name LIKE[cd] %@ OR category.name LIKE[cd] %@",
        "dateCooked > CAST(730989005.25, 'NSDate') AND ANY collections.kind != \"x\\\"y\"",
        "NOT (collections.@count == 0 || rating BETWEEN {1, -2.5e3}) AND $v == nil && #in == %K",
        "SELF.@sum.amount >= 1 AND name MATCHES[c] '^a.*$' AND tags CONTAINS[d] 'b'",
    };
    const QVariantList args = { "a", "b", "c", "d" };
    std::mt19937 random(12345);
    const QString alphabet
        = QStringLiteral("()[]{}%@K$#.,'\"\\=<>!&| \t-+0123456789eEacdnANYLIKE\u00e9\U0001F600");
    int parsed = 0;
    auto check = [&](const QString& text) {
        QString error;
        const std::optional<Predicate> p = Predicate::predicateWithFormat(text, args, &error);
        if (!p) {
            EXPECT_FALSE(error.isEmpty()) << text.toStdString();
            return;
        }
        ++parsed;
        const QString printed = p->predicateFormat();
        const std::optional<Predicate> again = Predicate::predicateWithFormat(printed, {}, &error);
        ASSERT_TRUE(again) << text.toStdString() << " -> " << printed.toStdString() << ": "
                           << error.toStdString();
        EXPECT_TRUE(*again == *p) << text.toStdString() << " -> " << printed.toStdString();
        p->evaluateWithObject(QVariantMap { { "name", "abc" }, { "rating", 2 } });
    };
    for (const QString& seed : seeds) {
        for (qsizetype n = 0; n <= seed.size(); ++n)
            check(seed.left(n));
        for (int round = 0; round < 300; ++round) {
            QString text = seed;
            const int edits = 1 + int(random() % 4);
            for (int e = 0; e < edits; ++e) {
                const qsizetype at = qsizetype(random() % (text.size() + 1));
                const QChar c = alphabet.at(qsizetype(random() % alphabet.size()));
                switch (random() % 3) {
                case 0:
                    text.insert(at, c);
                    break;
                case 1:
                    text.remove(at, 1);
                    break;
                default:
                    if (at < text.size())
                        text[at] = c;
                }
            }
            check(text);
        }
    }
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = int(random() % 40);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(qsizetype(random() % alphabet.size()));
        check(text);
    }
    EXPECT_GT(parsed, 10);
}

} // namespace
