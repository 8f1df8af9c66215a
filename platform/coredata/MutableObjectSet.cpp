#include "MutableObjectSet.h"

#include "ManagedObject.h"
#include "RelationshipDescription.h"

int MutableObjectSet::count() const
{
    return isValid() ? int(m_owner->toManyMembers(m_relationship).list.size()) : 0;
}

bool MutableObjectSet::containsObject(ManagedObject* object) const
{
    return isValid() && m_owner->toManyMembers(m_relationship).contains(object);
}

QList<ManagedObject*> MutableObjectSet::allObjects() const
{
    return isValid() ? m_owner->toManyMembers(m_relationship).list : QList<ManagedObject*>();
}

void MutableObjectSet::addObject(ManagedObject* object)
{
    addObjects({ object });
}

void MutableObjectSet::removeObject(ManagedObject* object)
{
    removeObjects({ object });
}

void MutableObjectSet::addObjects(const QList<ManagedObject*>& objects)
{
    if (!isValid())
        return;
    m_owner->willChangeValueForKey(m_relationship->name());
    for (ManagedObject* object : objects)
        m_owner->addToMany(m_relationship, object);
    m_owner->didChangeValueForKey(m_relationship->name());
}

void MutableObjectSet::removeObjects(const QList<ManagedObject*>& objects)
{
    if (!isValid())
        return;
    m_owner->willChangeValueForKey(m_relationship->name());
    for (ManagedObject* object : objects)
        m_owner->removeToMany(m_relationship, object);
    m_owner->didChangeValueForKey(m_relationship->name());
}

void MutableObjectSet::removeAllObjects()
{
    removeObjects(allObjects());
}
