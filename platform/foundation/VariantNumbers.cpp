#include "VariantNumbers.h"

#include "Decimal.h"

namespace VariantNumbers
{

bool isInteger(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

bool isNumber(const QVariant& value)
{
    const int id = value.metaType().id();
    return isInteger(value) || id == QMetaType::Double || id == QMetaType::Float
        || value.metaType() == QMetaType::fromType<Decimal>();
}

} // namespace VariantNumbers
