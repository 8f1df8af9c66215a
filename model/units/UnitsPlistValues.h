#pragma once

#include "Decimal.h"

#include <QString>
#include <QVariant>
#include <cmath>
#include <optional>

// Reading numbers out of units.plist values, which may be integers, reals or anything else a
// hand-edited file holds. Anything that is not a number answers nothing.
namespace UnitsPlistValues
{

inline std::optional<qint64> integerValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toLongLong();
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return qint64(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d) || d < -9.2e18 || d > 9.2e18)
            return std::nullopt;
        return qint64(d);
    }
    default:
        break;
    }
    if (value.typeId() == qMetaTypeId<Decimal>()) {
        const Decimal d = value.value<Decimal>();
        if (d.isValid())
            return d.longLongValue();
    }
    return std::nullopt;
}

inline std::optional<Decimal> decimalValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
        return Decimal::fromInt(value.toLongLong());
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return Decimal::decimalNumberWithString(QString::number(value.toULongLong()));
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            return std::nullopt;
        return Decimal::fromDouble(d);
    }
    default:
        break;
    }
    if (value.typeId() == qMetaTypeId<Decimal>()) {
        const Decimal d = value.value<Decimal>();
        if (d.isValid())
            return d;
    }
    return std::nullopt;
}

} // namespace UnitsPlistValues
