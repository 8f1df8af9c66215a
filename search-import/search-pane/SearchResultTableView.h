#pragma once

#include "SortDescriptor.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QTableView>

class HighlightingLevelIndicatorCell;
class ManagedObject;
class MoreResultsCell;
class QAction;
class QMenu;
class SFHFRatingCell;
class SearchController;
class SearchEngine;
class SearchResultSeparatorCell;
class SearchResultsTableModel;

// The search pane's results table: the engine's rows under their two headers, a click on a header
// opens or closes its list (keeping the selection on the rows it stood on, within the table), the
// more-results row asks for the next page, results cannot be deleted from it (the Delete key
// beeps), a right click on a result offers its recipe's menu, and dragged results carry their
// recipes' URIs. The search controller is its delegate. Main thread only.
class SearchResultTableView : public QTableView
{
    Q_OBJECT

public:
    explicit SearchResultTableView(SearchEngine& engine, QWidget* parent = nullptr);
    ~SearchResultTableView() override;

    // Not owned; nullptr: every result row may be selected and nothing is told of the selection.
    void setSearchController(SearchController* controller);
    SearchResultsTableModel& resultsModel() const { return *m_model; }

    // Reads the engine's rows again and keeps the selected rows that still lie within the table.
    void reloadData();
    QList<int> selectedRows() const;
    // Selects exactly these rows (not extending); rows outside the table are left out.
    void selectRows(const QList<int>& rows);

    // First the column clicked last: "rank" descending to begin with.
    QList<SortDescriptor> sortDescriptors() const { return m_sortDescriptors; }
    // Sorts both lists by them, keeping the selected results selected.
    void setSortDescriptors(const QList<SortDescriptor>& descriptors);

    // Results cannot be deleted here: a beep.
    void deleteSelectedRows();
    // "Delete", always disabled.
    QAction* deleteAction() const { return m_deleteAction; }

    // A click on the header at `row`: toggles its list and keeps the selection on its rows.
    void headerClicked(int row);
    // The selection after a header click: the rows of `selection` moved with the rows they stood
    // on (a collapsed list's rows dropped), given the table's row count before and after the
    // toggle. Only rows within 0 and `newRowCount` are kept.
    static QList<int> selectionAfterHeaderClick(
        const QList<int>& selection, int clickedRow, int oldRowCount, int newRowCount);

    // The contextual menu for a right click on `row`: the recipe's menu for a result holding one.
    QMenu* menuForRow(int row);
    // The picture of the dragged rows, headers left out.
    QPixmap dragImageForRows(const QList<int>& rows);
    // Within the program copy and move; elsewhere every operation there is.
    static Qt::DropActions draggingSourceOperationMask(bool local);

signals:
    void beeped();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;

private:
    void applyRowLayout();
    void tellSelection();
    void sortIndicatorChanged(int section, Qt::SortOrder order);
    bool isSelectable(int row) const;

    SearchEngine& m_engine;
    SearchResultsTableModel* m_model;
    SearchController* m_controller = nullptr;
    SearchResultSeparatorCell* m_separatorCell;
    MoreResultsCell* m_moreResultsCell;
    SFHFRatingCell* m_ratingCell;
    HighlightingLevelIndicatorCell* m_rankCell;
    QAction* m_deleteAction;
    QList<SortDescriptor> m_sortDescriptors;
    QList<int> m_spannedRows;
    bool m_reloading = false;
};
