#include "DNDArrayController.h"

#include "CountOfIndexesInRange.h"
#include "KitchoraController.h"
#include "Presenter.h"
#include "PropertyList.h"
#include "RecipePasteboard.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QThread>
#include <algorithm>

namespace
{

QString localized(const char* english)
{
    return QCoreApplication::translate("Kitchora", english);
}

bool onMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

} // namespace

DNDArrayController::DNDArrayController()
    : DNDArrayController(Outlets {})
{
}

DNDArrayController::DNDArrayController(Outlets outlets)
    : m_outlets(std::move(outlets))
{
}

void DNDArrayController::writeRows(const QList<qsizetype>& rows, QMimeData& data) const
{
    QList<qsizetype> sorted = rows;
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    QVariantList indexes;
    QVariantList plists;
    for (qsizetype row : sorted) {
        const QVariant object = objectAt(row);
        if (!object.isValid())
            continue;
        indexes.append(qint64(row));
        if (m_propertyListRepresentation)
            plists.append(m_propertyListRepresentation(object));
    }
    data.setData(RecipePasteboard::movedRowsMimeType,
        PropertyList::dataWithPropertyList(indexes, PropertyList::Format::Binary));
    data.setData(RecipePasteboard::copiedRowsMimeType,
        PropertyList::dataWithPropertyList(plists, PropertyList::Format::Binary));
}

DNDArrayController::DropTarget DNDArrayController::validateDrop(
    const void* source, qsizetype proposedRow, bool optionHeld) const
{
    if (!source || source != m_outlets.tableView)
        return {};
    return { optionHeld ? DragOperation::Copy : DragOperation::Move, std::max<qsizetype>(proposedRow, 0) };
}

bool DNDArrayController::acceptDrop(const QMimeData& data, const void* source, qsizetype row, bool optionHeld)
{
    if (validateDrop(source, row, optionHeld).operation == DragOperation::None)
        return false;
    row = std::clamp<qsizetype>(row, 0, count());
    if (!optionHeld) {
        const std::optional<QVariantList> moved
            = PropertyList::arrayWithData(data.data(RecipePasteboard::movedRowsMimeType));
        if (!moved || moved->isEmpty())
            return false;
        QList<qsizetype> indexes;
        for (const QVariant& index : *moved) {
            bool ok = false;
            const qsizetype value = index.toLongLong(&ok);
            if (!ok || value < 0 || value >= count())
                return false;
            indexes.append(value);
        }
        setSelectionIndexes(moveObjectsInArrangedObjectsFromIndexes(indexes, row));
        return true;
    }
    const std::optional<QVariantList> copied
        = PropertyList::arrayWithData(data.data(RecipePasteboard::copiedRowsMimeType));
    if (!copied || copied->isEmpty() || !m_objectWithPropertyListRepresentation)
        return false;
    // Copies are made of this table's own class: a list table copies lists, an item table items.
    QVariantList objects;
    QList<qsizetype> indexes;
    for (const QVariant& plist : *copied) {
        const QVariant object = m_objectWithPropertyListRepresentation(plist);
        if (!object.isValid())
            continue;
        objects.append(object);
        indexes.append(row + indexes.size());
    }
    if (objects.isEmpty())
        return false;
    insertObjectsAtArrangedObjectIndexes(objects, indexes);
    setSelectionIndexes(indexes);
    return true;
}

QList<qsizetype> DNDArrayController::moveObjectsInArrangedObjectsFromIndexes(
    const QList<qsizetype>& indexes, qsizetype row)
{
    QList<qsizetype> sorted;
    for (qsizetype index : indexes) {
        if (index >= 0 && index < count())
            sorted.append(index);
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    if (sorted.isEmpty())
        return {};
    row = std::clamp<qsizetype>(row, 0, count());
    m_movingObjects = true;
    const qsizetype first = row - CountOfIndexesInRange::countOfIndexesInRange(sorted, 0, row);
    QVariantList objects;
    QList<qsizetype> targets;
    for (qsizetype index : sorted) {
        objects.append(objectAt(index));
        targets.append(first + targets.size());
    }
    removeObjectsAtArrangedObjectIndexes(sorted);
    insertObjectsAtArrangedObjectIndexes(objects, targets);
    m_movingObjects = false;
    return targets;
}

QVariant DNDArrayController::newObject()
{
    return m_newObject ? m_newObject() : QVariant();
}

void DNDArrayController::add()
{
    ArrayController::add();
    if (selectsInsertedObjects() && selectionIndex() >= 0 && m_outlets.didAddObjectAtIndex)
        m_outlets.didAddObjectAtIndex(*this, selectionIndex());
}

bool DNDArrayController::confirmsRemoval() const
{
    return m_objectClass == GroceryListClassName;
}

bool DNDArrayController::confirmDelete(qsizetype count) const
{
    if (!m_outlets.presenter || !onMainThread()
        || !UserDefaults::standardUserDefaults().boolForKey(KRConfirmsGroceryListDelete))
        return true;
    const QString message = count > 1
        ? localized("Are you sure you want to delete the selected grocery lists?")
        : localized("Are you sure you want to delete the selected grocery list?");
    return m_outlets.presenter->runAlert(message, { localized("Delete"), localized("Cancel") }) == 0;
}

void DNDArrayController::removeObjectAtArrangedObjectIndex(qsizetype index)
{
    if (confirmsRemoval() && !m_movingObjects && !confirmDelete(1))
        return;
    dropObjectsAtArrangedObjectIndexes({ index });
}

void DNDArrayController::removeObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes)
{
    // One row is confirmed as one; several are asked about once.
    if (confirmsRemoval() && !m_movingObjects && !indexes.isEmpty() && !confirmDelete(indexes.size()))
        return;
    dropObjectsAtArrangedObjectIndexes(indexes);
}

void DNDArrayController::removeObject(const QVariant& object)
{
    if (confirmsRemoval() && !confirmDelete(1))
        return;
    dropObjects({ object });
}

void DNDArrayController::removeObjects(const QVariantList& objects)
{
    if (confirmsRemoval() && !objects.isEmpty() && !confirmDelete(objects.size()))
        return;
    dropObjects(objects);
}
