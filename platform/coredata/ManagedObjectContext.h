#pragma once

#include "Error.h"
#include "FetchRequest.h"
#include "ManagedObject.h"
#include "ManagedObjectID.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QThread>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class EntityDescription;
class PersistentStore;
class PersistentStoreCoordinator;
class RelationshipDescription;
class UndoManager;
struct Notification;

// A scratch pad of managed objects on one coordinator, used from the thread that made it.
// It owns its objects: pointers stay valid until reset() or the context's end.
class ManagedObjectContext
{
public:
    // How merging saved changes treats a property this context changed too: keep this context's
    // value (object trump), or take the store's when the store's changed (store trump). A save
    // writes only the properties this context changed, so unrelated changes of others survive.
    enum class MergePolicy { PropertyObjectTrump, PropertyStoreTrump };

    // Posted on NotificationCenter::defaultCenter() with this context as sender. The user info
    // holds QVariantLists of ManagedObject* under the keys below; "did save" also carries the
    // object IDs (QVariantList of ManagedObjectID) under the *ObjectIDs keys.
    static const QString ObjectsDidChangeNotification;
    static const QString DidSaveNotification;
    // Posted by the destructor, while the context is still whole, so that tables keyed by
    // context let go of it before its address can be reused.
    static const QString WillBeDestroyedNotification;
    static const QString InsertedObjectsKey;
    static const QString UpdatedObjectsKey;
    static const QString DeletedObjectsKey;
    static const QString InvalidatedObjectsKey;
    static const QString InsertedObjectIDsKey;
    static const QString UpdatedObjectIDsKey;
    static const QString DeletedObjectIDsKey;

    ManagedObjectContext();
    ~ManagedObjectContext();
    ManagedObjectContext(const ManagedObjectContext&) = delete;
    ManagedObjectContext& operator=(const ManagedObjectContext&) = delete;

    void setPersistentStoreCoordinator(PersistentStoreCoordinator* coordinator);
    PersistentStoreCoordinator* persistentStoreCoordinator() const { return m_coordinator; }
    // Not owned: it must outlive the context or be replaced first (replacing clears its actions,
    // which refer to this context). nullptr switches undo off.
    void setUndoManager(UndoManager* undoManager);
    UndoManager* undoManager() const { return m_undoManager; }
    void setMergePolicy(MergePolicy policy) { m_mergePolicy = policy; }
    MergePolicy mergePolicy() const { return m_mergePolicy; }

    // Takes a new object (made with ManagedObject::createInstance or a subclass) into the context.
    void insertObject(ManagedObject* object, const EntityDescription* entity);
    // Marks an object deleted; delete rules run at processPendingChanges or save.
    void deleteObject(ManagedObject* object);

    std::optional<QList<ManagedObject*>> executeFetchRequest(
        const FetchRequest& request, Error* error = nullptr);
    // -1 on error.
    qint64 countForFetchRequest(const FetchRequest& request, Error* error = nullptr);

    // The registered object, or a fault for it (not checked against the store).
    ManagedObject* objectWithID(const ManagedObjectID& objectID);
    // The object when it exists (in this context or in its store), else nullptr.
    ManagedObject* existingObjectWithID(const ManagedObjectID& objectID, Error* error = nullptr);
    ManagedObject* objectRegisteredForID(const ManagedObjectID& objectID) const;

    bool hasChanges() const;
    QList<ManagedObject*> insertedObjects() const { return m_inserted.list(); }
    QList<ManagedObject*> updatedObjects() const;
    QList<ManagedObject*> deletedObjects() const { return m_deleted.list(); }
    QList<ManagedObject*> registeredObjects() const { return m_registered.values(); }

    // Validates, then writes every change in one transaction. On failure the store and this
    // context's changes stay as they were.
    bool save(Error* error = nullptr);
    // Discards every unsaved change (and the undo stack).
    void rollback();
    // Forgets every object: pointers to this context's objects become invalid.
    void reset();
    // Without merging: drops the object's changes and makes it a fault. With merging: reloads
    // its stored values and keeps its own changes on top.
    void refreshObject(ManagedObject* object, bool mergeChanges);
    // Applies delete rules, registers the group's undo and posts "objects did change".
    void processPendingChanges();
    // Brings the changes another context saved into this one (this context's changes win).
    void mergeChangesFromContextDidSaveNotification(const Notification& notification);

