#pragma once

#include <QString>

class EntityDescription;

// One relationship of an entity.
class RelationshipDescription
{
public:
    enum class DeleteRule { NoAction, Nullify, Cascade, Deny };

    QString name() const { return m_name; }
    bool isToMany() const { return m_toMany; }
    bool isOptional() const { return m_optional; }
    DeleteRule deleteRule() const { return m_deleteRule; }
    const EntityDescription* entity() const { return m_entity; }
    const EntityDescription* destinationEntity() const { return m_destination; }
    const RelationshipDescription* inverseRelationship() const { return m_inverse; }
    QString renamingIdentifier() const { return m_renamingIdentifier; }
    // Position among the entity's relationships (inherited ones first).
    int index() const { return m_index; }
    // Both sides are to-many: the pairs live in a table of their own.
    bool isManyToMany() const { return m_toMany && (!m_inverse || m_inverse->m_toMany); }

private:
    friend class ManagedObjectModel;
    friend class EntityDescription;
    QString m_name;
    bool m_toMany = false;
    bool m_optional = true;
    DeleteRule m_deleteRule = DeleteRule::Nullify;
    const EntityDescription* m_entity = nullptr;
    const EntityDescription* m_destination = nullptr;
    const RelationshipDescription* m_inverse = nullptr;
    QString m_destinationName;
    QString m_inverseName;
    QString m_renamingIdentifier;
    int m_index = -1;
};
