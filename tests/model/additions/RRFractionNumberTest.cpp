#include "RRFractionNumber.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace
{

struct Fields {
    qint32 integerPart, numerator, denominator;
};

void expectFields(const RRFractionNumber& f, Fields expected, const std::string& what)
{
    EXPECT_EQ(f.integerPart(), expected.integerPart) << what;
    EXPECT_EQ(f.numerator(), expected.numerator) << what;
    EXPECT_EQ(f.denominator(), expected.denominator) << what;
}

constexpr qint32 kMaxInt = std::numeric_limits<qint32>::max();

} // namespace

TEST(RRFractionNumber, FromDoubleByContinuedFractions)
{
    struct Case {
        double value;
        Fields expected;
    };
    const Case cases[] = {
        { 4.5, { 4, 1, 2 } },
        { 0.6666667, { 0, 2, 3 } },
        { 1.75, { 1, 3, 4 } },
        { -1.5, { -1, -1, 2 } },
        { -0.25, { 0, -1, 4 } },
        { 0.1, { 0, 1, 10 } },
        { 1.0 / 3.0, { 0, 1, 3 } },
        { 0.0625, { 0, 1, 16 } },
        { 2.0625, { 2, 1, 16 } },
        { 0.0, { 0, 0, 1 } },
        { 7.0, { 7, 0, 1 } },
        { 0.7071067811865476, { 0, 985, 1393 } },
        { 0.9999999999999999, { 0, 1, 1 } },
        { 2.999999, { 2, 1, 1 } },
        { 3.14159265358979, { 3, 16, 113 } },
        { 1234567.125, { 1234567, 1, 8 } },
        // Nothing that fits the fields: zero, printed empty.
        { std::nan(""), { 0, 0, 0 } },
        { std::numeric_limits<double>::infinity(), { 0, 0, 0 } },
        { -1e10, { 0, 0, 0 } },
    };
    for (const Case& c : cases)
        expectFields(
            RRFractionNumber::fractionNumberWithDouble(c.value), c.expected, std::to_string(c.value));
    expectFields(RRFractionNumber::fractionNumberWithFloat(0.6666667f), { 0, 2, 3 }, "float 2/3");
    expectFields(RRFractionNumber::fractionNumberWithFloat(-2.25f), { -2, -1, 4 }, "float -2.25");
}

TEST(RRFractionNumber, FromString)
{
    struct Case {
        const char* text;
        Fields expected;
    };
    const Case cases[] = {
        { "3", { 3, 0, 0 } },
        { " 12 ", { 12, 0, 0 } },
        { "1 1/2", { 1, 1, 2 } },
        { "2  3 / 4", { 2, 3, 4 } },
        { "3/4", { 0, 3, 4 } },
        { "1/0", { 0, 1, 0 } },
        { "2.5", { 2, 1, 2 } },
        { ".5", { 0, 1, 2 } },
        { "3/", { 3, 0, 1 } },
        { "1 2", { 1, 0, 1 } },
        { "", { 0, 0, 1 } },
        { "cups", { 0, 0, 1 } },
        { "-3/4", { 0, -3, 4 } },
        // The whole part's sign is the fraction's: "-1 1/2" is -1.5, and a joining hyphen is no sign.
        { "-1 1/2", { -1, -1, 2 } },
        { "1-1/2", { 1, 1, 2 } },
        { "99999999999", { kMaxInt, 0, 0 } },
        { "1e40", { 1, 0, 0 } },
        { "1.5e40", { 0, 0, 0 } },
        { "0.5e1", { 5, 0, 1 } },
    };
    for (const Case& c : cases)
        expectFields(
            RRFractionNumber::fractionNumberWithString(QString::fromUtf8(c.text)), c.expected, c.text);
}

