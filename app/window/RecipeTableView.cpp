#include "RecipeTableView.h"

#include "ArrayController.h"
#include "RecipeCollection.h"
#include "RecipeTableDelegate.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

RecipeTableView::RecipeTableView(QWidget* parent)
    : HighlightingDeletableTableView(parent)
{
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setDefaultDropAction(Qt::CopyAction);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setSortingEnabled(true);
    setWordWrap(false);
    // Rows of one height, set once: the view never measures the rows of a long list.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

bool RecipeTableView::refusesDeletionIn(const ManagedObject* collection)
{
    const auto* kind = dynamic_cast<const RecipeCollection*>(collection);
    if (!kind)
        return false;
    return kind->isSearchCache() || kind->isSmartCollection() || kind->isImportCollection()
        || kind->isRecentlyCookedCollection();
}

void RecipeTableView::deleteSelectedRows()
{
    if (refusesDeletionIn(m_selectedCollection ? m_selectedCollection() : nullptr)) {
        beep();
        return;
    }
    HighlightingDeletableTableView::deleteSelectedRows();
}

void RecipeTableView::validateDeleteAction()
{
    HighlightingDeletableTableView::validateDeleteAction();
    deleteAction()->setText(deleteAction()->isEnabled() ? tr("Delete Recipe") : tr("Delete"));
}

void RecipeTableView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    ArrayController* controller = tableContentController();
    ManagedObject* recipe
        = index.isValid() && controller ? controller->objectAt(index.row()).value<ManagedObject*>() : nullptr;
    if (!recipe || !m_contextualMenu) {
        HighlightingDeletableTableView::contextMenuEvent(event);
        return;
    }
    std::unique_ptr<QMenu> menu(m_contextualMenu(recipe));
    if (menu)
        menu->exec(event->globalPos());
}

void RecipeTableView::setTableDelegate(RecipeTableDelegate* delegate)
{
    m_tableDelegate = delegate;
    disconnect(m_selectionConnection);
    if (delegate && selectionModel())
        m_selectionConnection
            = connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
                  if (m_tableDelegate)
                      m_tableDelegate->selectionDidChange(selectedRows().size());
              });
}

QItemSelectionModel::SelectionFlags RecipeTableView::selectionCommand(
    const QModelIndex& index, const QEvent* event) const
{
    const QItemSelectionModel::SelectionFlags flags
        = HighlightingDeletableTableView::selectionCommand(index, event);
    if (!m_tableDelegate || flags == QItemSelectionModel::NoUpdate || !index.isValid())
        return flags;
    QList<qsizetype> current;
    for (int row : selectedRows())
        current.append(row);
    std::sort(current.begin(), current.end());
    // Only the selection a plain click or key makes is told apart; any other change counts as one.
    QList<qsizetype> proposed = current;
    if (flags.testFlag(QItemSelectionModel::Clear))
        proposed = { index.row() };
    else if (flags.testFlag(QItemSelectionModel::Toggle) || flags.testFlag(QItemSelectionModel::Deselect))
        proposed.removeAll(index.row());
    else if (!proposed.contains(index.row()))
        proposed.append(index.row());
    std::sort(proposed.begin(), proposed.end());
    return m_tableDelegate->shouldSelectRows(current, proposed) ? flags : QItemSelectionModel::NoUpdate;
}

void RecipeTableView::startDrag(Qt::DropActions supportedActions)
{
    if (!m_tableDelegate) {
        HighlightingDeletableTableView::startDrag(supportedActions);
        return;
    }
    QList<int> rows = selectedRows();
    std::sort(rows.begin(), rows.end());
    QList<qsizetype> indexes(rows.begin(), rows.end());
    std::unique_ptr<QMimeData> data = m_tableDelegate->writeRowsWithIndexes(indexes);
    if (!data)
        return;
    // A translucent picture of the dragged rows that are in sight.
    QRect area;
    for (int row : rows)
        area |= visualRect(model()->index(row, 0))
                    .united(visualRect(model()->index(row, model()->columnCount() - 1)));
    area &= viewport()->rect();
    auto* drag = new QDrag(this);
    if (!area.isEmpty()) {
        const QPixmap rowsPicture = viewport()->grab(area);
        QPixmap picture(rowsPicture.size());
        picture.setDevicePixelRatio(rowsPicture.devicePixelRatio());
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setOpacity(0.7);
        painter.drawPixmap(0, 0, rowsPicture);
        painter.end();
        drag->setPixmap(picture);
        drag->setHotSpot(viewport()->mapFromGlobal(QCursor::pos()) - area.topLeft());
    }
    drag->setMimeData(data.release());
    // Other programs get copies: a move would take recipes from the library wherever a file
    // manager moves files by default, and the desktop's trash cannot be told from a folder.
    const Qt::DropAction result = drag->exec(Qt::CopyAction, Qt::CopyAction);
    drag->deleteLater();
    m_tableDelegate->didFinishDragOperation(result == Qt::MoveAction
            ? RecipeTableDelegate::DragOperation::Delete
            : result == Qt::CopyAction ? RecipeTableDelegate::DragOperation::Copy
                                       : RecipeTableDelegate::DragOperation::None);
}
