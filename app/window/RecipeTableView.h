#pragma once

#include "HighlightingDeletableTableView.h"

#include <functional>

class ManagedObject;
class QMenu;
class RecipeTableDelegate;

// The recipe list. Deleting rows is refused (with a beep) where the selected collection cannot
// lose recipes by hand; a right click on a row shows that recipe's contextual menu. Rows are
// dragged out as recipe object URIs (RecipeListModel writes them), or with a table delegate as
// the delegate writes them (with card files for other programs).
class RecipeTableView : public HighlightingDeletableTableView
{
    Q_OBJECT

public:
    explicit RecipeTableView(QWidget* parent = nullptr);

    // The collection selected in the source list, or nullptr.
    void setSelectedCollection(std::function<ManagedObject*()> selectedCollection)
    {
        m_selectedCollection = std::move(selectedCollection);
    }
    // Builds the contextual menu of a recipe (owned by the caller); none: the inherited menu.
    void setContextualMenuBuilder(std::function<QMenu*(ManagedObject* recipe)> builder)
    {
        m_contextualMenu = std::move(builder);
    }

    // The delegate asked before the user changes the selection, told after, and writing drags;
    // not owned (nullptr: none). Set after the content is bound.
    void setTableDelegate(RecipeTableDelegate* delegate);

    // Search results, smart collections, Recent Imports and Recently Cooked fill themselves: no
    // recipe is deleted from them by hand.
    static bool refusesDeletionIn(const ManagedObject* collection);

    void deleteSelectedRows() override;
    // "Delete Recipe" while enabled, "Delete" otherwise.
    void validateDeleteAction() override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    QItemSelectionModel::SelectionFlags selectionCommand(
        const QModelIndex& index, const QEvent* event = nullptr) const override;
    void startDrag(Qt::DropActions supportedActions) override;

private:
    RecipeTableDelegate* m_tableDelegate = nullptr;
    QMetaObject::Connection m_selectionConnection;
    std::function<ManagedObject*()> m_selectedCollection;
    std::function<QMenu*(ManagedObject*)> m_contextualMenu;
};
