#pragma once

#include "KeyValueCoding.h"
#include "ManagedObjectID.h"
#include "MutableObjectSet.h"

#include <QHash>
#include <QList>
#include <QMetaType>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

class AttributeDescription;
class EntityDescription;
class ManagedObjectContext;
class RelationshipDescription;

// One object of a context. Subclasses register a factory under their model class name so that
// the context makes them for their entity. An object belongs to its context, which deletes it
// when the context is reset or destroyed.
class ManagedObject : public KeyValueCoding
{
public:
    using Factory = std::function<ManagedObject*()>;
    // Told key, old value and new value after a change of an observed key.
    using Observer = std::function<void(
        ManagedObject* object, const QString& key, const QVariant& oldValue, const QVariant& newValue)>;

    ManagedObject();
    ~ManagedObject() override;
    ManagedObject(const ManagedObject&) = delete;
    ManagedObject& operator=(const ManagedObject&) = delete;

    static void registerClass(const QString& className, Factory factory);
    template <class T> static void registerClass(const QString& className)
    {
        registerClass(className, [] { return new T; });
    }
    // A new object of the registered class, or a plain ManagedObject for an unknown name.
    static ManagedObject* createInstance(const QString& className);
    // The registered factory; empty for an unknown name.
    static Factory factoryForClass(const QString& className);

    ManagedObjectContext* managedObjectContext() const { return m_context; }
    const EntityDescription* entity() const { return m_entity; }
    ManagedObjectID objectID() const { return m_objectID; }
    bool isInserted() const { return m_inserted; }
    bool isDeleted() const { return m_deleted; }
    bool isUpdated() const;
    bool isFault() const { return m_fault; }
    bool hasChanges() const { return m_inserted || m_deleted || isUpdated(); }
    // Persistent keys changed since the last save, with their new values.
    QVariantMap changedValues() const;
    // Values as last fetched or saved, for the given keys (all persistent keys when empty).
    QVariantMap committedValuesForKeys(const QStringList& keys) const;

    // Key-value coding. To-many relationships read as a QVariantList of ManagedObject* variants.
    QVariant valueForKey(const QString& key) const override;
    virtual void setValueForKey(const QVariant& value, const QString& key);
    virtual QVariant valueForUndefinedKey(const QString& key) const;
    virtual void setValueForUndefinedKey(const QVariant& value, const QString& key);
    // The live set behind a to-many relationship: changes through it keep inverses in step.
    MutableObjectSet mutableSetValueForKey(const QString& key);

    // Direct storage access: no observer notification, no inverse upkeep; still recorded for
    // save and undo.
    QVariant primitiveValueForKey(const QString& key) const;
    void setPrimitiveValue(const QVariant& value, const QString& key);

    // Change notification; a setter brackets its primitive change with these.
    void willChangeValueForKey(const QString& key);
    void didChangeValueForKey(const QString& key);
    virtual void willAccessValueForKey(const QString& key) const;
    virtual void didAccessValueForKey(const QString& key) const;

    // Observers per key (our stand-in for key-value observing).
    quint64 addObserver(const QString& key, Observer observer);
    void removeObserver(quint64 token);
    // Keys whose changes also change `key`; observers of `key` hear of them.
    virtual QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const;

    // Life-cycle hooks for subclasses.
    virtual void awakeFromInsert() { }
    virtual void awakeFromFetch() { }
    virtual void willSave() { }
    virtual void didSave() { }
    virtual void willTurnIntoFault() { }
    virtual void didTurnIntoFault() { }

    // Convenience for a to-many relationship's members.
    QList<ManagedObject*> objectsForKey(const QString& key) const;
    ManagedObject* objectForKey(const QString& key) const;

private:
    friend class ManagedObjectContext;
    friend class MutableObjectSet;
    friend class PersistentStore;

