#include "Decimal.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

// Arithmetic works on exact decimal digit strings and rounds once at the end, so every
// result is the exact answer rounded half to even at 38 significant digits.

namespace
{

constexpr int kMaxDigits = 38;
// Smallest representable step is 10^kMinExponent; the largest value is (10^38 - 1) × 10^kMaxExponent.
constexpr long long kMinExponent = -128;
constexpr long long kMaxExponent = 127;
// Exponents in text are clamped here: far beyond the range either way, without overflowing.
constexpr long long kExponentClamp = 1'000'000;

using Digits = std::vector<unsigned char>; // most significant first, values 0..9

void stripLeadingZeros(Digits& d)
{
    auto firstNonZero = std::find_if(d.begin(), d.end(), [](unsigned char c) { return c != 0; });
    d.erase(d.begin(), firstNonZero);
}

int compareMagnitude(const Digits& a, const Digits& b) // both without leading zeros
{
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    }
    return 0;
}

Digits addMagnitude(const Digits& a, const Digits& b)
{
    Digits result(std::max(a.size(), b.size()) + 1, 0);
    int carry = 0;
    auto ia = a.rbegin(), ib = b.rbegin();
    for (auto out = result.rbegin(); out != result.rend(); ++out) {
        int sum = carry;
        if (ia != a.rend())
            sum += *ia++;
        if (ib != b.rend())
            sum += *ib++;
        *out = static_cast<unsigned char>(sum % 10);
        carry = sum / 10;
    }
    stripLeadingZeros(result);
    return result;
}

Digits subtractMagnitude(const Digits& a, const Digits& b) // requires a >= b
{
    Digits result(a.size(), 0);
    int borrow = 0;
    auto ib = b.rbegin();
    auto out = result.rbegin();
    for (auto ia = a.rbegin(); ia != a.rend(); ++ia, ++out) {
        int diff = *ia - borrow - (ib != b.rend() ? *ib++ : 0);
        borrow = diff < 0 ? 1 : 0;
        *out = static_cast<unsigned char>(diff + 10 * borrow);
    }
    stripLeadingZeros(result);
    return result;
}

Digits multiplyMagnitude(const Digits& a, const Digits& b)
{
    std::vector<unsigned> acc(a.size() + b.size(), 0);
    for (size_t i = a.size(); i-- > 0;) {
        for (size_t j = b.size(); j-- > 0;)
            acc[i + j + 1] += unsigned(a[i]) * b[j];
    }
    for (size_t k = acc.size(); k-- > 1;) {
        acc[k - 1] += acc[k] / 10;
        acc[k] %= 10;
    }
    Digits result(acc.begin(), acc.end());
    stripLeadingZeros(result);
    return result;
}

// Quotient of a / b; `exact` tells whether the remainder is zero. b must not be zero.
Digits divideMagnitude(const Digits& a, const Digits& b, bool& exact)
{
    Digits quotient;
    Digits remainder;
    quotient.reserve(a.size());
    for (unsigned char digit : a) {
        remainder.push_back(digit);
        stripLeadingZeros(remainder);
        unsigned char count = 0;
        while (compareMagnitude(remainder, b) >= 0) {
            remainder = subtractMagnitude(remainder, b);
            ++count;
        }
        quotient.push_back(count);
    }
    stripLeadingZeros(quotient);
    exact = remainder.empty();
    return quotient;
}

// Drops the last `drop` digits, rounding half to even; `exponent` grows by `drop`.
void roundAway(Digits& d, long long& exponent, long long drop)
{
    if (drop <= 0)
        return;
    exponent += drop;
    if (drop > static_cast<long long>(d.size())) {
        d.clear(); // even the first dropped digit is a leading zero: below half a step
        return;
    }
    const size_t keep = d.size() - static_cast<size_t>(drop);
    const unsigned char first = d[keep];
    const bool sticky = std::any_of(d.begin() + keep + 1, d.end(), [](unsigned char c) { return c != 0; });
    const bool lastOdd = keep > 0 && (d[keep - 1] % 2) == 1;
    d.resize(keep);
    if (first > 5 || (first == 5 && (sticky || lastOdd))) {
        size_t i = d.size();
        while (i > 0 && d[i - 1] == 9)
            d[--i] = 0;
        if (i == 0)
            d.insert(d.begin(), 1);
        else
            ++d[i - 1];
    }
}

