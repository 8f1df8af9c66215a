#include "RRFractionNumber.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace
{

constexpr double kTolerance = 1e-6;
constexpr int kMaxTerms = 30;
// Above this, the common divisor is sought in floating point until both numbers fit an int.
constexpr double kIntegerEuclidLimit = 32768.0;

qint32 saturatedInt32(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<qint32>::max()))
        return std::numeric_limits<qint32>::max();
    if (value <= static_cast<double>(std::numeric_limits<qint32>::min()))
        return std::numeric_limits<qint32>::min();
    return static_cast<qint32>(value);
}

double greatestCommonDivisor(double a, double b)
{
    while ((a >= kIntegerEuclidLimit || b >= kIntegerEuclidLimit) && std::min(a, b) >= 1.0) {
        const double quotient = std::floor(a / b);
        const double rest = a - quotient * b;
        a = b;
        b = rest;
    }
    // Both are now small (or one ran out); finish in integers.
    qint64 x = std::llround(std::clamp(a, 0.0, 9e18));
    qint64 y = std::llround(std::clamp(b, 0.0, 9e18));
    while (y != 0) {
        const qint64 rest = x % y;
        x = y;
        y = rest;
    }
    return x == 0 ? 1.0 : static_cast<double>(x);
}

// Reads text the way the amount reader needs: white space is skipped before each item, and a
// failed read leaves the position unchanged.
class TextScanner
{
public:
    explicit TextScanner(const QString& text)
        : m_text(text)
    {
    }

    bool scanInt(qint32& value, bool* negative = nullptr)
    {
        const qsizetype start = m_position;
        skipSpace();
        bool isNegative = false;
        if (m_position < m_text.size() && (m_text[m_position] == u'-' || m_text[m_position] == u'+')) {
            isNegative = m_text[m_position] == u'-';
            ++m_position;
        }
        qint64 magnitude = 0;
        const qsizetype digitsStart = m_position;
        while (m_position < m_text.size() && isAsciiDigit(m_text[m_position])) {
            magnitude = std::min<qint64>(magnitude * 10 + (m_text[m_position].unicode() - u'0'),
                qint64(std::numeric_limits<qint32>::max()) + 1);
            ++m_position;
        }
        if (m_position == digitsStart) {
            m_position = start;
            return false;
        }
        const qint64 signedValue = isNegative ? -magnitude : magnitude;
        value = static_cast<qint32>(std::clamp<qint64>(
            signedValue, std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max()));
        if (negative)
            *negative = isNegative;
        return true;
    }

    bool scanString(QStringView string)
    {
        const qsizetype start = m_position;
        skipSpace();
        if (QStringView(m_text).mid(m_position).startsWith(string)) {
            m_position += string.size();
            return true;
        }
        m_position = start;
        return false;
    }

    // A decimal number with "." as separator and an optional exponent.
    bool scanFloat(double& value)
    {
        const qsizetype start = m_position;
        skipSpace();
        QByteArray number;
        if (m_position < m_text.size() && (m_text[m_position] == u'-' || m_text[m_position] == u'+')) {
            if (m_text[m_position] == u'-')
                number += '-';
            ++m_position;
        }
        const int digits = takeDigits(number);
        int fractionDigits = 0;
        if (m_position < m_text.size() && m_text[m_position] == u'.') {
            ++m_position;
            number += '.';
            fractionDigits = takeDigits(number);
        }
        if (digits + fractionDigits == 0) {
            m_position = start;
            return false;
        }
        if (m_position + 1 < m_text.size() && (m_text[m_position] == u'e' || m_text[m_position] == u'E')) {
            const qsizetype exponentStart = m_position;
            QByteArray exponent = "e";
            ++m_position;
            if (m_text[m_position] == u'-' || m_text[m_position] == u'+') {
                exponent += char(m_text[m_position].unicode());
                ++m_position;
            }
            if (takeDigits(exponent) > 0)
                number += exponent;
            else
                m_position = exponentStart;
        }
        const auto result = std::from_chars(number.constData(), number.constData() + number.size(), value);
        if (result.ec == std::errc::result_out_of_range) {
            // Too large is infinite, too small is zero, as the C library reads them.
            const bool negative = number.startsWith('-');
            const bool tiny = number.contains("e-");
            value = tiny ? (negative ? -0.0 : 0.0)
                         : (negative ? -std::numeric_limits<double>::infinity()
                                     : std::numeric_limits<double>::infinity());
        }
        return true;
    }

    bool continuesWith(QChar character)
    {
        const qsizetype start = m_position;
        skipSpace();
        const bool result = m_position < m_text.size() && m_text[m_position] == character;
        m_position = start;
        return result;
    }

private:
    static bool isAsciiDigit(QChar c) { return c >= u'0' && c <= u'9'; }

    void skipSpace()
    {
        while (m_position < m_text.size() && m_text[m_position].isSpace())
            ++m_position;
    }

    int takeDigits(QByteArray& out)
    {
        int count = 0;
        while (m_position < m_text.size() && isAsciiDigit(m_text[m_position])) {
            out += char(m_text[m_position].unicode());
            ++m_position;
            ++count;
        }
        return count;
    }

    const QString& m_text;
    qsizetype m_position = 0;
};

} // namespace

