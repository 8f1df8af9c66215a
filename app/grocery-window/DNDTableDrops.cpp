#include "DNDTableDrops.h"

#include "DNDArrayController.h"

#include <QAbstractItemView>
#include <QDragMoveEvent>
#include <QDropEvent>

DNDTableDrops::DNDTableDrops(QAbstractItemView* table, DNDArrayController& controller)
    : QObject(table)
    , m_table(table)
    , m_viewport(table->viewport())
    , m_controller(controller)
{
    table->setDragEnabled(true);
    table->setAcceptDrops(true);
    table->setDragDropMode(QAbstractItemView::DragDrop);
    table->setDefaultDropAction(Qt::MoveAction);
    table->setDropIndicatorShown(true);
    m_viewport->installEventFilter(this);
}

qsizetype DNDTableDrops::dropRow(const QAbstractItemView& table, int y)
{
    const QModelIndex index = table.indexAt(QPoint(1, y));
    if (!index.isValid())
        return table.model() ? table.model()->rowCount() : 0;
    const QRect rect = table.visualRect(index);
    return y > rect.center().y() ? index.row() + 1 : index.row();
}

bool DNDTableDrops::optionHeld(const QDropEvent& event) const
{
    return event.modifiers().testFlag(Qt::AltModifier);
}

bool DNDTableDrops::eventFilter(QObject* watched, QEvent* event)
{
    // Compared with the viewport as it was: the table may be half destroyed while its viewport
    // still sends events.
    if (watched != m_viewport)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(event);
        const DNDArrayController::DropTarget target = m_controller.validateDrop(
            drag->source(), dropRow(*m_table, drag->position().toPoint().y()), optionHeld(*drag));
        if (target.operation == DNDArrayController::DragOperation::None) {
            drag->ignore();
            return true;
        }
        drag->setDropAction(
            target.operation == DNDArrayController::DragOperation::Copy ? Qt::CopyAction : Qt::MoveAction);
        drag->accept();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        const bool copy = optionHeld(*drop);
        const bool accepted = drop->mimeData()
            && m_controller.acceptDrop(
                *drop->mimeData(), drop->source(), dropRow(*m_table, drop->position().toPoint().y()), copy);
        // The rows were moved here already: the table that started the drag removes nothing.
        drop->setDropAction(Qt::CopyAction);
        if (accepted)
            drop->accept();
        else
            drop->ignore();
        return true;
    }
    default:
        return false;
    }
}