    // The thread whose work this context is.
    QThread* thread() const { return m_thread; }

private:
    friend class ManagedObject;
    friend class PersistentStoreCoordinator;

    // Objects in the order they joined, for change tracking. Membership is a bit on the object
    // (one per list), so adding, testing and removing cost no lookup; a removed object leaves a
    // stale entry that is swept out, order kept, before the list is read again.
    class ObjectList
    {
    public:
        explicit ObjectList(quint8 bit)
            : m_bit(bit)
        {
        }
        ObjectList(const ObjectList&) = delete;
        ObjectList& operator=(const ObjectList&) = delete;

        // True when the object was not a member.
        bool add(ManagedObject* object)
        {
            if (object->m_listed & m_bit)
                return false;
            if (object->m_staleListed & m_bit)
                sweep(); // its old entry goes first, so that it is listed once
            object->m_listed |= m_bit;
            m_entries.append(object);
            return true;
        }
        // True when the object was a member.
        bool remove(ManagedObject* object)
        {
            if (!unlist(object))
                return false;
            if (wantsSweep())
                sweep();
            return true;
        }
        // As remove, leaving its entry until the next sweep whatever their number.
        bool unlist(ManagedObject* object)
        {
            if (!(object->m_listed & m_bit))
                return false;
            object->m_listed &= quint8(~m_bit);
            object->m_staleListed |= m_bit;
            ++m_stale;
            return true;
        }
        bool contains(const ManagedObject* object) const { return object->m_listed & m_bit; }
        bool hasStaleEntryOf(const ManagedObject* object) const { return object->m_staleListed & m_bit; }
        bool isEmpty() const { return m_entries.size() == m_stale; }
        bool hasStaleEntries() const { return m_stale != 0; }
        // Many stale entries: worth sweeping now, so that they do not pile up.
        bool wantsSweep() const { return m_stale > 64 && m_stale * 2 > m_entries.size(); }
        const QList<ManagedObject*>& list() const
        {
            if (m_stale)
                sweep();
            return m_entries;
        }
        void sweep() const;
        void clear();

    private:
        quint8 m_bit;
        mutable QList<ManagedObject*> m_entries;
        mutable qsizetype m_stale = 0;
    };

    // An ObjectList that also keeps each entity's members apart, so that a fetch looks only at
    // the objects of the entities it asks for instead of at every unsaved object.
    class EntityObjectList
    {
    public:
        explicit EntityObjectList(quint8 bit)
            : m_all(bit)
        {
        }
        void add(ManagedObject* object);
        void remove(ManagedObject* object);
        bool contains(const ManagedObject* object) const { return m_all.contains(object); }
        bool isEmpty() const { return m_all.isEmpty(); }
        const QList<ManagedObject*>& list() const
        {
            if (m_all.hasStaleEntries())
                sweep();
            return m_all.list();
        }
        void clear();
        // The members of these entities, in the order of `list`.
        QList<ManagedObject*> membersOf(const QList<const EntityDescription*>& entities) const;

    private:
        // When each member was added: orders members of several entities.
        struct Entry {
            ManagedObject* object;
            quint64 stamp;
        };
        // The entity lists first, while the stale entries still show as non-members.
        void sweep() const;

        ObjectList m_all;
        mutable QHash<const EntityDescription*, std::vector<Entry>> m_byEntity;
        quint64 m_nextStamp = 0;
    };

    // Defined beside the code that uses them.
    struct FetchPass;
    struct SaveBatch;
    struct LocalChanges;

    void checkThread() const;

