#pragma once

#include "Predicate.h"
#include "SortDescriptor.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <functional>
#include <optional>
#include <vector>

// The content of a table, arranged: filtered by an optional predicate and ordered by sort
// descriptors; the selection follows the selected objects across rearrangements. Objects are
// variants: managed objects (ManagedObject*) or the plain values their owner keeps. Subclasses
// override the editing operations to add their own rules (confirmations, what removing means).
// Main thread only.
class ArrayController
{
public:
    enum class Change { Arrangement, Selection };
    using Observer = std::function<void(Change)>;
    using ValueForKeyPath = std::function<QVariant(const QVariant& object, const QString& keyPath)>;

    ArrayController();
    virtual ~ArrayController() = default;
    ArrayController(const ArrayController&) = delete;
    ArrayController& operator=(const ArrayController&) = delete;

    // The entity of managed content ("Recipe"); empty for plain objects.
    QString entityName() const { return m_entityName; }
    void setEntityName(const QString& entityName) { m_entityName = entityName; }

    // Replaces the content and rearranges it; the selection keeps the objects still there.
    void setContent(const QVariantList& content);
    const QVariantList& content() const { return m_content; }
    const QVariantList& arrangedObjects() const { return m_arranged; }
    qsizetype count() const { return m_arranged.size(); }
    // An invalid variant outside 0..count-1.
    QVariant objectAt(qsizetype index) const;
    qsizetype indexOfArrangedObject(const QVariant& object) const;

    QList<SortDescriptor> sortDescriptors() const { return m_sortDescriptors; }
    void setSortDescriptors(const QList<SortDescriptor>& descriptors);
    std::optional<Predicate> filterPredicate() const { return m_filterPredicate; }
    void setFilterPredicate(const std::optional<Predicate>& predicate);
    // Arranges the content again (after its objects changed).
    void rearrangeObjects();

    // Arranged indexes, ascending.
    QList<qsizetype> selectionIndexes() const { return m_selection; }
    // Indexes outside the arranged objects are dropped.
    void setSelectionIndexes(const QList<qsizetype>& indexes);
    // The first selected index, or -1.
    qsizetype selectionIndex() const { return m_selection.isEmpty() ? -1 : m_selection.first(); }
    QVariantList selectedObjects() const;
    void setSelectedObjects(const QVariantList& objects);
    bool selectsInsertedObjects() const { return m_selectsInsertedObjects; }
    void setSelectsInsertedObjects(bool selects) { m_selectsInsertedObjects = selects; }

    // How values are read for sorting, filtering and display; by default through key-value coding
    // of managed objects and keys of maps.
    void setValueForKeyPath(ValueForKeyPath function) { m_valueForKeyPath = std::move(function); }
    QVariant valueAt(const QVariant& object, const QString& keyPath) const;

    // The object add() inserts; an invalid variant when none can be made.
    virtual QVariant newObject() { return {}; }
    // Inserts newObject() at the end of the arranged objects.
    virtual void add();
    virtual void insertObjectAtArrangedObjectIndex(const QVariant& object, qsizetype index);
    virtual void insertObjectsAtArrangedObjectIndexes(
        const QVariantList& objects, const QList<qsizetype>& indexes);
    virtual void removeObjectAtArrangedObjectIndex(qsizetype index);
    virtual void removeObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes);
    virtual void removeObject(const QVariant& object);
    virtual void removeObjects(const QVariantList& objects);

    // Told after every change of the arrangement or the selection; answers a token for removal.
    int addObserver(Observer observer);
    void removeObserver(int token);

protected:
    // Takes the objects out of the content and the arrangement, without any rule of a subclass.
    void dropObjects(const QVariantList& objects);
    // The same by place, for content that may hold equal objects.
    void dropObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes);
    void notify(Change change);

private:
    bool arrangesPlainly() const { return m_sortDescriptors.isEmpty() && !m_filterPredicate; }
    void arrange();

    QString m_entityName;
    QVariantList m_content;
    QVariantList m_arranged;
    QList<SortDescriptor> m_sortDescriptors;
    std::optional<Predicate> m_filterPredicate;
    QList<qsizetype> m_selection;
    bool m_selectsInsertedObjects = true;
    ValueForKeyPath m_valueForKeyPath;
    std::vector<std::pair<int, Observer>> m_observers;
    int m_nextToken = 1;
};
