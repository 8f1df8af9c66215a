// Change tracking: pending changes and their notification, delete rules, undo, rollback and
// refreshing objects.

#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectContextInternals.h"
#include "NotificationCenter.h"
#include "UndoManager.h"

#include <QCoreApplication>
#include <algorithm>

using namespace ContextInternals;

// What this context changed of an object, and the values it changed them from.
struct ManagedObjectContext::LocalChanges {
    QHash<int, QVariant> originalAttributes;
    QHash<int, ManagedObject*> originalToOne;
    QHash<int, QList<ManagedObject*>> originalToMany;
    QHash<int, QVariant> currentAttributes;
    QHash<int, ManagedObject*> currentToOne;
    QHash<int, QList<ManagedObject*>> currentToMany;
};

bool ManagedObjectContext::registersUndo() const
{
    return m_undoManager && m_undoManager->isUndoRegistrationEnabled();
}

void ManagedObjectContext::recordUndo(std::function<void()> action)
{
    m_undoManager->registerUndo(std::move(action));
}

void ManagedObjectContext::undelete(ManagedObject* object)
{
    if (object->m_context != this || !m_deleted.contains(object)) {
        // Its deletion was saved: it comes back as a new object.
        reinsert(object);
        return;
    }
    if (!object->m_deleted)
        return;
    object->m_deleted = false;
    object->m_pendingDelete = false;
    m_deleted.remove(object);
    m_pendingDeleted.remove(object);
    m_pendingUpdated.add(object);
    registerUndo([this, object] { deleteObject(object); });
    schedulePendingChanges();
}

void ManagedObjectContext::objectDidChange(ManagedObject* object)
{
    // A new object's changes are all of it: the inserted list speaks for it.
    if (!object->m_inserted) {
        m_changed.add(object);
        m_pendingUpdated.add(object);
    }
    schedulePendingChanges();
}

void ManagedObjectContext::schedulePendingChanges()
{
    if (m_processScheduled || !QCoreApplication::instance())
        return;
    m_processScheduled = true;
    QMetaObject::invokeMethod(
        m_scheduler.get(),
        [this] {
            m_processScheduled = false;
            processPendingChanges();
        },
        Qt::QueuedConnection);
}

QList<ManagedObject*> ManagedObjectContext::relatedObjects(
    ManagedObject* object, const RelationshipDescription* relationship)
{
    QList<ManagedObject*> targets;
    if (relationship->isToMany())
        targets = object->toManyMembers(relationship).list;
    else if (ManagedObject* target = object->toOneValue(relationship))
        targets.append(target);
    return targets;
}

void ManagedObjectContext::applyDeleteRules(ManagedObject* object)
{
    using Rule = RelationshipDescription::DeleteRule;
    for (const RelationshipDescription* relationship : object->m_entity->relationships()) {
        const Rule rule = relationship->deleteRule();
        if (rule == Rule::NoAction || rule == Rule::Deny)
            continue;
        const QList<ManagedObject*> targets = relatedObjects(object, relationship);
        if (targets.isEmpty())
            continue;
        object->willChangeValueForKey(relationship->name());
        if (relationship->isToMany()) {
            for (ManagedObject* target : targets)
                object->removeToMany(relationship, target);
        } else {
            object->setToOne(relationship, nullptr);
        }
        object->didChangeValueForKey(relationship->name());
        if (rule == Rule::Cascade) {
            for (ManagedObject* target : targets)
                deleteObject(target);
        }
    }
}

void ManagedObjectContext::applyPendingDeleteRules()
{
    // Delete rules can delete more objects; run until none is left.
    for (;;) {
        QList<ManagedObject*> toProcess;
        for (ManagedObject* object : m_pendingDeleted.list()) {
            if (object->m_pendingDelete)
                toProcess.append(object);
        }
        if (toProcess.isEmpty())
            return;
        for (ManagedObject* object : toProcess) {
            object->m_pendingDelete = false;
            applyDeleteRules(object);
        }
    }
}

void ManagedObjectContext::processPendingChanges()
{
    checkThread();
    if (m_processing)
        return;
    m_processing = true;
    applyPendingDeleteRules();
    QList<ManagedObject*> inserted = m_pendingInserted.list();
    QList<ManagedObject*> deleted = m_pendingDeleted.list();
    QList<ManagedObject*> updated;
    for (ManagedObject* object : m_pendingUpdated.list()) {
        if (!object->m_inserted && !object->m_deleted && !m_pendingInserted.contains(object))
            updated.append(object);
    }
    m_pendingInserted.clear();
    m_pendingUpdated.clear();
    m_pendingDeleted.clear();
    m_processing = false;
    if (inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty())
        return;
    NotificationCenter::defaultCenter().postNotificationName(ObjectsDidChangeNotification, this,
        QVariantMap { { InsertedObjectsKey, objectList(inserted) },
            { UpdatedObjectsKey, objectList(updated) }, { DeletedObjectsKey, objectList(deleted) } });
}

bool ManagedObjectContext::hasChanges() const
{
    if (!m_inserted.isEmpty() || !m_deleted.isEmpty())
        return true;
    return std::any_of(m_changed.list().begin(), m_changed.list().end(),
        [](ManagedObject* object) { return object->isUpdated(); });
}