    // A to-many's members in the order they joined. Most lists are short: a set beside the list
    // is only kept once it grows long enough that searching the list costs more.
    struct Members {
        static constexpr qsizetype kIndexedFrom = 16;
        QList<ManagedObject*> list;
        QSet<ManagedObject*> set; // empty, or exactly the members of `list`
        void add(ManagedObject* object);
        void remove(ManagedObject* object);
        bool contains(ManagedObject* object) const
        {
            return set.isEmpty() ? list.contains(object) : set.contains(object);
        }
    };
    struct RelationSlot {
        ManagedObject* object = nullptr; // to-one, when resolved
        qint64 pendingKey = 0; // to-one row not yet made into an object
        const EntityDescription* pendingEntity = nullptr;
        std::unique_ptr<Members> members; // to-many, once loaded
    };
    struct ObserverEntry {
        quint64 token;
        QString key;
        Observer observer;
    };
    struct PendingNotice {
        QString key;
        QVariant oldValue;
    };
    // Most objects are never observed: their observers live apart, made on the first one.
    struct Observing {
        std::vector<ObserverEntry> observers;
        std::vector<PendingNotice> pendingNotices;
    };

    void attach(ManagedObjectContext* context, const EntityDescription* entity, const ManagedObjectID& id);
    // The slots of the row's values, made on first use: a fault that is never read has none.
    QVariant& attributeSlot(int index) const
    {
        makeRowStorage();
        return m_attributes[size_t(index)];
    }
    RelationSlot& relationSlot(int index) const
    {
        makeRowStorage();
        return m_relations[size_t(index)];
    }
    bool hasRowStorage() const { return m_attributes != nullptr; }
    void makeRowStorage() const
    {
        if (!m_attributes)
            allocateRowStorage();
    }
    void allocateRowStorage() const;
    void freeRowStorage() const;
    void fireFault() const;
    void ensureLoaded() const
    {
        if (m_fault)
            fireFault();
    }

    QVariant attributeValue(const AttributeDescription* attribute) const;
    ManagedObject* toOneValue(const RelationshipDescription* relationship) const;
    const Members& toManyMembers(const RelationshipDescription* relationship) const;
    Members& mutableMembers(const RelationshipDescription* relationship);

    // Recorded primitive changes (save, undo, change notification).
    void storeAttribute(const AttributeDescription* attribute, const QVariant& value);
    void storeToOne(const RelationshipDescription* relationship, ManagedObject* target);
    void storeAdd(const RelationshipDescription* relationship, ManagedObject* target);
    void storeRemove(const RelationshipDescription* relationship, ManagedObject* target);
    // Relationship changes that keep the inverse in step.
    void setToOne(const RelationshipDescription* relationship, ManagedObject* target);
    void addToMany(const RelationshipDescription* relationship, ManagedObject* target);
    void removeToMany(const RelationshipDescription* relationship, ManagedObject* target);
    void setToMany(const RelationshipDescription* relationship, const QList<ManagedObject*>& targets);
    void inverseLink(const RelationshipDescription* relationship, ManagedObject* target, bool link);

    void noteChange(const QString& key);
    void notifyObservers(const QString& key, const QVariant& oldValue);
    void clearChanges();
    void turnIntoFault();
    void forgetRow() const; // values and links as read, not changes
    // A prefilled fault forgets its row, which may be stale: firing it reads the store again.
    void dropPrefill() const;

    ManagedObjectContext* m_context = nullptr;
    ManagedObjectContext* m_owner = nullptr; // the context that deletes this object
    const EntityDescription* m_entity = nullptr;
    ManagedObjectID m_objectID;
    bool m_inserted = false;
    bool m_deleted = false;
    mutable bool m_fault = false;
    // A fault whose row a batch already read: firing it only awakes it.
    mutable bool m_prefilled = false;
    // The objects read with this one (see ManagedObjectContext::formBatch), and its place there.
    std::shared_ptr<const std::vector<ManagedObjectID>> m_batch;
    quint32 m_batchIndex = 0;
    // The key a save in progress gave its new row (PersistentStore::saveChanges); else 0.
    qint64 m_newKey = 0;
    bool m_invalid = false; // its row or its store is gone
    bool m_pendingDelete = false;
    // The change lists of its context that hold it, and those still holding a stale entry of it,
    // one bit a list (see ManagedObjectContext::ObjectList).
    quint8 m_listed = 0;
    quint8 m_staleListed = 0;

    // By attribute and relationship index; both made together in one block, and dropped with the
    // row.
    mutable QVariant* m_attributes = nullptr;
    mutable RelationSlot* m_relations = nullptr;
    // Values before the first change since the last save, by property name.
    QHash<int, QVariant> m_originalAttributes;
    QHash<int, ManagedObject*> m_originalToOne;
    QHash<int, QList<ManagedObject*>> m_originalToMany;

    std::unique_ptr<Observing> m_observing;
};

Q_DECLARE_METATYPE(ManagedObject*)