Digits digitsOf(unsigned __int128 value)
{
    Digits d;
    while (value != 0) {
        d.push_back(static_cast<unsigned char>(value % 10));
        value /= 10;
    }
    std::reverse(d.begin(), d.end());
    return d;
}

unsigned __int128 powerOfTen(int n) // n <= 38
{
    unsigned __int128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

// Builds and takes apart decimals as (sign, exact digits, exponent).
struct DecimalParts {
    bool negative = false;
    Digits digits;
    long long exponent = 0;

    static DecimalParts of(const Decimal& d)
    {
        return { d.m_negative, digitsOf(d.m_mantissa), d.m_exponent };
    }

    // Rounds to 38 digits and to the smallest step; beyond the largest value gives NaN.
    Decimal finish() &&
    {
        stripLeadingZeros(digits);
        if (digits.empty())
            return Decimal();
        const long long drop
            = std::max(static_cast<long long>(digits.size()) - kMaxDigits, kMinExponent - exponent);
        roundAway(digits, exponent, drop);
        if (digits.size() > static_cast<size_t>(kMaxDigits)) { // rounding carried into a new digit: 10…0
            digits.pop_back();
            ++exponent;
        }
        if (digits.empty())
            return Decimal();
        while (digits.back() == 0) {
            digits.pop_back();
            ++exponent;
        }
        if (static_cast<long long>(digits.size()) + exponent > kMaxDigits + kMaxExponent)
            return Decimal::notANumber();
        Decimal result;
        for (unsigned char digit : digits)
            result.m_mantissa = result.m_mantissa * 10 + digit;
        result.m_exponent = static_cast<int>(exponent);
        result.m_negative = negative;
        return result;
    }

    // Reads [sign] digits [separator digits] [e [sign] digits] between optional white space.
    static Decimal parse(const QString& text, const QString& separator, const QString& minusSign)
    {
        DecimalParts parts;
        qsizetype i = 0;
        const qsizetype n = text.size();
        while (i < n && text[i].isSpace())
            ++i;
        if (i < n && text[i] == QLatin1Char('+')) {
            ++i;
        } else if (i < n && text[i] == QLatin1Char('-')) {
            parts.negative = true;
            ++i;
        } else if (!minusSign.isEmpty() && QStringView(text).mid(i).startsWith(minusSign)) {
            parts.negative = true;
            i += minusSign.size();
        }
        bool sawDigit = false;
        while (i < n && isDigit(text[i])) {
            parts.digits.push_back(static_cast<unsigned char>(text[i].unicode() - '0'));
            sawDigit = true;
            ++i;
        }
        if (!separator.isEmpty() && QStringView(text).mid(i).startsWith(separator)) {
            i += separator.size();
            while (i < n && isDigit(text[i])) {
                parts.digits.push_back(static_cast<unsigned char>(text[i].unicode() - '0'));
                --parts.exponent;
                sawDigit = true;
                ++i;
            }
        }
        if (!sawDigit)
            return Decimal::notANumber();
        if (i < n && (text[i] == QLatin1Char('e') || text[i] == QLatin1Char('E'))) {
            ++i;
            bool negativeExponent = false;
            if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
                negativeExponent = text[i] == QLatin1Char('-');
                ++i;
            }
            if (i >= n || !isDigit(text[i]))
                return Decimal::notANumber();
            long long value = 0;
            while (i < n && isDigit(text[i])) {
                value = std::min(kExponentClamp, value * 10 + (text[i].unicode() - '0'));
                ++i;
            }
            parts.exponent += negativeExponent ? -value : value;
        }
        while (i < n && text[i].isSpace())
            ++i;
        if (i != n)
            return Decimal::notANumber();
        return std::move(parts).finish();
    }

    static QString format(const Decimal& d, const QString& separator)
    {
        if (d.m_nan)
            return QStringLiteral("NaN");
        if (d.m_mantissa == 0)
            return QStringLiteral("0");
        QString digits = QString::number(static_cast<quint64>(d.m_mantissa / powerOfTen(19)));
        if (digits == QLatin1String("0"))
            digits.clear();
        const QString low = QString::number(static_cast<quint64>(d.m_mantissa % powerOfTen(19)));
        digits += digits.isEmpty() ? low : low.rightJustified(19, QLatin1Char('0'));
        QString text;
        if (d.m_exponent >= 0) {
            text = digits + QString(d.m_exponent, QLatin1Char('0'));
        } else {
            const qsizetype fraction = -static_cast<qsizetype>(d.m_exponent);
            if (fraction >= digits.size())
                text = QLatin1Char('0') + separator + QString(fraction - digits.size(), QLatin1Char('0'))
                    + digits;
            else
                text = digits.left(digits.size() - fraction) + separator + digits.right(fraction);
        }
        return d.m_negative ? QLatin1Char('-') + text : text;
    }

    // Sign-free comparison of two numbers.
    static int compareMagnitudes(const Decimal& a, const Decimal& b)
    {
        if (a.m_mantissa == 0 || b.m_mantissa == 0)
            return (a.m_mantissa != 0) - (b.m_mantissa != 0);
        Digits da = digitsOf(a.m_mantissa), db = digitsOf(b.m_mantissa);
        const long long magnitudeA = static_cast<long long>(da.size()) + a.m_exponent;
        const long long magnitudeB = static_cast<long long>(db.size()) + b.m_exponent;
        if (magnitudeA != magnitudeB)
            return magnitudeA < magnitudeB ? -1 : 1;
        const size_t length = std::max(da.size(), db.size());
        da.resize(length, 0);
        db.resize(length, 0);
        return std::lexicographical_compare(da.begin(), da.end(), db.begin(), db.end()) ? -1
            : std::lexicographical_compare(db.begin(), db.end(), da.begin(), da.end())  ? 1
                                                                                        : 0;
    }

    static Decimal add(const Decimal& a, const Decimal& b, bool negateB)
    {
        if (a.m_nan || b.m_nan)
            return Decimal::notANumber();
        DecimalParts x = of(a), y = of(b);
        y.negative = y.negative != negateB;
        // Align both on the smaller exponent; the sum is then exact.
        const long long exponent = std::min(x.exponent, y.exponent);
        x.digits.resize(x.digits.size() + static_cast<size_t>(x.exponent - exponent), 0);
        y.digits.resize(y.digits.size() + static_cast<size_t>(y.exponent - exponent), 0);
        DecimalParts sum;
        sum.exponent = exponent;
        if (x.negative == y.negative) {
            sum.negative = x.negative;
            sum.digits = addMagnitude(x.digits, y.digits);
        } else if (compareMagnitude(x.digits, y.digits) >= 0) {
            sum.negative = x.negative;
            sum.digits = subtractMagnitude(x.digits, y.digits);
        } else {
            sum.negative = y.negative;
            sum.digits = subtractMagnitude(y.digits, x.digits);
        }
        return std::move(sum).finish();
    }
};