RRFractionNumber::RRFractionNumber(qint32 integerPart, qint32 numerator, qint32 denominator)
    : m_integerPart(integerPart)
    , m_numerator(numerator)
    , m_denominator(denominator)
{
}

RRFractionNumber RRFractionNumber::fractionNumberWithIntegerPart(
    qint32 integerPart, qint32 numerator, qint32 denominator)
{
    return RRFractionNumber(integerPart, numerator, denominator);
}

RRFractionNumber RRFractionNumber::fractionNumberWithFloat(float value)
{
    return fractionNumberWithDouble(static_cast<double>(value));
}

RRFractionNumber RRFractionNumber::fractionNumberWithDouble(double value)
{
    const double whole = std::trunc(value);
    // A whole part beyond 32 bits cannot be stored; printing empty tells callers to keep their text.
    if (!std::isfinite(value) || whole > std::numeric_limits<qint32>::max()
        || whole < std::numeric_limits<qint32>::min())
        return RRFractionNumber();

    const double x = std::fabs(value);
    double h = 1, hPrevious = 0; // convergent numerators h(n-1), h(n-2)
    double k = 0, kPrevious = 1; // convergent denominators
    double rest = x;
    for (int term = 1; term <= kMaxTerms; ++term) {
        const double a = std::floor(rest + kTolerance);
        const double fraction = rest - a;
        double hNext = a * h + hPrevious;
        double kNext = a * k + kPrevious;
        const double divisor = greatestCommonDivisor(hNext, kNext);
        hNext /= divisor;
        kNext /= divisor;
        hPrevious = h;
        kPrevious = k;
        h = hNext;
        k = kNext;
        if (fraction < kTolerance)
            break;
        rest = 1.0 / fraction;
        if (std::fabs(x - h / k) < kTolerance)
            break;
    }
    if (value < 0)
        h = -h;
    const qint32 integerPart = static_cast<qint32>(whole);
    const double product = std::trunc(static_cast<double>(integerPart) * k);
    return RRFractionNumber(integerPart, saturatedInt32(h - product), saturatedInt32(k));
}

RRFractionNumber RRFractionNumber::fractionNumberWithString(const QString& text)
{
    TextScanner scanner(text);
    qint32 a = 0, b = 0, c = 0;
    bool aNegative = false;
    if (scanner.scanInt(a, &aNegative)) {
        const bool scannedB = scanner.scanInt(b);
        const bool scannedSlash = scanner.scanString(u"/");
        if (scannedB) {
            if (scannedSlash && scanner.scanInt(c)) {
                // The fraction takes the sign of the whole part, so "-1 1/2" is -1.5; a hyphen joining
                // the parts ("1-1/2") is not a minus sign.
                const qint32 magnitude = b == std::numeric_limits<qint32>::min()
                    ? std::numeric_limits<qint32>::max()
                    : std::abs(b);
                return RRFractionNumber(a, aNegative ? -magnitude : magnitude, c);
            }
        } else if (scannedSlash) {
            if (scanner.scanInt(c))
                return RRFractionNumber(0, a, c);
        } else if (!scanner.continuesWith(u'.')) {
            return RRFractionNumber(a, 0, 0);
        }
    }
    TextScanner fallback(text);
    double value = 0.0;
    if (!fallback.scanFloat(value))
        value = 0.0;
    const float single = std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())
        ? static_cast<float>(std::copysign(std::numeric_limits<float>::infinity(), value))
        : static_cast<float>(value);
    return fractionNumberWithFloat(single);
}

double RRFractionNumber::doubleValue() const
{
    if (m_denominator == 0)
        return m_integerPart;
    return static_cast<double>(m_integerPart) + static_cast<double>(m_numerator) / m_denominator;
}

float RRFractionNumber::floatValue() const
{
    if (m_denominator == 0)
        return static_cast<float>(m_integerPart);
    return static_cast<float>(m_integerPart)
        + static_cast<float>(m_numerator) / static_cast<float>(m_denominator);
}

Decimal RRFractionNumber::decimalNumberValue() const
{
    const Decimal value = Decimal::fromDouble(doubleValue());
    return value.isValid() ? value : Decimal::zero();
}

QString RRFractionNumber::stringValue() const
{
    return descriptionWithLocale(QLocale::c());
}

QString RRFractionNumber::descriptionWithLocale(const QLocale& locale) const
{
    // Whole numbers print with plain digits in every locale; the locale has nothing to change.
    Q_UNUSED(locale);
    qint64 whole = m_integerPart;
    qint64 numerator = m_numerator;
    const qint64 denominator = m_denominator;
    // A fraction worth a whole number (2 1/1, from a value a hair below 3) prints as that number.
    if (denominator != 0 && numerator != 0 && numerator % denominator == 0) {
        whole += numerator / denominator;
        numerator = 0;
    }
    const bool showsFraction = denominator != 0 && numerator != 0 && denominator <= largestPrintedDenominator;
    QString fractionText;
    if (showsFraction) {
        // A negative mixed number carries its sign once: -1 1/2, not -1 -1/2.
        const qint64 shownNumerator = whole < 0 && numerator < 0 ? -numerator : numerator;
        fractionText = QStringLiteral("%1/%2").arg(shownNumerator).arg(denominator);
    }
    QString wholeText;
    if (whole != 0)
        wholeText = QString::number(whole) + (showsFraction ? QStringLiteral(" ") : QString());
    return wholeText + fractionText;
}
