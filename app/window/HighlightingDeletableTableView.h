#pragma once

#include "DeletableTableView.h"

// A deletable table whose text cells turn white on selected rows.
class HighlightingDeletableTableView : public DeletableTableView
{
    Q_OBJECT

public:
    explicit HighlightingDeletableTableView(QWidget* parent = nullptr);
};