Decimal::Decimal() = default;

Decimal Decimal::zero()
{
    return Decimal();
}

Decimal Decimal::one()
{
    return fromInt(1);
}

Decimal Decimal::notANumber()
{
    Decimal d;
    d.m_nan = true;
    return d;
}

Decimal Decimal::decimalNumberWithString(const QString& text)
{
    return DecimalParts::parse(text, QStringLiteral("."), QString());
}

Decimal Decimal::decimalNumberWithString(const QString& text, const QLocale& locale)
{
    const QString minus = locale.negativeSign();
    return DecimalParts::parse(text, locale.decimalPoint(), minus == QLatin1String("-") ? QString() : minus);
}

Decimal Decimal::decimalNumberWithMantissa(qint64 mantissa, int exponent, bool isNegative)
{
    const quint64 magnitude
        = mantissa < 0 ? 0 - static_cast<quint64>(mantissa) : static_cast<quint64>(mantissa);
    DecimalParts parts { isNegative != (mantissa < 0), digitsOf(magnitude), exponent };
    return std::move(parts).finish();
}

Decimal Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return notANumber();
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return decimalNumberWithString(QString::fromLatin1(buffer, result.ptr - buffer));
}

Decimal Decimal::fromInt(qint64 value)
{
    return decimalNumberWithMantissa(value, 0, false);
}

bool Decimal::isValid() const
{
    return !m_nan;
}

bool Decimal::isNegative() const
{
    return !m_nan && m_negative && m_mantissa != 0;
}

bool Decimal::isZero() const
{
    return !m_nan && m_mantissa == 0;
}

Decimal Decimal::decimalNumberByAdding(const Decimal& other) const
{
    return DecimalParts::add(*this, other, false);
}

Decimal Decimal::decimalNumberBySubtracting(const Decimal& other) const
{
    return DecimalParts::add(*this, other, true);
}

