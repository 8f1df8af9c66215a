#include "AFQueryStringComponent.h"

#include <QDateTime>
#include <QUrl>

QString AFParameterDescription(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    case QMetaType::QDateTime:
        return value.toDateTime().toString(Qt::ISODate);
    default:
        return value.toString();
    }
}

QString AFURLEncodedStringFromStringWithEncoding(const QString& string)
{
    // Qt leaves "-", ".", "_" and "~" alone; the tilde is escaped here as well.
    return QString::fromLatin1(QUrl::toPercentEncoding(string, QByteArray(), QByteArrayLiteral("~")));
}

QString AFQueryStringComponent::URLEncodedStringValue() const
{
    return QStringLiteral("%1=%2").arg(
        m_key, AFURLEncodedStringFromStringWithEncoding(AFParameterDescription(m_value)));
}

QList<AFQueryStringComponent> AFQueryStringComponentsFromKeyAndValue(
    const QString& key, const QVariant& value)
{
    QList<AFQueryStringComponent> components;
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap dictionary = value.toMap();
        for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
            const QString inner = key.isEmpty() ? it.key() : QStringLiteral("%1[%2]").arg(key, it.key());
            components += AFQueryStringComponentsFromKeyAndValue(inner, it.value());
        }
    } else if (value.typeId() == QMetaType::QVariantList || value.typeId() == QMetaType::QStringList) {
        const QVariantList array = value.toList();
        for (const QVariant& element : array)
            components += AFQueryStringComponentsFromKeyAndValue(QStringLiteral("%1[]").arg(key), element);
    } else {
        components.append(AFQueryStringComponent(key, value));
    }
    return components;
}

QList<AFQueryStringComponent> AFQueryStringComponentsFromParameters(const QVariantMap& parameters)
{
    return AFQueryStringComponentsFromKeyAndValue(QString(), QVariant(parameters));
}

QString AFQueryStringFromParametersWithEncoding(const QVariantMap& parameters)
{
    QStringList pairs;
    for (const AFQueryStringComponent& component : AFQueryStringComponentsFromParameters(parameters))
        pairs.append(component.URLEncodedStringValue());
    return pairs.join(QLatin1Char('&'));
}
