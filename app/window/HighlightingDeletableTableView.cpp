#include "HighlightingDeletableTableView.h"

#include "HilightingTextFieldCell.h"

HighlightingDeletableTableView::HighlightingDeletableTableView(QWidget* parent)
    : DeletableTableView(parent)
{
    setItemDelegate(new HilightingTextFieldCell(this));
}