TEST(RRFractionNumber, Values)
{
    struct Case {
        Fields fields;
        double value;
    };
    const Case cases[] = {
        { { 1, 1, 2 }, 1.5 },
        { { -1, -1, 2 }, -1.5 },
        { { 0, 3, 4 }, 0.75 },
        { { 3, 0, 0 }, 3.0 },
        { { 0, 1, 0 }, 0.0 }, // no denominator: the whole part alone
        { { 5, 7, 0 }, 5.0 },
        { { 0, 0, 0 }, 0.0 },
    };
    for (const Case& c : cases) {
        const RRFractionNumber f(c.fields.integerPart, c.fields.numerator, c.fields.denominator);
        EXPECT_EQ(f.doubleValue(), c.value);
        EXPECT_EQ(f.floatValue(), static_cast<float>(c.value));
        EXPECT_EQ(f.decimalNumberValue(), Decimal::fromDouble(c.value));
    }
    EXPECT_EQ(RRFractionNumber(0, 1, 3).decimalNumberValue().stringValue(), "0.3333333333333333");
    EXPECT_EQ(RRFractionNumber(0, 1, 3).floatValue(), 1.0f / 3.0f);
    EXPECT_EQ(RRFractionNumber::fractionNumberWithIntegerPart(2, 6, 4).numerator(), 6); // not reduced
}

TEST(RRFractionNumber, Printing)
{
    struct Case {
        Fields fields;
        const char* text;
    };
    const Case cases[] = {
        { { 0, 0, 0 }, "" },
        { { 2, 0, 0 }, "2" },
        { { 0, 1, 2 }, "1/2" },
        { { 1, 1, 2 }, "1 1/2" },
        { { 1, 3, 4 }, "1 3/4" },
        { { 0, 1, 8 }, "1/8" },
        { { 0, 3, 2 }, "3/2" },
        { { 0, 1, 10 }, "" },
        { { 3, 1, 16 }, "3" },
        { { 0, 1, 0 }, "" },
        { { 0, 0, 1 }, "" },
        { { 0, -1, 2 }, "-1/2" },
        { { -1, -1, 2 }, "-1 1/2" },
        { { -2, 0, 0 }, "-2" },
        // A fraction worth a whole number prints as that number.
        { { 0, 1, 1 }, "1" },
        { { 2, 1, 1 }, "3" },
        { { 0, -1, 1 }, "-1" },
        { { 1, 4, 2 }, "3" },
        { { kMaxInt, 1, 1 }, "2147483648" },
    };
    for (const Case& c : cases) {
        const RRFractionNumber f(c.fields.integerPart, c.fields.numerator, c.fields.denominator);
        EXPECT_EQ(f.stringValue(), QString::fromUtf8(c.text))
            << c.fields.integerPart << " " << c.fields.numerator << "/" << c.fields.denominator;
        EXPECT_EQ(f.descriptionWithLocale(QLocale(QLocale::German, QLocale::Germany)), f.stringValue());
    }
}

TEST(RRFractionNumber, ComputedAmountsPrintAsKitchenText)
{
    struct Case {
        double value;
        const char* text;
    };
    const Case cases[] = {
        { 0.9999999999999999, "1" },
        { 2.999999, "3" },
        { -0.9999999, "-1" },
        { 1.5, "1 1/2" },
        { -1.5, "-1 1/2" },
        { 0.375, "3/8" },
        { 0.1, "" },
        { 0.0625, "" },
        { 2.0625, "2" },
        { 0.7071067811865476, "" },
        { 0.0, "" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            RRFractionNumber::fractionNumberWithDouble(c.value).stringValue(), QString::fromUtf8(c.text))
            << c.value;

    // What three times one third gives in decimal arithmetic.
    const Decimal third = Decimal::one().decimalNumberByDividingBy(Decimal::fromInt(3));
    const double nearlyOne = third.decimalNumberByMultiplyingBy(Decimal::fromInt(3)).doubleValue();
    EXPECT_EQ(RRFractionNumber::fractionNumberWithDouble(nearlyOne).stringValue(), "1");
}
