#include "KeyValueCoding.h"

#include <QVariantList>
#include <QVariantMap>

namespace
{

QVariant valueOf(const QVariant& object, const QString& key);

QVariant mapOverList(const QVariantList& list, const QString& key)
{
    QVariantList result;
    result.reserve(list.size());
    for (const QVariant& element : list) {
        QVariant v = valueOf(element, key);
        if (v.metaType().id() == QMetaType::QVariantList)
            result.append(v.toList()); // flatten, as key paths through to-many relationships do
        else if (v.isValid())
            result.append(v);
    }
    return result;
}

QVariant valueOf(const QVariant& object, const QString& key)
{
    if (KeyValueCoding* kvc = KeyValueCoding::fromVariant(object))
        return kvc->valueForKey(key);
    switch (object.metaType().id()) {
    case QMetaType::QVariantMap:
        return object.toMap().value(key);
    case QMetaType::QVariantHash:
        return object.toHash().value(key);
    case QMetaType::QVariantList:
        return mapOverList(object.toList(), key);
    default:
        return {};
    }
}

} // namespace

QVariant KeyValueCoding::valueForKeyPath(const QString& keyPath) const
{
    const int dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0)
        return valueForKey(keyPath);
    QVariant current = valueForKey(keyPath.left(dot));
    const QStringList rest = keyPath.mid(dot + 1).split(QLatin1Char('.'));
    for (const QString& key : rest) {
        if (!current.isValid())
            return {};
        current = valueOf(current, key);
    }
    return current;
}

KeyValueCoding* KeyValueCoding::fromVariant(const QVariant& value)
{
    if (!value.isValid())
        return nullptr;
    const QMetaType target = QMetaType::fromType<KeyValueCoding*>();
    if (value.metaType() == target)
        return value.value<KeyValueCoding*>();
    if (!QMetaType::canConvert(value.metaType(), target))
        return nullptr;
    KeyValueCoding* result = nullptr;
    QMetaType::convert(value.metaType(), value.constData(), target, &result);
    return result;
}
