#pragma once

#include "ArrayController.h"

#include <functional>

class Presenter;
class QMimeData;

// Class name of the objects whose removal the grocery-list tables confirm.
inline const QString GroceryListClassName = QStringLiteral("GroceryList");

// A table's content whose rows the user reorders by dragging them within the table, or copies
// with the Option (Alt) key held. Removing grocery lists asks first when
// KRConfirmsGroceryListDelete is on, except while rows are being moved. Main thread only.
class DNDArrayController : public ArrayController
{
public:
    enum class DragOperation { None, Copy, Move };
    struct DropTarget {
        DragOperation operation = DragOperation::None;
        qsizetype row = 0; // the drop goes above this row
    };

    struct Outlets {
        // The table whose rows this controller holds: drags from anywhere else are refused.
        const void* tableView = nullptr;
        Presenter* presenter = nullptr;
        // Told of each object add() inserted, with its index in the arranged objects.
        std::function<void(DNDArrayController&, qsizetype)> didAddObjectAtIndex;
    };

    DNDArrayController();
    explicit DNDArrayController(Outlets outlets);

    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }

    // The class of the objects held ("GroceryList", "GroceryItem"); a copy is made of that class.
    QString objectClass() const { return m_objectClass; }
    void setObjectClass(const QString& className) { m_objectClass = className; }
    // An object's property list, and the object of the controller's class made from one (an
    // invalid variant when the property list makes none).
    void setPropertyListRepresentation(std::function<QVariant(const QVariant& object)> function)
    {
        m_propertyListRepresentation = std::move(function);
    }
    void setObjectWithPropertyListRepresentation(std::function<QVariant(const QVariant& plist)> function)
    {
        m_objectWithPropertyListRepresentation = std::move(function);
    }
    // A new object for add(); none: add() does nothing.
    void setObjectMaker(std::function<QVariant()> function) { m_newObject = std::move(function); }

    bool isMovingObjects() const { return m_movingObjects; }

    // Writes the dragged rows: their indexes (KR_MOVED_ROWS_TYPE) and their objects' property
    // lists in arranged order (KR_COPIED_ROWS_TYPE).
    void writeRows(const QList<qsizetype>& rows, QMimeData& data) const;
    // What a drop from `source` at `proposedRow` would do: nothing from another table; otherwise
    // a copy with Option held, else a move, above the proposed row.
    DropTarget validateDrop(const void* source, qsizetype proposedRow, bool optionHeld) const;
    // Moves the dragged rows to `row`, or with Option held copies them in there; selects them.
    bool acceptDrop(const QMimeData& data, const void* source, qsizetype row, bool optionHeld);
    // Moves the objects at `indexes` to `row` (counted before the move); answers their new indexes.
    QList<qsizetype> moveObjectsInArrangedObjectsFromIndexes(const QList<qsizetype>& indexes, qsizetype row);

    QVariant newObject() override;
    void add() override;
    void removeObjectAtArrangedObjectIndex(qsizetype index) override;
    void removeObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes) override;
    void removeObject(const QVariant& object) override;
    void removeObjects(const QVariantList& objects) override;

private:
    bool confirmsRemoval() const;
    bool confirmDelete(qsizetype count) const;

    Outlets m_outlets;
    QString m_objectClass;
    std::function<QVariant(const QVariant&)> m_propertyListRepresentation;
    std::function<QVariant(const QVariant&)> m_objectWithPropertyListRepresentation;
    std::function<QVariant()> m_newObject;
    bool m_movingObjects = false;
};
