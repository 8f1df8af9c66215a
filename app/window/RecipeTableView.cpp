#include "RecipeTableView.h"

#include "ArrayController.h"
#include "RecipeCollection.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

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
