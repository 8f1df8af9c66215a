#include "AttributeDescription.h"

#include "Decimal.h"
#include "VariantNumbers.h"

#include <QDateTime>
#include <QHash>
#include <cmath>

namespace
{

const QHash<QString, AttributeDescription::AttributeType>& typesByName()
{
    using Type = AttributeDescription::AttributeType;
    static const QHash<QString, Type> types {
        { QStringLiteral("string"), Type::String },
        { QStringLiteral("integer16"), Type::Integer16 },
        { QStringLiteral("integer32"), Type::Integer32 },
        { QStringLiteral("integer64"), Type::Integer64 },
        { QStringLiteral("decimal"), Type::Decimal },
        { QStringLiteral("double"), Type::Double },
        { QStringLiteral("float"), Type::Float },
        { QStringLiteral("boolean"), Type::Boolean },
        { QStringLiteral("date"), Type::Date },
        { QStringLiteral("binary"), Type::Binary },
        { QStringLiteral("transformable"), Type::Transformable },
    };
    return types;
}

using VariantNumbers::isNumber;
constexpr auto isIntegral = VariantNumbers::isInteger;

double toDouble(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().doubleValue();
    return value.toDouble();
}

qint64 toInteger(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<Decimal>())
        return value.value<Decimal>().longLongValue();
    if (isIntegral(value))
        return value.toLongLong();
    const double d = value.toDouble();
    return std::isfinite(d) ? qint64(d) : 0;
}

} // namespace

bool AttributeDescription::typeFromName(const QString& name, AttributeType* type)
{
    auto it = typesByName().find(name);
    if (it == typesByName().end())
        return false;
    *type = *it;
    return true;
}

QString AttributeDescription::nameOfType(AttributeType type)
{
    return typesByName().key(type);
}

QVariant AttributeDescription::coerce(const QVariant& value, bool* ok) const
{
    if (ok)
        *ok = true;
    if (!value.isValid() || value.isNull())
        return QVariant();
    auto refuse = [ok] {
        if (ok)
            *ok = false;
        return QVariant();
    };
    switch (m_type) {
    case AttributeType::String:
        if (value.metaType().id() != QMetaType::QString)
            return refuse();
        return value;
    case AttributeType::Integer16:
    case AttributeType::Integer32:
    case AttributeType::Integer64:
        if (!isNumber(value))
            return refuse();
        return QVariant::fromValue<qint64>(toInteger(value));
    case AttributeType::Boolean:
        if (!isNumber(value))
            return refuse();
        return QVariant(isIntegral(value) ? value.toLongLong() != 0 : toDouble(value) != 0.0);
    case AttributeType::Double:
        if (!isNumber(value))
            return refuse();
        return QVariant(toDouble(value));
    case AttributeType::Float:
        if (!isNumber(value))
            return refuse();
        return QVariant(double(float(toDouble(value))));
    case AttributeType::Decimal:
        if (value.metaType() == QMetaType::fromType<Decimal>())
            return value;
        if (isIntegral(value))
            return QVariant::fromValue(Decimal::fromInt(value.toLongLong()));
        if (isNumber(value))
            return QVariant::fromValue(Decimal::fromDouble(value.toDouble()));
        return refuse();
    case AttributeType::Date:
        if (value.metaType().id() != QMetaType::QDateTime || !value.toDateTime().isValid())
            return refuse();
        return value;
    case AttributeType::Binary:
        if (value.metaType().id() != QMetaType::QByteArray)
            return refuse();
        return value;
    case AttributeType::Transformable:
        return value;
    }
    return refuse();
}
