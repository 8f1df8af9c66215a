#pragma once

#include "KeyValueCoding.h"

#include <QVariantMap>
#include <deque>

// A small object graph for evaluation tests: each object answers valueForKey from its map.
class FakeObject : public KeyValueCoding
{
public:
    QVariantMap values;
    QVariant valueForKey(const QString& key) const override { return values.value(key); }
    QVariant asVariant() { return QVariant::fromValue<KeyValueCoding*>(this); }
};

// Owns the objects of one graph; addresses stay put as objects are added.
class FakeGraph
{
public:
    FakeObject& make(const QVariantMap& values = {})
    {
        m_objects.emplace_back();
        m_objects.back().values = values;
        return m_objects.back();
    }

private:
    std::deque<FakeObject> m_objects;
};
