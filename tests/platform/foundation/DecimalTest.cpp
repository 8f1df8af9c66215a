#include "Decimal.h"

#include <QVariant>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace
{

Decimal d(const char* text)
{
    const Decimal value = Decimal::decimalNumberWithString(QString::fromLatin1(text));
    EXPECT_TRUE(value.isValid()) << text;
    return value;
}

const QString nines38 = QStringLiteral("99999999999999999999999999999999999999");

} // namespace

TEST(Decimal, ReadsAndPrintsText)
{
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        { "12", "12" },
        { ".5", "0.5" },
        { "-2.50", "-2.5" },
        { "  7.25\t", "7.25" },
        { "+3", "3" },
        { "5.", "5" },
        { "1e3", "1000" },
        { "1.5E-2", "0.015" },
        { "-0", "0" },
        { "0.000", "0" },
        { "0.001", "0.001" },
        { "000120.0100", "120.01" },
        { "123456789012345678901234567890.12345678", "123456789012345678901234567890.12345678" },
        // Beyond 38 digits the text is rounded half to even.
        { "1.00000000000000000000000000000000000005", "1" },
        { "1.00000000000000000000000000000000000015", "1.0000000000000000000000000000000000002" },
        { "1.000000000000000000000000000000000000050001", "1.0000000000000000000000000000000000001" },
        { "1e-128",
            "0.00000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000"
            "000000000000000000000000000000000001" },
        { "1e-129", "0" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(d(c.text).stringValue(), QString::fromLatin1(c.printed)) << c.text;
}

TEST(Decimal, BadTextIsInvalid)
{
    for (const char* text : { "", " ", "abc", "1.2.3", "1e", "1e+", "--1", "+-1", "1 2", ".", "-", "e5",
             "1,5", "0x10", "inf", "nan", "12abc", "1e5x", "1e999999999999999999999" }) {
        const Decimal value = Decimal::decimalNumberWithString(QString::fromLatin1(text));
        EXPECT_FALSE(value.isValid()) << text;
        EXPECT_EQ(value.stringValue(), "NaN") << text;
    }
    // A huge negative exponent is simply too small to tell from zero.
    EXPECT_TRUE(Decimal::decimalNumberWithString("1e-999999999999999999999").isZero());
}

TEST(Decimal, Arithmetic)
{
    enum Op { Add, Subtract, Multiply, Divide };
    struct Case {
        const char* a;
        Op op;
        const char* b;
        QString expected;
    };
    const Case cases[] = {
        { "0.1", Add, "0.2", "0.3" },
        { "-5", Add, "3.25", "-1.75" },
        { "2.5", Subtract, "2.5", "0" },
        { "1", Subtract, "1.5", "-0.5" },
        // Carry into a 39th digit stays exact when the result needs only 38.
        { "99999999999999999999999999999999999999", Add, "1", "100000000000000000000000000000000000000" },
        // Cancellation keeps every digit.
        { "1.000000000000000000000000000000000001", Subtract, "1", "0.000000000000000000000000000000000001" },
        { "12345678901234567890123456789012345678", Subtract, "12345678901234567890123456789012345677", "1" },
        // Rounding at digit 38, half to even.
        { "12345678901234567890123456789012345678", Add, "0.5", "12345678901234567890123456789012345678" },
        { "12345678901234567890123456789012345677", Add, "0.5", "12345678901234567890123456789012345678" },
        { "12345678901234567890123456789012345678", Add, "0.50001",
            "12345678901234567890123456789012345679" },
        { "99999999999999999999999999999999999999", Add, "0.5", "100000000000000000000000000000000000000" },
        { "1e30", Add, "1e-30", "1000000000000000000000000000000" },
        { "123456789", Multiply, "987654321", "121932631112635269" },
        { "-1.5", Multiply, "-4", "6" },
        { "0.001", Multiply, "-0", "0" },
        { "11111111111111111111111111111111111111", Multiply, "9", "99999999999999999999999999999999999999" },
        { "11111111111111111111111111111111111111", Multiply, "11",
            "122222222222222222222222222222222222220" },
        { "1", Divide, "3", "0.3333333333333333333333333333333333333" + QString("3") },
        { "2", Divide, "3", "0.6666666666666666666666666666666666666" + QString("7") },
        { "-1", Divide, "8", "-0.125" },
        { "10", Divide, "4", "2.5" },
        { "0", Divide, "7", "0" },
        { "1", Divide, "7", "0.14285714285714285714285714285714285714" },
        // Exactly halfway after 38 digits: 1.0000…0005 rounds to the even neighbour.
        { "2.0000000000000000000000000000000000001", Divide, "2", "1" },
        { "2.0000000000000000000000000000000000003", Divide, "2", "1.0000000000000000000000000000000000002" },
        { "1e127", Multiply, "1e-127", "1" },
    };
    for (const Case& c : cases) {
        const Decimal a = d(c.a), b = d(c.b);
        Decimal result;
        switch (c.op) {
        case Add:
            result = a.decimalNumberByAdding(b);
            break;
        case Subtract:
            result = a.decimalNumberBySubtracting(b);
            break;
        case Multiply:
            result = a.decimalNumberByMultiplyingBy(b);
            break;
        case Divide:
            result = a.decimalNumberByDividingBy(b);
            break;
        }
        EXPECT_EQ(result.stringValue(), c.expected) << c.a << " op" << int(c.op) << " " << c.b;
    }
}

TEST(Decimal, OneThirdTimesThree)
{
    const Decimal third = Decimal::one().decimalNumberByDividingBy(Decimal::fromInt(3));
    EXPECT_EQ(third.decimalNumberByMultiplyingBy(Decimal::fromInt(3)).stringValue(), "0." + nines38);
    EXPECT_NE(third.decimalNumberByMultiplyingBy(Decimal::fromInt(3)), Decimal::one());
}

TEST(Decimal, NoAnswerGivesNotANumber)
{
    const Decimal nan = Decimal::notANumber();
    const Decimal largest = d("99999999999999999999999999999999999999e127");
    const Decimal results[] = {
        Decimal::one().decimalNumberByDividingBy(Decimal::zero()),
        Decimal::zero().decimalNumberByDividingBy(Decimal::zero()),
        largest.decimalNumberByAdding(d("1e127")),
        largest.decimalNumberByMultiplyingBy(d("10")),
        d("1e100").decimalNumberByMultiplyingBy(d("1e100")),
        d("1e100").decimalNumberByDividingBy(d("1e-100")),
        nan.decimalNumberByAdding(Decimal::one()),
        Decimal::one().decimalNumberBySubtracting(nan),
        nan.decimalNumberByMultiplyingBy(Decimal::zero()),
        Decimal::decimalNumberWithString("1e166"),
    };
    for (const Decimal& r : results) {
        EXPECT_FALSE(r.isValid());
        EXPECT_EQ(r.stringValue(), "NaN");
        EXPECT_TRUE(std::isnan(r.doubleValue()));
        EXPECT_EQ(r.intValue(), 0);
        EXPECT_FALSE(r.isZero());
        EXPECT_FALSE(r.isNegative());
    }
    EXPECT_TRUE(largest.isValid());
    EXPECT_TRUE(largest.decimalNumberBySubtracting(largest).isZero());
}

TEST(Decimal, TinyResultsRoundToSmallestStep)
{
    const Decimal step = d("1e-128");
    EXPECT_TRUE(step.decimalNumberByDividingBy(Decimal::fromInt(2)).isZero()); // half, to even: 0
    EXPECT_EQ(step.decimalNumberByMultiplyingBy(d("0.6")), step);
    EXPECT_EQ(d("1.5e-128").decimalNumberByAdding(Decimal::zero()), d("2e-128"));
    EXPECT_TRUE(d("1e-100").decimalNumberByMultiplyingBy(d("1e-100")).isZero());
    EXPECT_EQ(
        d("1e-100").decimalNumberByMultiplyingBy(d("1e-20")).stringValue(), "0." + QString(119, '0') + "1");
}

TEST(Decimal, RoundingToScale)
{
    struct Case {
        const char* value;
        int scale;
        const char* expected;
    };
    const Case cases[] = {
        { "2.345", 2, "2.34" },
        { "2.355", 2, "2.36" },
        { "2.3451", 2, "2.35" },
        { "-1.5", 0, "-2" },
        { "-0.4", 0, "0" },
        { "125", -1, "120" },
        { "135", -1, "140" },
        { "9.99", 1, "10" },
        { "1.25", 5, "1.25" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(d(c.value).decimalNumberByRoundingToScale(c.scale).stringValue(), c.expected)
            << c.value << " " << c.scale;
}

TEST(Decimal, Compare)
{
    using R = Decimal::ComparisonResult;
    struct Case {
        const char* a;
        const char* b;
        R expected;
    };
    const Case cases[] = {
        { "1", "2", R::OrderedAscending },
        { "2", "1", R::OrderedDescending },
        { "2.50", "2.5", R::OrderedSame },
        { "-0", "0", R::OrderedSame },
        { "-3", "-2", R::OrderedAscending },
        { "-3", "2", R::OrderedAscending },
        { "0.1", "0.09", R::OrderedDescending },
        { "1e2", "99.999", R::OrderedDescending },
        { "12345678901234567890123456789012345678", "12345678901234567890123456789012345679",
            R::OrderedAscending },
        { "1e-128", "0", R::OrderedDescending },
        { "-1e-128", "0", R::OrderedAscending },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(d(c.a).compare(d(c.b)), c.expected) << c.a << " vs " << c.b;
        EXPECT_EQ(d(c.a) == d(c.b), c.expected == R::OrderedSame) << c.a << " vs " << c.b;
    }
    const Decimal nan = Decimal::notANumber();
    EXPECT_EQ(nan.compare(d("-1e100")), R::OrderedAscending);
    EXPECT_EQ(d("-1e100").compare(nan), R::OrderedDescending);
    EXPECT_NE(nan, Decimal::zero());
    EXPECT_TRUE(nan < Decimal::zero());
}

TEST(Decimal, NumericValues)
{
    EXPECT_EQ(d("0.1").doubleValue(), 0.1);
    EXPECT_EQ(d("-2.5").doubleValue(), -2.5);
    EXPECT_EQ(d("1e100").doubleValue(), 1e100);
    EXPECT_EQ(d("0").doubleValue(), 0.0);
    EXPECT_EQ(d("0.3333333333333333333333333333333333333").doubleValue(), 1.0 / 3.0);

    struct Case {
        const char* text;
        int intValue;
        qint64 longLongValue;
    };
    const Case cases[] = {
        { "2.7", 2, 2 },
        { "-2.7", -2, -2 },
        { "0.999", 0, 0 },
        { "1e-100", 0, 0 },
        { "3000000000", std::numeric_limits<int>::max(), 3000000000LL },
        { "-3000000000", std::numeric_limits<int>::min(), -3000000000LL },
        { "1e30", std::numeric_limits<int>::max(), std::numeric_limits<qint64>::max() },
        { "-1e30", std::numeric_limits<int>::min(), std::numeric_limits<qint64>::min() },
        { "-9223372036854775808", std::numeric_limits<int>::min(), std::numeric_limits<qint64>::min() },
        { "9223372036854775807.9", std::numeric_limits<int>::max(), std::numeric_limits<qint64>::max() },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(d(c.text).intValue(), c.intValue) << c.text;
        EXPECT_EQ(d(c.text).longLongValue(), c.longLongValue) << c.text;
    }
}

TEST(Decimal, FromNumbers)
{
    EXPECT_EQ(Decimal::fromDouble(0.1).stringValue(), "0.1");
    EXPECT_EQ(Decimal::fromDouble(-1.25).stringValue(), "-1.25");
    EXPECT_EQ(Decimal::fromDouble(1e20).stringValue(), "100000000000000000000");
    EXPECT_EQ(Decimal::fromDouble(1.0 / 3.0).doubleValue(), 1.0 / 3.0);
    EXPECT_FALSE(Decimal::fromDouble(std::nan("")).isValid());
    EXPECT_FALSE(Decimal::fromDouble(std::numeric_limits<double>::infinity()).isValid());
    EXPECT_EQ(Decimal::fromInt(std::numeric_limits<qint64>::min()).stringValue(), "-9223372036854775808");
    EXPECT_EQ(Decimal::decimalNumberWithMantissa(25, -1, true).stringValue(), "-2.5");
    EXPECT_EQ(Decimal::decimalNumberWithMantissa(-25, -1, false).stringValue(), "-2.5");
    EXPECT_EQ(Decimal::decimalNumberWithMantissa(3, 2, false).stringValue(), "300");
    EXPECT_TRUE(Decimal().isZero());
    EXPECT_EQ(Decimal::one().stringValue(), "1");
}

TEST(Decimal, Locales)
{
    const QLocale german(QLocale::German, QLocale::Germany);
    const QLocale american(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(Decimal::decimalNumberWithString("1,5", german), d("1.5"));
    EXPECT_EQ(Decimal::decimalNumberWithString("-0,25", german), d("-0.25"));
    EXPECT_FALSE(Decimal::decimalNumberWithString("1.5", german).isValid());
    EXPECT_EQ(Decimal::decimalNumberWithString("1.5", american), d("1.5"));
    EXPECT_EQ(d("-1234.5").descriptionWithLocale(german), "-1234,5");
    EXPECT_EQ(d("-1234.5").descriptionWithLocale(american), "-1234.5");
    EXPECT_EQ(d("3").descriptionWithLocale(german), "3");
}

TEST(Decimal, TravelsInVariant)
{
    const QVariant v = QVariant::fromValue(d("2.5"));
    ASSERT_TRUE(v.canConvert<Decimal>());
    EXPECT_EQ(v.value<Decimal>(), d("2.50"));
    EXPECT_EQ(v, QVariant::fromValue(d("2.50")));
    EXPECT_NE(v, QVariant::fromValue(d("2.49")));
}