Decimal Decimal::decimalNumberByMultiplyingBy(const Decimal& other) const
{
    if (m_nan || other.m_nan)
        return notANumber();
    DecimalParts a = DecimalParts::of(*this), b = DecimalParts::of(other);
    DecimalParts product { a.negative != b.negative, multiplyMagnitude(a.digits, b.digits),
        a.exponent + b.exponent };
    return std::move(product).finish();
}

Decimal Decimal::decimalNumberByDividingBy(const Decimal& other) const
{
    if (m_nan || other.m_nan || other.m_mantissa == 0)
        return notANumber();
    if (m_mantissa == 0)
        return Decimal();
    DecimalParts a = DecimalParts::of(*this), b = DecimalParts::of(other);
    // Scale the dividend so the quotient has at least two digits beyond the 38 kept; a
    // non-zero remainder then only needs a trailing sticky digit for correct rounding.
    const long long scale = std::max<long long>(0,
        kMaxDigits + 2 + static_cast<long long>(b.digits.size()) - static_cast<long long>(a.digits.size()));
    a.digits.resize(a.digits.size() + static_cast<size_t>(scale), 0);
    bool exact = true;
    DecimalParts quotient { a.negative != b.negative, divideMagnitude(a.digits, b.digits, exact),
        a.exponent - b.exponent - scale };
    if (!exact) {
        quotient.digits.push_back(1);
        --quotient.exponent;
    }
    return std::move(quotient).finish();
}

Decimal Decimal::decimalNumberByRoundingToScale(int scale) const
{
    if (m_nan)
        return *this;
    DecimalParts parts = DecimalParts::of(*this);
    roundAway(parts.digits, parts.exponent, -static_cast<long long>(scale) - parts.exponent);
    return std::move(parts).finish();
}

Decimal::ComparisonResult Decimal::compare(const Decimal& other) const
{
    if (m_nan || other.m_nan) {
        if (m_nan && other.m_nan)
            return ComparisonResult::OrderedSame;
        return m_nan ? ComparisonResult::OrderedAscending : ComparisonResult::OrderedDescending;
    }
    const bool negative = isNegative();
    if (negative != other.isNegative())
        return negative ? ComparisonResult::OrderedAscending : ComparisonResult::OrderedDescending;
    int order = DecimalParts::compareMagnitudes(*this, other);
    if (negative)
        order = -order;
    return order < 0 ? ComparisonResult::OrderedAscending
        : order > 0  ? ComparisonResult::OrderedDescending
                     : ComparisonResult::OrderedSame;
}

double Decimal::doubleValue() const
{
    if (m_nan)
        return std::numeric_limits<double>::quiet_NaN();
    // Mantissa and exponent as scientific text; from_chars rounds correctly and ignores the C locale.
    QByteArray digits;
    for (unsigned char d : digitsOf(m_mantissa))
        digits.append(char('0' + d));
    if (digits.isEmpty())
        return 0.0;
    digits += 'e' + QByteArray::number(m_exponent);
    double value = 0.0;
    std::from_chars(digits.constData(), digits.constData() + digits.size(), value);
    return m_negative ? -value : value;
}

qint64 Decimal::longLongValue() const
{
    if (m_nan || m_mantissa == 0)
        return 0;
    unsigned __int128 magnitude = m_mantissa;
    if (m_exponent < 0) {
        magnitude = -m_exponent > kMaxDigits ? 0 : magnitude / powerOfTen(-m_exponent);
    } else {
        const unsigned __int128 limit
            = static_cast<unsigned __int128>(std::numeric_limits<qint64>::max()) + 1;
        for (int i = 0; i < m_exponent && magnitude <= limit; ++i)
            magnitude *= 10;
    }
    const unsigned __int128 max = static_cast<unsigned __int128>(std::numeric_limits<qint64>::max());
    if (m_negative)
        return magnitude > max ? std::numeric_limits<qint64>::min() : -static_cast<qint64>(magnitude);
    return magnitude > max ? std::numeric_limits<qint64>::max() : static_cast<qint64>(magnitude);
}

int Decimal::intValue() const
{
    return static_cast<int>(std::clamp<qint64>(
        longLongValue(), std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QString Decimal::stringValue() const
{
    return DecimalParts::format(*this, QStringLiteral("."));
}

QString Decimal::descriptionWithLocale(const QLocale& locale) const
{
    return DecimalParts::format(*this, locale.decimalPoint());
}

bool Decimal::operator==(const Decimal& other) const
{
    return compare(other) == ComparisonResult::OrderedSame;
}
