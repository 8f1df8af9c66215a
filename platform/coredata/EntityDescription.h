#pragma once

#include "AttributeDescription.h"
#include "RelationshipDescription.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class ManagedObject;
class ManagedObjectContext;
class ManagedObjectModel;

// One entity of a model: its class, its parent and children, and its properties (inherited
// ones first, then its own).
class EntityDescription
{
public:
    QString name() const { return m_name; }
    QString managedObjectClassName() const { return m_className; }
    bool isAbstract() const { return m_abstract; }
    const EntityDescription* superentity() const { return m_superentity; }
    const QList<const EntityDescription*>& subentities() const { return m_subentities; }
    // The topmost ancestor (itself when it has no parent); all its descendants share one table.
    const EntityDescription* rootEntity() const
    {
        const EntityDescription* entity = this;
        while (entity->m_superentity)
            entity = entity->m_superentity;
        return entity;
    }
    const ManagedObjectModel* managedObjectModel() const { return m_model; }
    QString renamingIdentifier() const { return m_renamingIdentifier; }
    // True for this entity and every descendant of `entity`.
    bool isKindOfEntity(const EntityDescription* entity) const;
    // This entity and all its descendants, this one first.
    QList<const EntityDescription*> selfAndDescendants() const;

    const std::vector<const AttributeDescription*>& attributes() const { return m_attributes; }
    const std::vector<const RelationshipDescription*>& relationships() const { return m_relationships; }
    const AttributeDescription* attributeNamed(const QString& name) const
    {
        return m_attributesByName.value(name);
    }
    const RelationshipDescription* relationshipNamed(const QString& name) const
    {
        return m_relationshipsByName.value(name);
    }
    bool hasProperty(const QString& name) const
    {
        return m_attributesByName.contains(name) || m_relationshipsByName.contains(name);
    }
    QStringList propertyNames() const;

    // Position in the model, stable for one model; the store maps it to its own numbers.
    int entityIndex() const { return m_entityIndex; }

    static const EntityDescription* entityForName(
        const QString& entityName, const ManagedObjectContext* context);
    static ManagedObject* insertNewObjectForEntityForName(
        const QString& entityName, ManagedObjectContext* context);

private:
    friend class ManagedObjectModel;
    QString m_name;
    QString m_className;
    QString m_parentName;
    QString m_renamingIdentifier;
    bool m_abstract = false;
    const ManagedObjectModel* m_model = nullptr;
    const EntityDescription* m_superentity = nullptr;
    QList<const EntityDescription*> m_subentities;
    int m_entityIndex = -1;
    // Own declarations, owned here; the lists below also hold the inherited ones.
    std::vector<std::unique_ptr<AttributeDescription>> m_ownAttributes;
    std::vector<std::unique_ptr<RelationshipDescription>> m_ownRelationships;
    std::vector<const AttributeDescription*> m_attributes;
    std::vector<const RelationshipDescription*> m_relationships;
    QHash<QString, const AttributeDescription*> m_attributesByName;
    QHash<QString, const RelationshipDescription*> m_relationshipsByName;
};
