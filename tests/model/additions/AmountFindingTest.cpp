#include "AmountFinding.h"

#include <gtest/gtest.h>

namespace
{

class AmountFindingTest : public ::testing::Test
{
protected:
    void TearDown() override { QLocale::setDefault(m_saved); }
    void useLocale(const QLocale& locale) { QLocale::setDefault(locale); }

private:
    QLocale m_saved;
};

struct AmountCase {
    const char* text;
    const char* value;
};

void expectAmounts(std::initializer_list<AmountCase> cases)
{
    for (const AmountCase& c : cases) {
        const Decimal amount = AmountFinding::amountDecimalNumberValue(QString::fromUtf8(c.text));
        EXPECT_TRUE(amount.isValid()) << c.text;
        EXPECT_EQ(amount.stringValue(), QString::fromLatin1(c.value)) << c.text;
    }
}

} // namespace

TEST_F(AmountFindingTest, ReadsAmountText)
{
    for (const QLocale& locale : { QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates) }) {
        useLocale(locale);
        expectAmounts({
            { "", "1" },
            { "cups", "1" },
            { "1/2", "0.5" },
            { "1 1/2", "1.5" },
            { "1½", "1.5" },
            { "¾", "0.75" },
            { "2 ⅞ cups", "2.875" },
            { "⅓", "0.3333333333333333" },
            { "3", "3" },
            { "2.5", "2.5" },
            { "about 1 1/2 cups", "1.5" },
            { "(2)", "2" },
            { "1/0", "0" },
            { "3/4.", "0.75" },
            // A separator or minus sign right before the first digit belongs to the amount.
            { ".5", "0.5" },
            { "about .25 cup", "0.25" },
            { "-2", "-2" },
            { "-1 1/2", "-1.5" },
            { "-½", "-0.5" },
            { "-.5", "-0.5" },
            { "- 2", "2" },
            { "1-1/2 cups", "1.5" },
            // Not a plain number: the leading number counts.
            { "2-3", "2" },
            { "1.5.2", "1.5" },
        });
    }
}

TEST_F(AmountFindingTest, ReadsWithTheLocalesSeparator)
{
    useLocale(QLocale(QLocale::German, QLocale::Germany));
    expectAmounts({
        { "2,5", "2.5" },
        { "ca. 2,5 l", "2.5" },
        { ",5", "0.5" },
        { "-0,25", "-0.25" },
        { "1 1/2", "1.5" },
        { "2.5", "2.5" },
        { "1.234,5", "1234.5" },
        { "Prise", "1" },
    });
}

TEST_F(AmountFindingTest, PrintsOneFractionDigit)
{
    struct Case {
        const char* amount;
        const char* point;
        const char* comma;
    };
    const Case cases[] = {
        { "2.25", "2.2", "2,2" },
        { "2.35", "2.4", "2,4" },
        { "0.5", "0.5", "0,5" },
        { "3", "3", "3" },
        { "1234.56", "1234.6", "1234,6" },
        { "0.05", "0", "0" },
        { "0.15", "0.2", "0,2" },
        { "-2.25", "-2.2", "-2,2" },
        { "-0.04", "0", "0" },
        { "236.5882365", "236.6", "236,6" },
    };
    for (const Case& c : cases) {
        const Decimal amount = Decimal::decimalNumberWithString(c.amount);
        useLocale(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(AmountFinding::stringForDecimalAmount(amount), c.point) << c.amount;
        useLocale(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(AmountFinding::stringForDecimalAmount(amount), c.comma) << c.amount;
    }
}
