#include "ArrayController.h"

#include "KeyValueCoding.h"

#include <QSet>
#include <algorithm>
#include <numeric>

namespace
{

QVariant defaultValueForKeyPath(const QVariant& object, const QString& keyPath)
{
    if (const KeyValueCoding* coding = KeyValueCoding::fromVariant(object))
        return coding->valueForKeyPath(keyPath);
    if (object.typeId() == QMetaType::QVariantMap)
        return object.toMap().value(keyPath);
    return {};
}

QList<qsizetype> sortedUnique(QList<qsizetype> indexes)
{
    std::sort(indexes.begin(), indexes.end());
    indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
    return indexes;
}

} // namespace

ArrayController::ArrayController()
    : m_valueForKeyPath(defaultValueForKeyPath)
{
}

QVariant ArrayController::valueAt(const QVariant& object, const QString& keyPath) const
{
    return m_valueForKeyPath(object, keyPath);
}

void ArrayController::setContent(const QVariantList& content)
{
    const QVariantList selected = selectedObjects();
    m_content = content;
    arrange();
    m_selection.clear();
    setSelectedObjects(selected);
    notify(Change::Arrangement);
}

QVariant ArrayController::objectAt(qsizetype index) const
{
    return index >= 0 && index < m_arranged.size() ? m_arranged.at(index) : QVariant();
}

qsizetype ArrayController::indexOfArrangedObject(const QVariant& object) const
{
    return m_arranged.indexOf(object);
}

void ArrayController::setSortDescriptors(const QList<SortDescriptor>& descriptors)
{
    m_sortDescriptors = descriptors;
    rearrangeObjects();
}

void ArrayController::setFilterPredicate(const std::optional<Predicate>& predicate)
{
    m_filterPredicate = predicate;
    rearrangeObjects();
}

void ArrayController::rearrangeObjects()
{
    const QVariantList selected = selectedObjects();
    arrange();
    m_selection.clear();
    setSelectedObjects(selected);
    notify(Change::Arrangement);
}

void ArrayController::arrange()
{
    if (arrangesPlainly()) {
        m_arranged = m_content;
        return;
    }
    QVariantList kept;
    kept.reserve(m_content.size());
    for (const QVariant& object : m_content) {
        if (!m_filterPredicate || m_filterPredicate->evaluateWithObject(object))
            kept.append(object);
    }
    if (m_sortDescriptors.isEmpty()) {
        m_arranged = kept;
        return;
    }
    // Each object's keys are read once, not once per comparison: reading a managed object's value
    // is far dearer than comparing two values.
    const qsizetype keyCount = m_sortDescriptors.size();
    std::vector<QVariant> keys(size_t(kept.size() * keyCount));
    for (qsizetype i = 0; i < kept.size(); ++i) {
        for (qsizetype k = 0; k < keyCount; ++k)
            keys[size_t(i * keyCount + k)] = valueAt(kept.at(i), m_sortDescriptors.at(k).key());
    }
    std::vector<qsizetype> order(size_t(kept.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (qsizetype k = 0; k < keyCount; ++k) {
            const SortDescriptor& descriptor = m_sortDescriptors.at(k);
            const int result = SortDescriptor::compareValues(
                keys[size_t(a * keyCount + k)], keys[size_t(b * keyCount + k)], descriptor.selector());
            if (result != 0)
                return descriptor.ascending() ? result < 0 : result > 0;
        }
        return false;
    });
    m_arranged.clear();
    m_arranged.reserve(kept.size());
    for (qsizetype i : order)
        m_arranged.append(kept.at(i));
}

void ArrayController::setSelectionIndexes(const QList<qsizetype>& indexes)
{
    QList<qsizetype> selection;
    for (qsizetype index : sortedUnique(indexes)) {
        if (index >= 0 && index < m_arranged.size())
            selection.append(index);
    }
    if (std::ranges::equal(selection, m_selection))
        return;
    m_selection = selection;
    notify(Change::Selection);
}

