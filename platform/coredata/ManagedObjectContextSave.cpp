// Validation and saving, and merging what other contexts saved.

#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectContextInternals.h"
#include "NotificationCenter.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"

#include <QMutexLocker>
#include <algorithm>

using namespace ContextInternals;

// The changes one save writes, grouped by the store they go to, and the IDs it reports.
struct ManagedObjectContext::SaveBatch {
    QList<ManagedObject*> inserted;
    QList<ManagedObject*> updated;
    QList<ManagedObject*> deleted;
    QHash<PersistentStore*, QList<ManagedObject*>> insertedBy, updatedBy, deletedBy;
    QList<ManagedObjectID> insertedIDs, updatedIDs, deletedIDs;
};

namespace
{

QVariantMap errorMap(const Error& error)
{
    return QVariantMap { { QStringLiteral("domain"), error.domain }, { QStringLiteral("code"), error.code },
        { QStringLiteral("localizedDescription"), error.localizedDescription },
        { QStringLiteral("userInfo"), error.userInfo } };
}

Error validationError(int code, ManagedObject* object, const QString& key, const QString& message)
{
    Error error;
    error.domain = CoreDataErrors::domain;
    error.code = code;
    error.localizedDescription = message;
    error.userInfo.insert(CoreDataErrors::validationObjectKey, QVariant::fromValue(object));
    error.userInfo.insert(CoreDataErrors::validationKeyKey, key);
    return error;
}

// One error as it is, several under one "multiple errors" error.
Error combinedError(const QList<Error>& errors)
{
    if (errors.size() == 1)
        return errors.first();
    QVariantList details;
    for (const Error& e : errors)
        details.append(errorMap(e));
    return Error { CoreDataErrors::domain, CoreDataErrors::ValidationMultipleErrors,
        QStringLiteral("Multiple validation errors occurred."),
        { { CoreDataErrors::detailedErrorsKey, details } } };
}

} // namespace

// --- validation ---

void ManagedObjectContext::validateProperties(ManagedObject* object, QList<Error>& errors)
{
    const EntityDescription* entity = object->m_entity;
    for (const AttributeDescription* attribute : entity->attributes()) {
        if (attribute->isOptional() || attribute->isTransient())
            continue;
        if (!object->attributeValue(attribute).isValid())
            errors.append(
                validationError(CoreDataErrors::ValidationMissingMandatoryProperty, object, attribute->name(),
                    QStringLiteral("%1 of %2 is required.").arg(attribute->name(), entity->name())));
    }
    for (const RelationshipDescription* relationship : entity->relationships()) {
        if (relationship->isOptional())
            continue;
        if (relationship->isToMany()) {
            if (object->toManyMembers(relationship).list.isEmpty())
                errors.append(validationError(CoreDataErrors::ValidationRelationshipLacksMinimumCount, object,
                    relationship->name(),
                    QStringLiteral("%1 of %2 needs at least one member.")
                        .arg(relationship->name(), entity->name())));
        } else if (!object->toOneValue(relationship)) {
            errors.append(validationError(CoreDataErrors::ValidationMissingMandatoryProperty, object,
                relationship->name(),
                QStringLiteral("%1 of %2 is required.").arg(relationship->name(), entity->name())));
        }
    }
}

void ManagedObjectContext::validateDenyRules(ManagedObject* object, QList<Error>& errors)
{
    for (const RelationshipDescription* relationship : object->m_entity->relationships()) {
        if (relationship->deleteRule() != RelationshipDescription::DeleteRule::Deny)
            continue;
        const QList<ManagedObject*> targets = relatedObjects(object, relationship);
        const bool blocked = std::any_of(
            targets.begin(), targets.end(), [](ManagedObject* target) { return !target->m_deleted; });
        if (blocked)
            errors.append(validationError(CoreDataErrors::ValidationRelationshipDeniedDelete, object,
                relationship->name(),
                QStringLiteral("%1 cannot be deleted while its %2 has members.")
                    .arg(object->m_entity->name(), relationship->name())));
    }
}

bool ManagedObjectContext::validate(Error* error)
{
    QList<Error> errors;
    for (ManagedObject* object : m_inserted.list())
        validateProperties(object, errors);
    for (ManagedObject* object : m_changed.list()) {
        if (object->isUpdated())
            validateProperties(object, errors);
    }
    for (ManagedObject* object : m_deleted.list())
        validateDenyRules(object, errors);
    if (errors.isEmpty())
        return true;
    if (error)
        *error = combinedError(errors);
    return false;
}

// --- saving ---

bool ManagedObjectContext::save(Error* error)
{
    checkThread();
    processPendingChanges();
    if (!hasChanges())
        return true;
    if (!m_coordinator || m_coordinator->persistentStores().isEmpty()) {
        setError(error, CoreDataErrors::PersistentStoreSaveError,
            QStringLiteral("This context has no persistent store to save to."));
        return false;
    }
    prepareForSave();
    if (!validate(error))
        return false;
    SaveBatch batch = collectChanges();
    if (!writeChanges(batch, error))
        return false;
    finishSave(batch);
    postDidSave(batch);
    return true;
}

void ManagedObjectContext::prepareForSave()
{
    // willSave may change more; those changes are processed before validation.
    const QList<ManagedObject*> saving = m_inserted.list() + updatedObjects() + m_deleted.list();
    for (ManagedObject* object : saving)
        object->willSave();
    processPendingChanges();
}

