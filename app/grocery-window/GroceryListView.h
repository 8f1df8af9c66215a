#pragma once

#include <QWidget>

class GroceryItemTableView;
class GroceryItemsTableModel;
class GroceryList;
class GroceryListController;
class QLabel;
class QPushButton;
class QScrollArea;

// The shown grocery list: its name, the table of its items (as tall as its rows, inside a pane
// that scrolls) with a button under it to add an item, and buttons to mail and print the list.
// Without a selected list the buttons are disabled.
class GroceryListView : public QWidget
{
    Q_OBJECT

public:
    explicit GroceryListView(GroceryListController& controller, QWidget* parent = nullptr);
    ~GroceryListView() override;

    GroceryItemTableView* itemTableView() const { return m_itemTable; }
    QPushButton* addItemButton() const { return m_addItemButton; }
    QPushButton* emailButton() const { return m_emailButton; }
    QPushButton* printButton() const { return m_printButton; }

    // Print is offered while the print button is enabled.
    bool canPrint() const;
    // The print panel, then the selected list on the chosen printer.
    void print();
    // A new item at the end of the list, its name being edited.
    void addItem();

private:
    void selectedListChanged(GroceryList* list);
    void resizeItemViewAndMoveButton();

    GroceryListController& m_controller;
    GroceryItemsTableModel* m_itemsModel = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QLabel* m_title = nullptr;
    GroceryItemTableView* m_itemTable = nullptr;
    QPushButton* m_addItemButton = nullptr;
    QPushButton* m_emailButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QMetaObject::Connection m_nameConnection;
    int m_observer = 0;
};
