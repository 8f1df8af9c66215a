#include "GroceryItemTableView.h"

#include <QHeaderView>
#include <QWheelEvent>

GroceryItemTableView::GroceryItemTableView(QWidget* parent)
    : DeletableTableView(parent)
{
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setStretchLastSection(true);
    setShowGrid(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::SelectedClicked);
}

int GroceryItemTableView::heightForAllRows() const
{
    const int rows = model() ? model()->rowCount() : 0;
    return horizontalHeader()->height() + rows * verticalHeader()->defaultSectionSize() + 2 * frameWidth();
}

void GroceryItemTableView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    // An edit is stored in the list, which the table then shows afresh: the editor went with the
    // old rows and only needs to go.
    if (state() == QAbstractItemView::EditingState)
        DeletableTableView::closeEditor(editor, hint);
    else
        setFocus();
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        emit addRequested();
}

void GroceryItemTableView::wheelEvent(QWheelEvent* event)
{
    event->ignore();
}