    // Objects and registration (ManagedObjectContext.cpp).
    ManagedObject* adopt(
        std::unique_ptr<ManagedObject> object, const EntityDescription* entity, const ManagedObjectID& id);
    ManagedObject* makeObject(const EntityDescription* entity, const ManagedObjectID& id);
    ManagedObject* objectForRow(const EntityDescription* entity, quint32 storeNumber, qint64 key);
    ManagedObject* memberForRow(
        const EntityDescription* entity, quint32 storeNumber, qint64 key, QList<ManagedObject*>& made);
    static void giveInitialValues(ManagedObject* object, const EntityDescription* entity);
    void noteInserted(ManagedObject* object);
    void reinsert(ManagedObject* object);
    void fulfillFault(ManagedObject* object);
    void loadToMany(
        ManagedObject* object, const RelationshipDescription* relationship, ManagedObject::Members& members);
    // Objects read together are read on together: firing one fault of a batch reads the rows of
    // its peers too, and loading one to-many loads it for the peers.
    static void formBatch(const QList<ManagedObject*>& objects);
    QList<ManagedObject*> batchPeers(
        const ManagedObject* object, const std::function<bool(const ManagedObject*)>& wanted) const;
    void prefillPeers(ManagedObject* object, PersistentStore* store);
    bool loadToManyOfPeers(ManagedObject* object, const RelationshipDescription* relationship);
    void storeWillBeRemoved(PersistentStore* store);
    void invalidate(ManagedObject* object);

    // Change tracking, delete rules and undo (ManagedObjectContextChanges.cpp).
    // The action is only made into a std::function (an allocation) when undo records it.
    template <class Action> void registerUndo(Action&& action)
    {
        if (registersUndo())
            recordUndo(std::function<void()>(std::forward<Action>(action)));
    }
    bool registersUndo() const;
    void recordUndo(std::function<void()> action);
    void objectDidChange(ManagedObject* object);
    void schedulePendingChanges();
    void applyPendingDeleteRules();
    void applyDeleteRules(ManagedObject* object);
    static QList<ManagedObject*> relatedObjects(
        ManagedObject* object, const RelationshipDescription* relationship);
    void undelete(ManagedObject* object);
    static void restoreCommittedValues(ManagedObject* object);
    void dropUnsavedObjects();
    void clearChangeLists();
    void reapplyChanges(ManagedObject* object, const LocalChanges& changes);

    // Fetching and counting (ManagedObjectContextFetch.cpp).
    std::optional<qint64> countInStores(
        const FetchRequest& request, const EntityDescription* entity, Error* error);
    std::optional<QList<ManagedObject*>> fetchObjects(
        const FetchRequest& request, const EntityDescription* entity, Error* error);
    bool fetchFromStore(PersistentStore* store, FetchPass& pass, Error* error, bool useSql);
    QList<ManagedObject*> unsavedCandidates(const FetchPass& pass) const;
    PersistentStore* storeForNewObjects() const;

    // Validation, saving and merging saves of other contexts (ManagedObjectContextSave.cpp).
    bool validate(Error* error);
    static void validateProperties(ManagedObject* object, QList<Error>& errors);
    static void validateDenyRules(ManagedObject* object, QList<Error>& errors);
    void prepareForSave();
    SaveBatch collectChanges() const;
    bool writeChanges(SaveBatch& batch, Error* error);
    bool writeToStore(PersistentStore* store, SaveBatch& batch, Error* error);
    void finishSave(const SaveBatch& batch);
    void postDidSave(const SaveBatch& batch);
    void unlinkEverywhere(ManagedObject* object);

    PersistentStoreCoordinator* m_coordinator = nullptr;
    UndoManager* m_undoManager = nullptr;
    MergePolicy m_mergePolicy = MergePolicy::PropertyObjectTrump;
    QThread* m_thread;

    std::vector<std::unique_ptr<ManagedObject>> m_owned;
    QHash<ManagedObjectID, ManagedObject*> m_registered;
    EntityObjectList m_inserted { 0x01 };
    ObjectList m_deleted { 0x02 };
    // Stored objects with recorded changes since the last save (new ones are in m_inserted).
    EntityObjectList m_changed { 0x04 };
    // Since the last processPendingChanges.
    ObjectList m_pendingInserted { 0x08 };
    ObjectList m_pendingUpdated { 0x10 };
    ObjectList m_pendingDeleted { 0x20 };
    bool m_processing = false;
    bool m_processScheduled = false;
    std::unique_ptr<QObject> m_scheduler; // target of the queued processPendingChanges
    QHash<const EntityDescription*, ManagedObject::Factory> m_factories;
};
