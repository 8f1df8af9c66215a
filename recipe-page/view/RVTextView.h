#pragma once

#include "DocumentTextLayout.h"
#include "RVButtonTextAttachmentCell.h"

#include <QList>
#include <QPointer>
#include <QRectF>
#include <QTextEdit>
#include <functional>

class CardAttachmentHandler;
class QCompleter;
class QMenu;
class QMimeData;
class QStringListModel;
class RecipeEditingModel;
class RVTextContainer;

// The recipe page's text view: a mirror of the editing model's card. Every path that could change
// the text (keys, input method, paste, drop, cut, the context menu, undo) goes to the model, whose
// rules decide; the view then applies the model's change to its document. It draws the edit box
// around the chosen field, hover bubbles over labelled fields in view mode, the attachment cells,
// and keeps the container's notch free for the picture well at the top right.
class RVTextView : public QTextEdit
{
    Q_OBJECT

public:
    RVTextView(RecipeEditingModel& page, RVTextContainer& container, QWidget* parent = nullptr);
    ~RVTextView() override;

    RecipeEditingModel& page() const { return m_page; }
    const DocumentTextLayout& textLayout() const { return m_layout; }
    // Undo (true) or redo asked for from the keyboard or the context menu.
    std::function<void(bool undo)> undoOrRedoRequested;

    // The picture well, placed in the notch (160 by 200 at the top right, 17 from the top). Not owned.
    void setImageView(QWidget* imageView);
    QWidget* imageView() const { return m_imageView; }
    // Picture drops: whether a drag offers a picture, and taking one; none: pictures are refused.
    std::function<bool(const QMimeData*)> acceptsPicture;
    std::function<bool(const QMimeData*)> recipeViewShouldPerformDragOperation;
    // The rectangles of the hover bubbles (the controller's), asked at each rebuild.
    std::function<std::optional<QList<QRectF>>()> generateTrackingRects;

    // The contextual menu of a card field, by its key path ("ingredients" with the line's 1-based
    // number for an ingredient line), owned by the caller; nullptr: none.
    std::function<QMenu*(const QString& keyPath, quint64 index, QWidget* parent)>
        contextualMenuForAttributeValue;
    // The field menu for a point of the page (document coordinates): the first field value on the
    // line from its start; nullptr when the line has none or the field has no menu.
    QMenu* contextMenuForPoint(QPointF point);

    // Schedules a rebuild of the hover areas 0.1 s later; requests meanwhile join it.
    void updateTrackingRects();
    const QList<QRectF>& trackingRects() const { return m_trackingRects; }
    int trackingRectRebuilds() const { return m_trackingRectRebuilds; }
    // The hover bubble shown (view mode), or an empty rectangle.
    QRectF popupRect() const { return m_popupRect; }

    // The Delete menu item: "Delete Recipe" when there is no text to delete and a recipe may go.
    struct MenuItemState {
        QString title;
        bool enabled = false;
    };
    static MenuItemState validateDeleteMenuItem(bool textCanBeDeleted, bool recipeCanBeDeleted);

    // The completion list shown now (empty when none).
    QStringList completionList() const;
    // Runs a pending completion at once (the timer's work).
    void doCompletion();

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void textChanged(Range replaced, qsizetype newLength);
    void showSelection(Range selection);
    void cursorMoved();
    void editorChanged();
    void applyNotch();
    void placeImageView();
    QPointF documentPoint(QPointF viewportPoint) const;
    QPointF viewportPoint(QPointF documentPoint) const;
    void recreateTrackingRects();
    void cut();
    void pastePlainText();
    void undoOrRedo(bool undo);
    void insertCompletion(const QString& completion);
    // The word before the caret that completion works on.
    Range partialWordRange() const;

    RecipeEditingModel& m_page;
    RVTextContainer& m_container;
    DocumentTextLayout m_layout;
    CardAttachmentHandler* m_attachments = nullptr;
    QPointer<QWidget> m_imageView;
    bool m_applying = false;
    bool m_applyingNotch = false;
    // Hover areas.
    QList<QRectF> m_trackingRects;
    int m_trackingRectRebuilds = 0;
    quint64 m_trackingRectUpdate = 0;
    QRectF m_popupRect;
    // A press on a button cell being tracked.
    RVButtonTextAttachmentCell::MouseTracking m_buttonTracking;
    qsizetype m_buttonIndex = -1;
    // Completion.
    QCompleter* m_completer = nullptr;
    QStringListModel* m_completions = nullptr;
    quint64 m_completionTimer = 0;
    Range m_completionRange;
};
