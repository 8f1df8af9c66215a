#include "SearchResultTableView.h"

#include "HighlightingLevelIndicatorCell.h"
#include "ManagedObject.h"
#include "MoreResultsCell.h"
#include "SFHFRatingCell.h"
#include "SearchController.h"
#include "SearchEngine.h"
#include "SearchResultSeparatorCell.h"
#include "SearchResultsTableModel.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDrag>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <algorithm>

namespace
{

// The rows that `keep` accepts (QList::removeIf trips over an empty list's null data).
template <typename Keep> QList<int> filtered(const QList<int>& rows, Keep keep)
{
    QList<int> kept;
    for (int row : rows) {
        if (keep(row))
            kept.append(row);
    }
    return kept;
}

} // namespace

SearchResultTableView::SearchResultTableView(SearchEngine& engine, QWidget* parent)
    : QTableView(parent)
    , m_engine(engine)
    , m_model(new SearchResultsTableModel(engine, this))
    , m_separatorCell(new SearchResultSeparatorCell(this))
    , m_moreResultsCell(new MoreResultsCell(this))
    , m_ratingCell(new SFHFRatingCell(this))
    , m_rankCell(new HighlightingLevelIndicatorCell(this))
    , m_deleteAction(new QAction(tr("Delete"), this))
{
    setObjectName(QStringLiteral("searchResultsTableView"));
    m_model->setSelectable([this](int row) { return isSelectable(row); });
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setShowGrid(false);
    setAlternatingRowColors(true);
    setWordWrap(false);
    setDragEnabled(true);
    setDragDropMode(QAbstractItemView::DragOnly);
    setAcceptDrops(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSectionResizeMode(
        SearchResultsTableModel::columnOf(QStringLiteral("name")), QHeaderView::Stretch);

    m_ratingCell->setMaximumRating(5.0);
    setItemDelegateForColumn(SearchResultsTableModel::columnOf(QStringLiteral("rating")), m_ratingCell);
    m_rankCell->setMinValue(0.0);
    m_rankCell->setMaxValue(KRMaxResultRankValue);
    setItemDelegateForColumn(SearchResultsTableModel::columnOf(QStringLiteral("rank")), m_rankCell);
    setColumnWidth(SearchResultsTableModel::columnOf(QStringLiteral("rank")), 56);
    setColumnWidth(SearchResultsTableModel::columnOf(QStringLiteral("rating")), 80);
    connect(m_moreResultsCell, &MoreResultsCell::clicked, this, [this] {
        if (m_controller)
            m_controller->searchMoreResults();
    });

    m_deleteAction->setEnabled(false);
    m_sortDescriptors = { SortDescriptor(QStringLiteral("rank"), false) };
    horizontalHeader()->setSortIndicator(
        SearchResultsTableModel::columnOf(QStringLiteral("rank")), Qt::DescendingOrder);
    connect(horizontalHeader(), &QHeaderView::sortIndicatorChanged, this,
        &SearchResultTableView::sortIndicatorChanged);
    applyRowLayout();
}

SearchResultTableView::~SearchResultTableView() = default;

void SearchResultTableView::setSearchController(SearchController* controller)
{
    m_controller = controller;
}

bool SearchResultTableView::isSelectable(int row) const
{
    if (m_controller)
        return m_controller->shouldSelectRow(row);
    return m_engine.rowObject(row).result != nullptr;
}

// ---- rows ----

void SearchResultTableView::reloadData()
{
    const QList<int> kept = selectedRows();
    m_reloading = true;
    m_model->reload();
    applyRowLayout();
    selectRows(kept);
    m_reloading = false;
    tellSelection();
}

void SearchResultTableView::tellSelection()
{
    // A reload clears the selection without a signal: the delegate hears what is left.
    if (m_controller)
        m_controller->tableViewSelectionDidChange();
}

void SearchResultTableView::applyRowLayout()
{
    for (int row : std::as_const(m_spannedRows))
        setItemDelegateForRow(row, nullptr);
    m_spannedRows.clear();
    clearSpans();
    const int rows = m_model->rowCount();
    const int columns = m_model->columnCount();
    const int rowHeight = verticalHeader()->defaultSectionSize();
    const bool more = m_engine.moreResultsAvailable();
    for (int row = 0; row < rows; ++row) {
        const bool header = m_engine.rowObject(row).separator != nullptr;
        const bool moreRow = more && row == rows - 1;
        if (header || moreRow) {
            setSpan(row, 0, 1, columns);
            setItemDelegateForRow(row,
                header ? static_cast<QAbstractItemDelegate*>(m_separatorCell)
                       : static_cast<QAbstractItemDelegate*>(m_moreResultsCell));
            m_spannedRows.append(row);
        }
        const double height = m_controller ? m_controller->heightOfRow(row, rowHeight) : rowHeight;
        if (int(height) != rowHeight)
            verticalHeader()->resizeSection(row, int(height));
    }
}

QList<int> SearchResultTableView::selectedRows() const
{
    QList<int> rows;
    if (!selectionModel())
        return rows;
    for (const QModelIndex& index : selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void SearchResultTableView::selectRows(const QList<int>& rows)
{
    QItemSelection selection;
    const int last = m_model->columnCount() - 1;
    for (int row : rows) {
        if (row < 0 || row >= m_model->rowCount())
            continue;
        selection.select(m_model->index(row, 0), m_model->index(row, last));
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void SearchResultTableView::selectionChanged(const QItemSelection& selected, const QItemSelection& deselected)
{
    QTableView::selectionChanged(selected, deselected);
    if (m_controller && !m_reloading)
        m_controller->tableViewSelectionDidChange();
}

// ---- sorting ----

void SearchResultTableView::sortIndicatorChanged(int section, Qt::SortOrder order)
{
    if (section < 0 || section >= SearchResultsTableModel::columns().size())
        return;
    const QString key = SearchResultsTableModel::columns().at(section).identifier;
    QList<SortDescriptor> descriptors { SortDescriptor(key, order == Qt::AscendingOrder) };
    for (const SortDescriptor& previous : std::as_const(m_sortDescriptors)) {
        if (previous.key() != key)
            descriptors.append(previous);
    }
    setSortDescriptors(descriptors);
}

void SearchResultTableView::setSortDescriptors(const QList<SortDescriptor>& descriptors)
{
    m_sortDescriptors = descriptors;
    const QList<int> rows = m_engine.sortDescriptorsDidChange(descriptors, selectedRows());
    m_reloading = true;
    m_model->reload();
    applyRowLayout();
    m_reloading = false;
    selectRows(rows);
    tellSelection();
}

// ---- header clicks ----

QList<int> SearchResultTableView::selectionAfterHeaderClick(
    const QList<int>& selection, int clickedRow, int oldRowCount, int newRowCount)
{
    QList<int> s = selection;
    std::sort(s.begin(), s.end());
    if (!s.isEmpty() && s.first() != 0 && oldRowCount >= 3) {
        const int h = clickedRow;
        if (s.first() < h) {
            // Rows above the header keep their places; those of the toggled list go away.
            const int size = int(s.size());
            s = filtered(s, [h, size](int row) { return row < h || row > h + size - 1; });
        } else {
            const int delta = newRowCount - oldRowCount;
            for (int& row : s)
                row += delta;
            s = filtered(s, [h](int row) { return row != 0 && row >= h; });
        }
    }
    // Whatever the toggle left, the selection stays within the table.
    return filtered(s, [newRowCount](int row) { return row >= 0 && row < newRowCount; });
}

void SearchResultTableView::headerClicked(int row)
{
    const SearchEngine::Row object = m_engine.rowObject(row);
    if (!object.separator)
        return;
    const int oldRows = m_model->rowCount();
    const QList<int> selection = selectedRows();
    object.separator->toggleDisclosure();
    const int newRows = m_engine.numberOfRows();
    QList<int> kept = selectionAfterHeaderClick(selection, row, oldRows, newRows);
    m_reloading = true;
    m_model->reload();
    applyRowLayout();
    m_reloading = false;
    kept = filtered(kept, [this](int r) { return isSelectable(r); });
    selectRows(kept);
    tellSelection();
    viewport()->update();
}

void SearchResultTableView::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && event->button() == Qt::LeftButton && m_engine.rowObject(index.row()).separator) {
        headerClicked(index.row());
        return;
    }
    QTableView::mousePressEvent(event);
}

// ---- deleting, menus, drags ----

void SearchResultTableView::deleteSelectedRows()
{
    QApplication::beep();
    emit beeped();
}

void SearchResultTableView::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace)
        && event->modifiers() == Qt::NoModifier) {
        deleteSelectedRows();
        return;
    }
    QTableView::keyPressEvent(event);
}

