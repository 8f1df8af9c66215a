#pragma once

#include "CollectionsController.h"

#include <QPixmap>
#include <QTreeView>

class QAction;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;

// The source list's view: a QTreeView over the controller's CollectionsTreeModel, drawn with the
// icon-and-text cell. It translates keys, the Delete item, in-place renaming and drags into calls
// on its CollectionsController, keeps the controller's selection and the view's in step, and keeps
// the expanded folders open across the controller's rearrangements. A row whose transfers are
// running shows a spinner in place of its icon. Not owned: the controller, which must outlive it.
class CollectionsOutlineView : public QTreeView
{
    Q_OBJECT

public:
    explicit CollectionsOutlineView(CollectionsController& controller, QWidget* parent = nullptr);
    ~CollectionsOutlineView() override;

    CollectionsController& outlineViewContentController() const { return m_controller; }
    // Enabled and titled by the selection: "Delete Recipe Collection" for a user collection,
    // "Delete" (disabled) otherwise.
    QAction* deleteAction() const { return m_deleteAction; }
    void updateDeleteAction();
    void expandCollection(ManagedObject* collection);
    // Starts renaming the collection's row with its text selected.
    void editCollection(ManagedObject* collection);
    bool isInDrag() const { return m_inDrag; }
    // The picture under the pointer while collections are dragged: the rows' own picture in a
    // rounded frame, same size; a null picture stays null.
    static QPixmap dragImage(const QPixmap& rows, const QColor& background, const QColor& frame);

    // Where a drop at `position` (viewport coordinates) lands: the target collection (nullptr: the
    // top level) and the child index (-1: onto the target's row).
    struct DropPlace {
        ManagedObject* target = nullptr;
        int childIndex = -1;
    };
    DropPlace dropPlaceAt(const QPoint& position) const;
    CollectionsController::DragSource dragSourceOf(const QObject* source) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The widget a drag started from, nullptr for another program's. Only a drag the platform runs
    // knows its source, so tests that send drag events themselves answer it here.
    virtual const QObject* sourceOf(const QDropEvent& event) const;
    void drawRow(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    void selectionFromView();
    void selectionFromController();
    void rememberExpanded();
    void restoreExpanded();
    void progressChanged();
    // The drag's operation over the place at `position`, Qt::IgnoreAction for none.
    Qt::DropAction validate(const QDropEvent& event) const;

    CollectionsController& m_controller;
    QAction* m_deleteAction = nullptr;
    QList<ManagedObject*> m_expanded;
    bool m_syncing = false;
    bool m_inDrag = false;
    int m_spinnerStep = 0;
    int m_spinnerTimer = 0;

protected:
    void timerEvent(QTimerEvent* event) override;
};
