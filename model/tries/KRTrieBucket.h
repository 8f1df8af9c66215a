#pragma once

#include "OFTrieBucket.h"

#include <QVariant>
#include <memory>

// A trie bucket that carries what its word stands for: a word or unit name as a string, or an
// ingredient object (a managed object travels in the variant as KeyValueCoding*).
class KRTrieBucket : public OFTrieBucket
{
public:
    explicit KRTrieBucket(QVariant objectValue = {})
        : m_objectValue(std::move(objectValue))
    {
    }

    static std::unique_ptr<KRTrieBucket> bucketWithObject(const QVariant& object);

    const QVariant& objectValue() const { return m_objectValue; }
    void setObjectValue(const QVariant& objectValue) { m_objectValue = objectValue; }

private:
    QVariant m_objectValue;
};
