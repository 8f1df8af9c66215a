#pragma once

#include "Decimal.h"

#include <QLocale>
#include <QString>
#include <QtGlobal>

// A mixed kitchen fraction: whole part plus numerator/denominator, such as 1 1/2. A negative
// value carries its sign in the whole part (and in the numerator: -1.5 is (-1, -1, 2)). A
// denominator of 0 means a whole number only. Immutable; copy freely.
class RRFractionNumber
{
public:
    // Fractions with a larger denominator are not printed: sixteenths and finer are left out.
    static constexpr qint32 largestPrintedDenominator = 8;

    RRFractionNumber() = default; // (0, 0, 0)
    // The fields as given: no reduction, no normalisation.
    RRFractionNumber(qint32 integerPart, qint32 numerator, qint32 denominator);

    static RRFractionNumber fractionNumberWithIntegerPart(
        qint32 integerPart, qint32 numerator, qint32 denominator);
    // The nearest continued-fraction convergent within 1e-6. Values whose whole part does not fit
    // 32 bits, infinities and NaN give (0, 0, 0), which prints empty.
    static RRFractionNumber fractionNumberWithFloat(float value);
    static RRFractionNumber fractionNumberWithDouble(double value);
    // "3", "1 1/2" (also "1-1/2"), "3/4", else the leading decimal number as a fraction ("2.5" is 2 1/2);
    // text without a number gives 0.
    static RRFractionNumber fractionNumberWithString(const QString& text);

    qint32 integerPart() const { return m_integerPart; }
    qint32 numerator() const { return m_numerator; }
    qint32 denominator() const { return m_denominator; }

    float floatValue() const;
    double doubleValue() const;
    Decimal decimalNumberValue() const;

    // "2", "1/2", "1 1/2", "-1 1/2"; empty when the value is zero or has a fraction finer than
    // eighths, which is how callers learn that it cannot be written as a kitchen amount.
    QString stringValue() const;
    QString descriptionWithLocale(const QLocale& locale) const;

private:
    qint32 m_integerPart = 0;
    qint32 m_numerator = 0;
    qint32 m_denominator = 0;
};
