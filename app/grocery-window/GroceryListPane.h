#pragma once

#include <QWidget>

class GroceryListController;
class GroceryListView;
class GroceryListsTableModel;
class HighlightingDeletableTableView;
class QLabel;
class QToolButton;

// The middle pane while the Grocery Lists collection is selected: the table of every list (name
// and date; renamed in place, reordered by dragging, dragged onto a device in the source list,
// deleted with the Delete key after a confirmation), the count of lists and a button for a new
// list. The selected list is shown by its GroceryListView, which the window places beside it.
class GroceryListPane : public QWidget
{
    Q_OBJECT

public:
    explicit GroceryListPane(GroceryListController& controller, QWidget* parent = nullptr);

    HighlightingDeletableTableView* listsTableView() const { return m_listsTable; }
    // Made with the pane; the window takes it into its own layout.
    GroceryListView* groceryListView() const { return m_listView; }
    QString countText() const;
    // A new list, as the pane's own button makes it (the window's bottom bar has one too).
    void newGroceryList();

private:
    GroceryListController& m_controller;
    GroceryListsTableModel* m_listsModel = nullptr;
    HighlightingDeletableTableView* m_listsTable = nullptr;
    QLabel* m_count = nullptr;
    QToolButton* m_newList = nullptr;
    GroceryListView* m_listView = nullptr;
};
