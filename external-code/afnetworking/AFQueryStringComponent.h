#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>

// One key and value of a flattened parameter dictionary.
class AFQueryStringComponent
{
public:
    AFQueryStringComponent(QString key, QVariant value)
        : m_key(std::move(key))
        , m_value(std::move(value))
    {
    }

    const QString& key() const { return m_key; }
    const QVariant& value() const { return m_value; }
    // "key=value": the key as it is, the value's text percent-escaped.
    QString URLEncodedStringValue() const;

private:
    QString m_key;
    QVariant m_value;
};

// The text a parameter value travels as: booleans as 1 and 0, numbers in decimal, text as is.
QString AFParameterDescription(const QVariant& value);

// Percent-escapes in UTF-8 everything but ASCII letters, digits, "-", "_" and ".".
QString AFURLEncodedStringFromStringWithEncoding(const QString& string);

// Flattens depth first: a dictionary's entries under "key[inner]" (just "inner" at the top), an
// array's elements under "key[]", anything else as one component. Dictionaries go in key order.
QList<AFQueryStringComponent> AFQueryStringComponentsFromKeyAndValue(
    const QString& key, const QVariant& value);
QList<AFQueryStringComponent> AFQueryStringComponentsFromParameters(const QVariantMap& parameters);

// The components as "key=value" joined by "&".
QString AFQueryStringFromParametersWithEncoding(const QVariantMap& parameters);
