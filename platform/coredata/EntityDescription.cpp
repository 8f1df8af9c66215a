#include "EntityDescription.h"

#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"

bool EntityDescription::isKindOfEntity(const EntityDescription* entity) const
{
    for (const EntityDescription* e = this; e; e = e->m_superentity) {
        if (e == entity)
            return true;
    }
    return false;
}

QList<const EntityDescription*> EntityDescription::selfAndDescendants() const
{
    QList<const EntityDescription*> result { this };
    for (qsizetype i = 0; i < result.size(); ++i)
        result.append(result.at(i)->m_subentities);
    return result;
}

QStringList EntityDescription::propertyNames() const
{
    QStringList names;
    for (const AttributeDescription* attribute : m_attributes)
        names.append(attribute->name());
    for (const RelationshipDescription* relationship : m_relationships)
        names.append(relationship->name());
    return names;
}

const EntityDescription* EntityDescription::entityForName(
    const QString& entityName, const ManagedObjectContext* context)
{
    if (!context || !context->persistentStoreCoordinator())
        return nullptr;
    return context->persistentStoreCoordinator()->managedObjectModel()->entityNamed(entityName);
}

ManagedObject* EntityDescription::insertNewObjectForEntityForName(
    const QString& entityName, ManagedObjectContext* context)
{
    const EntityDescription* entity = entityForName(entityName, context);
    if (!entity) {
        Log::log(
            QStringLiteral("EntityDescription: no entity named %1 in the context's model").arg(entityName));
        return nullptr;
    }
    if (entity->isAbstract()) {
        Log::log(QStringLiteral("EntityDescription: the entity %1 is abstract").arg(entityName));
        return nullptr;
    }
    ManagedObject* object = ManagedObject::createInstance(entity->managedObjectClassName());
    context->insertObject(object, entity);
    return object;
}
