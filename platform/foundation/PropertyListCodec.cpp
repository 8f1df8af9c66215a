#include "PropertyListCodec.h"

#include <QStringList>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>
#include <cmath>
#include <limits>

namespace PropertyListCodec
{

namespace
{
constexpr qint64 ReferenceDateMsecsSinceEpoch = 978307200000; // 2001-01-01T00:00:00Z
constexpr double MaxReferenceSeconds = 1e13; // some 300,000 years either way
} // namespace

Kind kindOf(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return Kind::Dict;
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return Kind::Array;
    case QMetaType::QString:
        return Kind::String;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Long:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::UChar:
        return Kind::Integer;
    case QMetaType::ULongLong:
    case QMetaType::ULong:
        return value.toULongLong() > quint64(std::numeric_limits<qint64>::max()) ? Kind::Unsigned
                                                                                 : Kind::Integer;
    case QMetaType::Double:
    case QMetaType::Float:
        return Kind::Real;
    case QMetaType::Bool:
        return Kind::Bool;
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? Kind::Date : Kind::Unsupported;
    case QMetaType::QByteArray:
        return Kind::Data;
    default:
        return Kind::Unsupported;
    }
}

QString typeNameOf(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("a null value");
    if (value.metaType().id() == QMetaType::QDateTime)
        return QStringLiteral("an invalid date");
    return QStringLiteral("a value of type %1").arg(QString::fromLatin1(value.metaType().name()));
}

QDateTime dateFromReferenceSeconds(double seconds, bool* ok)
{
    *ok = std::isfinite(seconds) && std::fabs(seconds) < MaxReferenceSeconds;
    if (!*ok)
        return {};
    const qint64 msecs = std::llround(seconds * 1000.0);
    return QDateTime::fromMSecsSinceEpoch(ReferenceDateMsecsSinceEpoch + msecs, Qt::UTC);
}

double referenceSecondsFromDate(const QDateTime& date)
{
    return double(date.toMSecsSinceEpoch() - ReferenceDateMsecsSinceEpoch) / 1000.0;
}

} // namespace PropertyListCodec
