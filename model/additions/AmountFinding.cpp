#include "AmountFinding.h"

#include "DecimalAndFractionCharacters.h"
#include "RRFractionNumber.h"

#include <QLocale>
#include <QRegularExpression>

namespace
{

struct VulgarFraction {
    char16_t character;
    const char* ascii;
};

constexpr VulgarFraction kVulgarFractions[] = {
    { u'\u00BC', "1/4" },
    { u'\u00BD', "1/2" },
    { u'\u00BE', "3/4" },
    { u'\u2153', "1/3" },
    { u'\u2154', "2/3" },
    { u'\u2155', "1/5" },
    { u'\u2156', "2/5" },
    { u'\u2157', "3/5" },
    { u'\u2158', "4/5" },
    { u'\u2159', "1/6" },
    { u'\u215A', "5/6" },
    { u'\u215B', "1/8" },
    { u'\u215C', "3/8" },
    { u'\u215D', "5/8" },
    { u'\u215E', "7/8" },
};

bool isMinus(QChar c)
{
    return c == u'-' || c == u'\u2212';
}

// Each fraction character becomes a blank and its ASCII fraction, so "1½" reads as "1 1/2". Right
// after a minus sign no blank goes in, so "-½" stays negative.
QString spellOutFractions(const QString& text)
{
    QString result;
    result.reserve(text.size() + 8);
    for (QChar c : text) {
        const VulgarFraction* match = nullptr;
        for (const VulgarFraction& fraction : kVulgarFractions) {
            if (c.unicode() == fraction.character)
                match = &fraction;
        }
        if (!match) {
            result += c;
            continue;
        }
        if (result.isEmpty() || !isMinus(result.back()))
            result += u' ';
        result += QLatin1String(match->ascii);
    }
    return result;
}

// The text from its first to its last digit, keeping a decimal separator and a minus sign that
// stand right before the first digit (".5" is a half, "-2" is negative).
QString trimToAmount(const QString& text, const QString& separator)
{
    const auto& digits = DecimalAndFractionCharacters::decimalDigitAndFractionCharacterSet();
    qsizetype first = 0;
    while (first < text.size() && !digits.characterIsMember(text[first]))
        ++first;
    qsizetype last = text.size() - 1;
    while (last >= first && !digits.characterIsMember(text[last]))
        --last;
    if (first > last)
        return QString();
    if (!separator.isEmpty() && first >= separator.size()
        && QStringView(text).mid(first - separator.size(), separator.size()) == separator)
        first -= separator.size();
    else if (first > 0 && text[first - 1] == u'.')
        --first;
    if (first > 0 && isMinus(text[first - 1]))
        return QLatin1Char('-') + text.mid(first, last - first + 1);
    return text.mid(first, last - first + 1);
}

// What a forgiving number reader makes of text the strict one refused: the whole text in the
// locale's format (grouping allowed), else its leading number, else zero.
Decimal readLeniently(const QString& text, const QLocale& locale)
{
    const Decimal localized = Decimal::decimalNumberWithString(text, locale);
    if (localized.isValid())
        return localized;
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (ok) {
        const Decimal decimal = Decimal::fromDouble(value);
        if (decimal.isValid())
            return decimal;
    }
    const QString separator = QRegularExpression::escape(locale.decimalPoint());
    const QRegularExpression leadingNumber(
        QStringLiteral("^\\s*(-?(?:[0-9]+(?:%1[0-9]*)?|%1[0-9]+))").arg(separator));
    const QRegularExpressionMatch match = leadingNumber.match(text);
    if (match.hasMatch()) {
        const Decimal decimal = Decimal::decimalNumberWithString(match.captured(1), locale);
        if (decimal.isValid())
            return decimal;
    }
    return Decimal::zero();
}

} // namespace

namespace AmountFinding
{

Decimal amountDecimalNumberValue(const QString& text)
{
    const QLocale locale;
    const QString separator = locale.decimalPoint();
    const QString amount = trimToAmount(spellOutFractions(text), separator);
    if (amount.isEmpty())
        return Decimal::one();
    if (!amount.contains(separator) && amount.contains(u'/'))
        return RRFractionNumber::fractionNumberWithString(amount).decimalNumberValue();
    const Decimal plain = Decimal::decimalNumberWithString(amount);
    if (plain.isValid())
        return plain;
    return readLeniently(amount, locale);
}

QString stringForDecimalAmount(const Decimal& amount)
{
    const QLocale locale;
    const Decimal rounded = amount.decimalNumberByRoundingToScale(1);
    QString text = rounded.descriptionWithLocale(locale);
    if (rounded.isNegative() && locale.negativeSign() != QLatin1String("-"))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

} // namespace AmountFinding
