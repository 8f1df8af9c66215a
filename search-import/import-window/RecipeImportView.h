#pragma once

#include "AttributedString.h"
#include "ImportArea.h"
#include "ImportTextLayout.h"

#include <QList>
#include <QPointF>
#include <QTextEdit>
#include <functional>
#include <memory>
#include <optional>

class QMimeData;

// What the import view tells its delegate (the import controller). Every callback does nothing
// unless overridden; readPasteboardData answers false when the delegate does not take paste.
class RecipeImportViewDelegate
{
public:
    virtual ~RecipeImportViewDelegate() = default;
    virtual void didAddArea(ImportArea* area) { (void)area; }
    virtual void didRemoveArea(ImportArea* area) { (void)area; }
    virtual void definedArea(ImportArea* area) { (void)area; }
    virtual void importViewDidReceiveReturnCharacter(class RecipeImportView* view) { (void)view; }
    virtual bool readPasteboardData(const QMimeData* pasteboard, bool overwriteExistingData)
    {
        (void)pasteboard;
        (void)overwriteExistingData;
        return false;
    }
};

// The text view of the import window: shows the text to import and lets the user draw import
// areas over it with the mouse, move, resize and close them and pick each area's field. Areas
// never overlap; later areas are drawn over earlier ones and hit first. Paste hands the
// clipboard to the delegate as a fresh import.
//
// Points and frames are in document coordinates (the viewport's plus the scroll offset, y down);
// the mouse handlers below take such points, and the Qt event handlers convert into them. Main
// thread only.
class RecipeImportView : public QTextEdit
{
    Q_OBJECT

public:
    // The platform's not-found index.
    static constexpr qsizetype NotFound = -1;
    static constexpr double kMinimumNewAreaWidth = 24.0;
    static constexpr double kMinimumNewAreaHeight = 20.0;
    static constexpr double kMinimumResizeWidth = 24.0;
    static constexpr double kMinimumResizeHeight = 16.0;
    static constexpr double kCloseDelay = 0.15;

    explicit RecipeImportView(QWidget* parent = nullptr);
    ~RecipeImportView() override;

    RecipeImportViewDelegate* importDelegate() const { return m_delegate; }
    void setImportDelegate(RecipeImportViewDelegate* delegate) { m_delegate = delegate; }

    // The text (plain) and replacing it with an attributed string.
    QString string() const;
    void setAttributedString(const AttributedString& text);

    // The geometry the areas read; the document's own unless a test put another in.
    const ImportTextLayout& textLayout() const { return *m_layout; }
    void setTextLayout(std::unique_ptr<ImportTextLayout> layout);
    // The visible part of the text in document coordinates; a test may fix it.
    QRectF visibleRect() const;
    void setVisibleRectForTesting(std::optional<QRectF> rect) { m_fixedVisibleRect = rect; }
    // Pops up the "Labels" menu at a point; a test may catch it instead.
    using MenuPresenter
        = std::function<void(ImportArea* area, const QList<ImportArea::MenuItem>& items, QPointF point)>;
    void setMenuPresenter(MenuPresenter presenter) { m_menuPresenter = std::move(presenter); }
    void popUpLabelsMenu(ImportArea* area, QPointF point);

    // Areas.
    QList<std::shared_ptr<ImportArea>> currentImportAreas() const { return m_importAreas; }
    void addArea(std::shared_ptr<ImportArea> area);
    // Places the field pop-ups of the areas without a field, as drawing does.
    void layoutChoicePopups();
    qsizetype areaCount() const { return m_importAreas.size(); }
    void clearAreas();
    bool snapToText() const { return m_snapToText; }
    void setSnapToText(bool snap);
    void closeArea(ImportArea* area);
    qsizetype importAreaContainingPoint(const QPointF& point) const;

    // The non-overlap rule: the proposed frame pushed back from the other areas towards the old
    // one. The index form ignores the area at that index; the other ignores areas whose frame is
    // `excludeFrame`.
    QRectF nonIntersectingImportAreaFrameRectForProposedFrameRect(
        const QRectF& proposed, const QRectF& old, qsizetype excludeIndex) const;
    QRectF nonIntersectingImportAreaFrameRectForProposedFrameRect(
        const QRectF& proposed, const QRectF& old, std::optional<QRectF> excludeFrame) const;
    // Where a pop-up of `size` fits next to an area: 1 right, 2 below, 3 above, 4 left; 0 (and a
    // null rectangle) when it fits nowhere.
    int sideOfRect(const QRectF& areaRect, QRectF* displayRect, const QSizeF& size) const;

    // Cleans text for reading: runs of three line ends become two; paragraph spacing grows by 2
    // (over 6) or 6 points and text blocks go; fonts under 12 points become 12 points.
    static void formatTextForDisplay(MutableAttributedString& text);

    // Mouse handling in document coordinates.
    void mouseDownAtPoint(const QPointF& point);
    void mouseDraggedToPoint(const QPointF& point);
    void mouseUpAtPoint(const QPointF& point);
    bool isDrawingNewArea() const { return m_inDrag; }
    QRectF dragRect() const { return m_dragRect; }

    void paste();
    // Pasted or dropped data goes to the delegate as a fresh import.
    void insertFromMimeData(const QMimeData* source) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool canInsertFromMimeData(const QMimeData* source) const override;

private:
    QPointF documentPoint(const QPointF& viewportPoint) const;
    QPointF clampedToVisible(const QPointF& point) const;
    void redraw();

    QList<std::shared_ptr<ImportArea>> m_importAreas;
    std::unique_ptr<ImportTextLayout> m_layout;
    RecipeImportViewDelegate* m_delegate = nullptr;
    MenuPresenter m_menuPresenter;
    std::optional<QRectF> m_fixedVisibleRect;
    bool m_snapToText = true;
    bool m_inDrag = false;
    bool m_willDrag = false;
    QPointF m_dragOrigin;
    QRectF m_dragRect;
    bool m_inMove = false;
    bool m_willMove = false;
    QPointF m_moveOffset;
    bool m_inResize = false;
    bool m_willResize = false;
    QSizeF m_resizeOffset;
    bool m_willClose = false;
    bool m_willClick = false;
    qsizetype m_targetAreaIndex = NotFound;
};
