#include "VariantNumbers.h"

#include "Decimal.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <gtest/gtest.h>

TEST(VariantNumbers, KindByStoredType)
{
    struct Case {
        const char* name;
        QVariant value;
        bool integer;
        bool number;
    };
    const QList<Case> cases = {
        { "bool", QVariant(false), true, true },
        { "int", QVariant(-3), true, true },
        { "uint", QVariant(3u), true, true },
        { "qint64", QVariant(qint64(-1) << 40), true, true },
        { "quint64", QVariant(~quint64(0)), true, true },
        { "long", QVariant::fromValue(long(7)), true, true },
        { "unsigned long", QVariant::fromValue(7ul), true, true },
        { "short", QVariant::fromValue(short(-2)), true, true },
        { "unsigned short", QVariant::fromValue(ushort(2)), true, true },
        { "char", QVariant::fromValue(char('a')), true, true },
        { "signed char", QVariant::fromValue(static_cast<signed char>(-1)), true, true },
        { "unsigned char", QVariant::fromValue(uchar(255)), true, true },
        { "int without a value", QVariant(QMetaType::fromType<int>()), true, true },
        { "double", QVariant(0.5), false, true },
        { "float", QVariant(0.5f), false, true },
        { "Decimal", QVariant::fromValue(Decimal::decimalNumberWithString(QStringLiteral("1.25"))), false,
            true },
        { "digits as text", QVariant(QStringLiteral("12")), false, false },
        { "digits as bytes", QVariant(QByteArray("12")), false, false },
        { "QChar", QVariant(QChar(u'7')), false, false },
        { "date", QVariant(QDateTime::fromSecsSinceEpoch(0)), false, false },
        { "invalid", QVariant(), false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VariantNumbers::isInteger(c.value), c.integer);
        EXPECT_EQ(VariantNumbers::isNumber(c.value), c.number);
    }
}