QList<ManagedObject*> ManagedObjectContext::updatedObjects() const
{
    QList<ManagedObject*> result;
    for (ManagedObject* object : m_changed.list()) {
        if (object->isUpdated())
            result.append(object);
    }
    return result;
}

// --- rollback ---

void ManagedObjectContext::restoreCommittedValues(ManagedObject* object)
{
    for (auto it = object->m_originalAttributes.begin(); it != object->m_originalAttributes.end(); ++it)
        object->attributeSlot(it.key()) = it.value();
    for (auto it = object->m_originalToOne.begin(); it != object->m_originalToOne.end(); ++it)
        object->relationSlot(it.key()).object = it.value();
    for (auto it = object->m_originalToMany.begin(); it != object->m_originalToMany.end(); ++it) {
        auto members = std::make_unique<ManagedObject::Members>();
        for (ManagedObject* member : it.value())
            members->add(member);
        object->relationSlot(it.key()).members = std::move(members);
    }
    object->clearChanges();
}

void ManagedObjectContext::dropUnsavedObjects()
{
    for (ManagedObject* object : m_inserted.list()) {
        m_registered.remove(object->m_objectID);
        object->m_inserted = false;
        object->clearChanges();
        object->m_context = nullptr;
    }
    for (const auto& owned : m_owned) {
        // New objects that were deleted before saving leave too.
        ManagedObject* object = owned.get();
        if (object->m_context == this && object->m_objectID.isTemporaryID()
            && !m_registered.contains(object->m_objectID))
            object->m_context = nullptr;
    }
}

void ManagedObjectContext::clearChangeLists()
{
    m_inserted.clear();
    m_deleted.clear();
    m_changed.clear();
    m_pendingInserted.clear();
    m_pendingUpdated.clear();
    m_pendingDeleted.clear();
}

void ManagedObjectContext::rollback()
{
    checkThread();
    for (ManagedObject* object : m_changed.list()) {
        if (!object->m_inserted)
            restoreCommittedValues(object);
    }
    dropUnsavedObjects();
    for (ManagedObject* object : m_deleted.list()) {
        object->m_deleted = false;
        object->m_pendingDelete = false;
    }
    clearChangeLists();
    if (m_undoManager)
        m_undoManager->removeAllActions();
}

// --- refreshing ---

void ManagedObjectContext::refreshObject(ManagedObject* object, bool mergeChanges)
{
    checkThread();
    if (!object || object->m_context != this || object->m_inserted || object->m_objectID.isTemporaryID())
        return;
    if (!mergeChanges || !object->isUpdated()) {
        object->turnIntoFault();
        m_changed.remove(object);
        return;
    }
    // Keep this context's changes on top of the stored values.
    LocalChanges changes;
    changes.originalAttributes = object->m_originalAttributes;
    changes.originalToOne = object->m_originalToOne;
    changes.originalToMany = object->m_originalToMany;
    for (auto it = changes.originalAttributes.begin(); it != changes.originalAttributes.end(); ++it)
        changes.currentAttributes.insert(it.key(), object->attributeSlot(it.key()));
    for (auto it = changes.originalToOne.begin(); it != changes.originalToOne.end(); ++it)
        changes.currentToOne.insert(it.key(), object->relationSlot(it.key()).object);
    for (auto it = changes.originalToMany.begin(); it != changes.originalToMany.end(); ++it)
        changes.currentToMany.insert(it.key(), object->relationSlot(it.key()).members->list);

    object->turnIntoFault();
    object->ensureLoaded();
    reapplyChanges(object, changes);
}

void ManagedObjectContext::reapplyChanges(ManagedObject* object, const LocalChanges& changes)
{
    const auto& relationships = object->m_entity->relationships();
    // Property by property: this context's change stays unless the store's value wins (store
    // trump, and the store's value moved away from the one this context started from).
    const bool storeTrumps = m_mergePolicy == MergePolicy::PropertyStoreTrump;
    for (auto it = changes.currentAttributes.begin(); it != changes.currentAttributes.end(); ++it) {
        const QVariant stored = object->attributeSlot(it.key());
        if (storeTrumps && stored != changes.originalAttributes.value(it.key()))
            continue;
        object->m_originalAttributes.insert(it.key(), stored);
        object->attributeSlot(it.key()) = it.value();
    }
    for (auto it = changes.currentToOne.begin(); it != changes.currentToOne.end(); ++it) {
        ManagedObject* stored = object->toOneValue(relationships[size_t(it.key())]);
        if (storeTrumps && stored != changes.originalToOne.value(it.key()))
            continue;
        object->m_originalToOne.insert(it.key(), stored);
        object->relationSlot(it.key()).object = it.value();
    }
    for (auto it = changes.currentToMany.begin(); it != changes.currentToMany.end(); ++it) {
        const QList<ManagedObject*>& before = changes.originalToMany.value(it.key());
        const QList<ManagedObject*>& now = it.value();
        ManagedObject::Members& members = object->mutableMembers(relationships[size_t(it.key())]);
        object->m_originalToMany.insert(it.key(), members.list);
        for (ManagedObject* member : before) {
            if (!now.contains(member))
                members.remove(member);
        }
        for (ManagedObject* member : now) {
            if (!before.contains(member))
                members.add(member);
        }
    }
}