ManagedObjectContext::SaveBatch ManagedObjectContext::collectChanges() const
{
    SaveBatch batch;
    batch.inserted = m_inserted.list();
    batch.updated = updatedObjects();
    batch.deleted = m_deleted.list();
    // Group by store; new objects go to the first store.
    PersistentStore* newStore = storeForNewObjects();
    for (ManagedObject* object : batch.inserted)
        batch.insertedBy[newStore].append(object);
    for (ManagedObject* object : batch.updated) {
        if (PersistentStore* store = object->m_objectID.persistentStore())
            batch.updatedBy[store].append(object);
    }
    for (ManagedObject* object : batch.deleted) {
        if (PersistentStore* store = object->m_objectID.persistentStore())
            batch.deletedBy[store].append(object);
    }
    for (ManagedObject* object : batch.updated)
        batch.updatedIDs.append(object->m_objectID);
    for (ManagedObject* object : batch.deleted)
        batch.deletedIDs.append(object->m_objectID);
    return batch;
}

bool ManagedObjectContext::writeChanges(SaveBatch& batch, Error* error)
{
    const QList<PersistentStore*> stores = m_coordinator->persistentStores();
    for (PersistentStore* store : stores) {
        if (!batch.insertedBy.contains(store) && !batch.updatedBy.contains(store)
            && !batch.deletedBy.contains(store))
            continue;
        if (!writeToStore(store, batch, error))
            return false;
    }
    return true;
}

bool ManagedObjectContext::writeToStore(PersistentStore* store, SaveBatch& batch, Error* error)
{
    const QList<ManagedObject*> inserted = batch.insertedBy.value(store);
    {
        QMutexLocker lock(&m_coordinator->lock());
        if (!store->saveChanges(inserted, batch.updatedBy.value(store), batch.deletedBy.value(store), error))
            return false;
    }
    // New objects take the permanent IDs of their new rows.
    QList<std::pair<ManagedObjectID, ManagedObjectID>> saved;
    saved.reserve(inserted.size());
    batch.insertedIDs.reserve(batch.insertedIDs.size() + inserted.size());
    for (ManagedObject* object : inserted) {
        const ManagedObjectID temporary = object->m_objectID;
        const ManagedObjectID permanent
            = ManagedObjectID::permanentID(object->m_entity, store->storeNumber(), object->m_newKey);
        object->m_newKey = 0;
        m_registered.remove(temporary);
        m_registered.insert(permanent, object);
        object->m_objectID = permanent;
        saved.append({ temporary, permanent });
        batch.insertedIDs.append(permanent);
    }
    m_coordinator->noteSavedIDs(saved);
    return true;
}

void ManagedObjectContext::finishSave(const SaveBatch& batch)
{
    for (ManagedObject* object : batch.inserted) {
        object->m_inserted = false;
        object->clearChanges();
    }
    for (ManagedObject* object : batch.updated)
        object->clearChanges();
    for (ManagedObject* object : batch.deleted) {
        object->clearChanges();
        m_registered.remove(object->m_objectID);
        object->m_context = nullptr;
    }
    for (ManagedObject* object : m_changed.list())
        object->clearChanges();
    m_inserted.clear();
    m_deleted.clear();
    m_changed.clear();
}

void ManagedObjectContext::postDidSave(const SaveBatch& batch)
{
    for (ManagedObject* object : batch.inserted + batch.updated)
        object->didSave();
    NotificationCenter::defaultCenter().postNotificationName(DidSaveNotification, this,
        QVariantMap { { InsertedObjectsKey, objectList(batch.inserted) },
            { UpdatedObjectsKey, objectList(batch.updated) },
            { DeletedObjectsKey, objectList(batch.deleted) },
            { InsertedObjectIDsKey, idList(batch.insertedIDs) },
            { UpdatedObjectIDsKey, idList(batch.updatedIDs) },
            { DeletedObjectIDsKey, idList(batch.deletedIDs) } });
}

// --- merging the saves of other contexts ---

void ManagedObjectContext::mergeChangesFromContextDidSaveNotification(const Notification& notification)
{
    checkThread();
    if (notification.object == this)
        return;
    const QVariantMap& info = notification.userInfo;
    QList<ManagedObject*> updated, deleted;
    for (const QVariant& value : info.value(UpdatedObjectIDsKey).toList()) {
        ManagedObject* object = m_registered.value(value.value<ManagedObjectID>());
        if (!object)
            continue;
        if (object->m_fault) {
            object->dropPrefill();
            continue;
        }
        if (object->isUpdated()) {
            refreshObject(object, true);
        } else {
            object->turnIntoFault();
        }
        updated.append(object);
    }
    for (const QVariant& value : info.value(DeletedObjectIDsKey).toList()) {
        ManagedObject* object = m_registered.value(value.value<ManagedObjectID>());
        if (!object)
            continue;
        unlinkEverywhere(object);
        m_registered.remove(object->m_objectID);
        m_changed.remove(object);
        m_deleted.remove(object);
        object->clearChanges();
        object->m_invalid = true;
        object->m_context = nullptr;
        deleted.append(object);
    }
    if (updated.isEmpty() && deleted.isEmpty())
        return;
    NotificationCenter::defaultCenter().postNotificationName(ObjectsDidChangeNotification, this,
        QVariantMap { { InsertedObjectsKey, QVariantList() }, { UpdatedObjectsKey, objectList(updated) },
            { DeletedObjectsKey, objectList(deleted) } });
}

void ManagedObjectContext::unlinkEverywhere(ManagedObject* object)
{
    // Gone from the store: every loaded link to it goes, without recording a change.
    for (ManagedObject* other : m_registered) {
        if (other->m_fault) {
            other->dropPrefill();
            continue;
        }
        if (!other->hasRowStorage())
            continue;
        for (const RelationshipDescription* relationship : other->m_entity->relationships()) {
            ManagedObject::RelationSlot& slot = other->relationSlot(relationship->index());
            if (relationship->isToMany()) {
                if (slot.members)
                    slot.members->remove(object);
            } else if (slot.object == object) {
                slot.object = nullptr;
            }
        }
    }
}
