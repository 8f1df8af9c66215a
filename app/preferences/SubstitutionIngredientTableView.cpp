#include "SubstitutionIngredientTableView.h"

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

SubstitutionIngredientTableView::SubstitutionIngredientTableView(QWidget* parent)
    : HighlightingDeletableTableView(parent)
{
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
}

QMimeData* SubstitutionIngredientTableView::mimeDataForRows(const QList<int>& rows) const
{
    if (rows.isEmpty() || !m_urlForRow)
        return nullptr;
    const QUrl url = m_urlForRow(*std::max_element(rows.begin(), rows.end()));
    if (!url.isValid())
        return nullptr;
    auto* data = new QMimeData;
    data->setUrls({ url });
    return data;
}

void SubstitutionIngredientTableView::startDrag(Qt::DropActions)
{
    QMimeData* data = mimeDataForRows(selectedRows());
    if (!data)
        return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::LinkAction | Qt::CopyAction, Qt::LinkAction);
}

void SubstitutionIngredientTableView::deleteSelectedRows()
{
    QApplication::beep();
}

void SubstitutionIngredientTableView::changeEvent(QEvent* event)
{
    HighlightingDeletableTableView::changeEvent(event);
    if (event->type() != QEvent::EnabledChange)
        return;
    verticalScrollBar()->setEnabled(isEnabled());
    setFocusPolicy(isEnabled() ? Qt::StrongFocus : Qt::NoFocus);
    clearSelection();
    viewport()->update();
}

void SubstitutionIngredientTableView::wheelEvent(QWheelEvent* event)
{
    // A disabled list does not scroll.
    if (!isEnabled()) {
        event->ignore();
        return;
    }
    HighlightingDeletableTableView::wheelEvent(event);
}
