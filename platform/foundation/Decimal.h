#pragma once

#include <QLocale>
#include <QMetaType>
#include <QString>

// A base-10 number with up to 38 significant digits, in place of the platform's decimal number.
// Sums and products are exact within 38 digits; division rounds half to even at 38 digits.
// An operation that has no answer (division by zero, overflow, unreadable text) gives the
// "not a number" value, which compares unequal to every number and prints as "NaN".
class Decimal
{
public:
    enum class ComparisonResult { OrderedAscending = -1, OrderedSame = 0, OrderedDescending = 1 };

    Decimal(); // zero
    static Decimal zero();
    static Decimal one();
    static Decimal notANumber();
    // Plain decimal text with "." as separator: "12", "-0.5", ".5", "1e3", "2.50". Leading and
    // trailing white space is allowed. Anything else gives an invalid result (isValid() false)
    // so that callers can tell "no number" from zero.
    static Decimal decimalNumberWithString(const QString& text);
    // Same, with the locale's decimal separator.
    static Decimal decimalNumberWithString(const QString& text, const QLocale& locale);
    // mantissa × 10^exponent
    static Decimal decimalNumberWithMantissa(qint64 mantissa, int exponent, bool isNegative);
    static Decimal fromDouble(double value); // shortest text that reads back as value
    static Decimal fromInt(qint64 value);

    bool isValid() const; // false for "not a number"
    bool isNegative() const;
    bool isZero() const;

    Decimal decimalNumberByAdding(const Decimal& other) const;
    Decimal decimalNumberBySubtracting(const Decimal& other) const;
    Decimal decimalNumberByMultiplyingBy(const Decimal& other) const;
    Decimal decimalNumberByDividingBy(const Decimal& other) const;
    // Rounded to `scale` digits after the point, half to even (negative scale rounds left of it).
    Decimal decimalNumberByRoundingToScale(int scale) const;

    ComparisonResult compare(const Decimal& other) const; // NaN sorts below every number
    double doubleValue() const;
    int intValue() const; // truncated toward zero, clamped to int's range
    qint64 longLongValue() const;
    QString stringValue() const; // "." separator, no exponent, no trailing zeros: "2.5", "-3", "0.001"
    QString descriptionWithLocale(const QLocale& locale) const;

    bool operator==(const Decimal& other) const;
    bool operator!=(const Decimal& other) const { return !(*this == other); }
    bool operator<(const Decimal& other) const
    {
        return compare(other) == ComparisonResult::OrderedAscending;
    }

private:
    friend struct DecimalParts;
    // value = (negative ? -1 : 1) × mantissa × 10^exponent, mantissa < 10^38
    unsigned __int128 m_mantissa = 0;
    int m_exponent = 0;
    bool m_negative = false;
    bool m_nan = false;
};

Q_DECLARE_METATYPE(Decimal)
