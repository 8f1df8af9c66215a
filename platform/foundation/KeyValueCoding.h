#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

// Access by string key to an object's properties. Objects travel inside QVariant as
// KeyValueCoding* (managed objects register a converter from their own pointer type), so
// generic code such as predicates and sort descriptors can read their values.
class KeyValueCoding
{
public:
    virtual ~KeyValueCoding() = default;
    virtual QVariant valueForKey(const QString& key) const = 0;
    // Dotted path; the default walks valueForKey one key at a time, mapping over lists.
    virtual QVariant valueForKeyPath(const QString& keyPath) const;

    // The object inside a variant, or nullptr when it holds none.
    static KeyValueCoding* fromVariant(const QVariant& value);
};

Q_DECLARE_METATYPE(KeyValueCoding*)
