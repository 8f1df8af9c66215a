#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class EntityDescription;

// One attribute of an entity.
class AttributeDescription
{
public:
    enum class AttributeType {
        String,
        Integer16,
        Integer32,
        Integer64,
        Decimal,
        Double,
        Float,
        Boolean,
        Date,
        Binary,
        Transformable,
    };

    QString name() const { return m_name; }
    AttributeType attributeType() const { return m_type; }
    bool isOptional() const { return m_optional; }
    bool isTransient() const { return m_transient; }
    // Sorted or compared often: the store indexes its values (strings in code point order).
    bool isIndexed() const { return m_indexed; }
    // Strings compared case- or diacritic-insensitively often: indexes on the folded value, one
    // per form ("c", "d" or "cd", as the comparison's options).
    QStringList foldedIndexes() const { return m_foldedIndexes; }
    QVariant defaultValue() const { return m_defaultValue; }
    // The name this attribute had in an older model version, for migration.
    QString renamingIdentifier() const { return m_renamingIdentifier; }
    const EntityDescription* entity() const { return m_entity; }
    // Position among the entity's attributes (inherited ones first).
    int index() const { return m_index; }

    // The value in the type this attribute keeps (qint64 for integers, bool, double, Decimal,
    // QDateTime, QByteArray, QString); an invalid QVariant for nil or a value that does not fit.
    QVariant coerce(const QVariant& value, bool* ok = nullptr) const;

    static bool typeFromName(const QString& name, AttributeType* type);
    static QString nameOfType(AttributeType type);

private:
    friend class ManagedObjectModel;
    friend class EntityDescription;
    QString m_name;
    AttributeType m_type = AttributeType::String;
    bool m_optional = true;
    bool m_transient = false;
    bool m_indexed = false;
    QStringList m_foldedIndexes;
    QVariant m_defaultValue;
    QString m_renamingIdentifier;
    const EntityDescription* m_entity = nullptr;
    int m_index = -1;
};
