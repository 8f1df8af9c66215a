#pragma once

#include "DeletableTableView.h"

// The items of the shown grocery list. Return in an edited cell ends the edit and adds a new
// item, whose name is edited next; the wheel scrolls the pane around the table, which is as
// tall as its rows and never scrolls itself.
class GroceryItemTableView : public DeletableTableView
{
    Q_OBJECT

public:
    explicit GroceryItemTableView(QWidget* parent = nullptr);

    // The height that shows every row (and the header).
    int heightForAllRows() const;

signals:
    // Return ended an edit: the pane adds an item.
    void addRequested();

protected:
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void wheelEvent(QWheelEvent* event) override;
};
