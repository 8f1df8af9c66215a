#pragma once

#include <QList>
#include <QString>

class ManagedObject;
class RelationshipDescription;

// The live members of one to-many relationship of one object. Adding and removing through it
// keeps the inverse relationship in step and notifies observers of the key.
class MutableObjectSet
{
public:
    MutableObjectSet(ManagedObject* owner, const RelationshipDescription* relationship)
        : m_owner(owner)
        , m_relationship(relationship)
    {
    }

    bool isValid() const { return m_owner && m_relationship; }
    int count() const;
    bool containsObject(ManagedObject* object) const;
    QList<ManagedObject*> allObjects() const;
    void addObject(ManagedObject* object);
    void removeObject(ManagedObject* object);
    void addObjects(const QList<ManagedObject*>& objects);
    void removeObjects(const QList<ManagedObject*>& objects);
    void removeAllObjects();

private:
    ManagedObject* m_owner;
    const RelationshipDescription* m_relationship;
};