QVariantList ArrayController::selectedObjects() const
{
    QVariantList objects;
    for (qsizetype index : m_selection)
        objects.append(m_arranged.at(index));
    return objects;
}

void ArrayController::setSelectedObjects(const QVariantList& objects)
{
    QList<qsizetype> indexes;
    for (const QVariant& object : objects) {
        const qsizetype index = m_arranged.indexOf(object);
        if (index >= 0)
            indexes.append(index);
    }
    setSelectionIndexes(indexes);
}

void ArrayController::add()
{
    const QVariant object = newObject();
    if (object.isValid())
        insertObjectAtArrangedObjectIndex(object, m_arranged.size());
}

void ArrayController::insertObjectAtArrangedObjectIndex(const QVariant& object, qsizetype index)
{
    insertObjectsAtArrangedObjectIndexes({ object }, { index });
}

void ArrayController::insertObjectsAtArrangedObjectIndexes(
    const QVariantList& objects, const QList<qsizetype>& indexes)
{
    if (objects.size() != indexes.size())
        return;
    const bool plain = arrangesPlainly();
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const qsizetype index = std::clamp<qsizetype>(indexes.at(i), 0, m_arranged.size());
        // A sorted or filtered arrangement keeps the new objects where they were put until it is
        // arranged again; the content only needs to hold them.
        m_arranged.insert(index, objects.at(i));
        if (plain)
            m_content.insert(index, objects.at(i));
        else
            m_content.append(objects.at(i));
    }
    const QVariantList selected = m_selectsInsertedObjects ? objects : selectedObjects();
    m_selection.clear();
    setSelectedObjects(selected);
    notify(Change::Arrangement);
}

void ArrayController::removeObjectAtArrangedObjectIndex(qsizetype index)
{
    removeObjectsAtArrangedObjectIndexes({ index });
}

void ArrayController::removeObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes)
{
    QVariantList objects;
    for (qsizetype index : sortedUnique(indexes)) {
        if (index >= 0 && index < m_arranged.size())
            objects.append(m_arranged.at(index));
    }
    removeObjects(objects);
}

void ArrayController::removeObject(const QVariant& object)
{
    dropObjects({ object });
}

void ArrayController::removeObjects(const QVariantList& objects)
{
    dropObjects(objects);
}

void ArrayController::dropObjects(const QVariantList& objects)
{
    if (objects.isEmpty())
        return;
    const QVariantList selected = selectedObjects();
    for (const QVariant& object : objects) {
        m_content.removeOne(object);
        m_arranged.removeOne(object);
    }
    m_selection.clear();
    setSelectedObjects(selected);
    notify(Change::Arrangement);
}

void ArrayController::dropObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes)
{
    QList<qsizetype> sorted;
    for (qsizetype index : sortedUnique(indexes)) {
        if (index >= 0 && index < m_arranged.size())
            sorted.append(index);
    }
    if (sorted.isEmpty())
        return;
    QList<qsizetype> selection;
    for (qsizetype index : m_selection) {
        if (!std::binary_search(sorted.begin(), sorted.end(), index))
            selection.append(index
                - std::count_if(sorted.begin(), sorted.end(), [index](qsizetype s) { return s < index; }));
    }
    const bool plain = arrangesPlainly();
    for (auto it = sorted.rbegin(); it != sorted.rend(); ++it) {
        const QVariant object = m_arranged.takeAt(*it);
        if (plain)
            m_content.removeAt(*it);
        else
            m_content.removeOne(object);
    }
    m_selection = selection;
    notify(Change::Arrangement);
}

int ArrayController::addObserver(Observer observer)
{
    const int token = m_nextToken++;
    m_observers.emplace_back(token, std::move(observer));
    return token;
}

void ArrayController::removeObserver(int token)
{
    std::erase_if(m_observers, [token](const auto& entry) { return entry.first == token; });
}

void ArrayController::notify(Change change)
{
    // An observer may remove itself while being told.
    const auto observers = m_observers;
    for (const auto& entry : observers)
        entry.second(change);
}
