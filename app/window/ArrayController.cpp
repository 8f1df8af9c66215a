#include "ArrayController.h"

#include "KeyValueCoding.h"
#include "StringFolding.h"

#include <QDateTime>
#include <QSet>
#include <algorithm>
#include <cmath>
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

// A sort key read once: texts folded as the descriptor compares them, dates as their time; other
// values are compared as SortDescriptor compares them.
struct SortKey {
    enum class Kind { Text, Date, Number, Other } kind = Kind::Other;
    QString text;
    qint64 time = 0;
    double number = 0;
    QVariant value;

    SortKey() = default;
    SortKey(const QVariant& v, SortDescriptor::Selector selector)
        : value(v)
    {
        switch (v.typeId()) {
        case QMetaType::QString:
            kind = Kind::Text;
            text = StringFolding::fold(
                v.toString(), selector == SortDescriptor::Selector::CaseInsensitiveCompare, false);
            break;
        case QMetaType::QDateTime:
            kind = v.toDateTime().isValid() ? Kind::Date : Kind::Other;
            time = v.toDateTime().toMSecsSinceEpoch();
            break;
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::Short:
        case QMetaType::Float:
            number = v.toDouble();
            // NaN has an order of its own among numbers.
            kind = std::isnan(number) ? Kind::Other : Kind::Number;
            break;
        default:
            break;
        }
    }

    static int compare(const SortKey& a, const SortKey& b, SortDescriptor::Selector selector)
    {
        if (a.kind != b.kind || a.kind == Kind::Other)
            return SortDescriptor::compareValues(a.value, b.value, selector);
        switch (a.kind) {
        case Kind::Text:
            return StringFolding::compareCodePoints(a.text, b.text);
        case Kind::Date:
            return a.time < b.time ? -1 : (a.time > b.time ? 1 : 0);
        case Kind::Number:
            return a.number < b.number ? -1 : (a.number > b.number ? 1 : 0);
        default:
            return 0;
        }
    }
};

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
    std::vector<SortKey> keys(size_t(kept.size() * keyCount));
    for (qsizetype i = 0; i < kept.size(); ++i) {
        for (qsizetype k = 0; k < keyCount; ++k) {
            const SortDescriptor& descriptor = m_sortDescriptors.at(k);
            keys[size_t(i * keyCount + k)]
                = SortKey(valueAt(kept.at(i), descriptor.key()), descriptor.selector());
        }
    }
    std::vector<qsizetype> order(size_t(kept.size()));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        for (qsizetype k = 0; k < keyCount; ++k) {
            const SortDescriptor& descriptor = m_sortDescriptors.at(k);
            const int result = SortKey::compare(
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