QMenu* SearchResultTableView::menuForRow(int row)
{
    const SearchEngine::Row object = m_engine.rowObject(row);
    if (!object.result || !m_controller)
        return nullptr;
    ManagedObject* recipe = object.result->recipe();
    const auto& build = m_controller->outlets().recipeContextualMenu;
    return recipe && build ? build(recipe) : nullptr;
}

void SearchResultTableView::contextMenuEvent(QContextMenuEvent* event)
{
    const QModelIndex index = indexAt(event->pos());
    QMenu* menu = index.isValid() ? menuForRow(index.row()) : nullptr;
    if (!menu) {
        QTableView::contextMenuEvent(event);
        return;
    }
    menu->exec(event->globalPos());
    delete menu;
}

QPixmap SearchResultTableView::dragImageForRows(const QList<int>& rows)
{
    QList<QRect> rects;
    QRect bounds;
    for (int row : rows) {
        if (m_engine.rowObject(row).separator)
            continue;
        const QRect rect(0, rowViewportPosition(row), viewport()->width(), rowHeight(row));
        rects.append(rect);
        bounds = bounds.united(rect);
    }
    if (rects.isEmpty())
        return {};
    QPixmap pixmap(bounds.size());
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setOpacity(0.7);
    for (const QRect& rect : rects)
        viewport()->render(&painter, rect.topLeft() - bounds.topLeft(), QRegion(rect));
    return pixmap;
}

Qt::DropActions SearchResultTableView::draggingSourceOperationMask(bool local)
{
    return local ? (Qt::CopyAction | Qt::MoveAction) : (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction);
}

void SearchResultTableView::startDrag(Qt::DropActions)
{
    const QList<int> rows = selectedRows();
    if (rows.isEmpty())
        return;
    QModelIndexList indexes;
    for (int row : rows)
        indexes.append(m_model->index(row, 0));
    auto* drag = new QDrag(this);
    drag->setMimeData(m_model->mimeData(indexes));
    const QPixmap image = dragImageForRows(rows);
    if (!image.isNull())
        drag->setPixmap(image);
    drag->exec(draggingSourceOperationMask(true), Qt::CopyAction);
}
