#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>

class QPainter;
class RecipeImportView;

// One rectangle laid over the import text that marks a stretch of it as one recipe field. Holds
// the chosen field (its key, an import label such as "Ingredients"), snaps its frame to the
// lines of text, answers hit tests for its close box, resize grabber, field chooser and label tab,
// offers the field choices as a grid inside the area, a pop-up beside it or a "Labels" menu, and
// draws itself. The parent view owns the areas (shared, so that a delayed close keeps its area);
// the area keeps a plain pointer to the view. Frames are in the view's document coordinates.
// Main thread only.
class ImportArea
{
    Q_DECLARE_TR_FUNCTIONS(ImportArea)

public:
    // What a press on the area does (eventTypeForMouseDownAtPoint).
    enum EventType {
        NoEvent = 0,
        ChoiceEvent = 1, // on a choice of the grid or pop-up
        MoveEvent = 2, // elsewhere inside the area, or beside the pop-up's cells
        ResizeEvent = 3, // on the resize grabber
        CloseEvent = 4, // on the close box
        MenuEvent = 5, // on the label tab of a defined area, or on the "More" cell
    };

    // One item of the "Labels" menu.
    struct MenuItem {
        QString title;
        bool checked = false;
        bool operator==(const MenuItem&) const = default;
    };

    static constexpr double kGrabberSize = 16.0;
    static constexpr double kCloseBoxSize = 30.0;
    static constexpr double kCornerRadius = 8.0;

    static std::shared_ptr<ImportArea> areaWithFrame(
        const QRectF& frame, bool snapToText, RecipeImportView* parentView);
    ImportArea(const QRectF& frame, bool snapToText, RecipeImportView* parentView);

    QRectF frame() const { return m_frame; }
    // With the area's own snapping.
    void setFrame(const QRectF& frame) { setFrame(frame, m_snapToText); }
    void setFrame(const QRectF& frame, bool snapToText);

    QString key() const { return m_key; }
    void setKey(const QString& key);
    bool isDefined() const { return m_isDefined; }
    void setIsDefined(bool defined) { m_isDefined = defined; }
    QStringList bigChoices() const { return m_bigChoices; }
    void setBigChoices(const QStringList& choices);
    QStringList smallChoices() const { return m_smallChoices; }
    void setSmallChoices(const QStringList& choices);
    bool closeBoxPressed() const { return m_closeBoxPressed; }
    void setCloseBoxPressed(bool pressed) { m_closeBoxPressed = pressed; }
    bool snapToText() const { return m_snapToText; }
    void setSnapToText(bool snap) { m_snapToText = snap; }
    double fontSize() const { return m_fontSize; }
    void setFontSize(double size);
    QColor frameColor() const { return m_frameColor; }
    bool hasPopup() const { return m_hasPopup; }
    bool showDisclosure() const { return m_showDisclosure; }
    int clickIndex() const { return m_clickIndex; }
    int currentEventIndex() const { return m_currentEventIndex; }
    QRectF grabberHitRect() const { return m_grabberHitRect; }
    QRectF closeBoxHitRect() const { return m_closeBoxHitRect; }
    // Where the small-choice pop-up stands; null while it is not shown.
    QRectF popupRect() const { return m_popupRect; }
    double widestBigChoice() const { return m_widestBigChoice; }
    double widestSmallChoice() const { return m_widestSmallChoice; }

    // Hit tests.
    bool containsPoint(const QPointF& point) const;
    bool grabberContainsPoint(const QPointF& point) const { return m_grabberHitRect.contains(point); }
    bool closeBoxContainsPoint(const QPointF& point) const { return m_closeBoxHitRect.contains(point); }
    // Only while the pop-up is shown.
    bool flyoutContainsPoint(const QPointF& point) const;
    // Only for a defined area.
    bool keyAreaContainsPoint(const QPointF& point) const;

    // The choice state machine: press, drag, release.
    EventType eventTypeForMouseDownAtPoint(const QPointF& point);
    void mouseMovedToPoint(const QPointF& point);
    // A release on "More" of the pop-up asks the parent to pop up the "Labels" menu.
    void mouseUpAtPoint(const QPointF& point);

    // The "Labels" menu for a press at the point; empty for no menu. "More" offers the set of
    // labels that the area does not show: the small ones from the grid, the big ones from the
    // pop-up. A defined area answers, from its label tab only, every label once, sorted, the key
    // checked.
    QList<MenuItem> menuForPoint(const QPointF& point) const;
    // The action of a menu item: the item's title becomes the key.
    void menuChoice(const QString& title);

    // Drawing, in document coordinates.
    void draw(QPainter& painter) const;
    void drawCloseBox(QPainter& painter) const;
    // Places the pop-up beside an undefined area whose grid does not fit (once shown it counts
    // as shown for the area's life) and draws it.
    void drawChoicesPopupIfNeeded(QPainter* painter);

    // Geometry.
    QRectF keyAreaRect() const;
    QRectF snappedRectForRect(const QRectF& rect) const;
    double cellHeight() const;
    double headerHeight() const;
    int numberOfColumns() const;
    // Whether the grid of big choices fits inside the frame.
    bool gridFits() const;
    // The cell of the grid (the big choices, then "More").
    QRectF gridCellRect(int index) const;
    // The pop-up's outline with a pointer 20 points wide towards the area on `side` (the side of
    // the area the pop-up stands on, as sideOfRect answers).
    static QPainterPath bezierPathForPopupRect(const QRectF& rect, int side);
    void reclaculateChoiceWidths();
    void updateFrameColor();

    static QColor blueFrameColor();
    static QColor yellowFrameColor();

private:
    int rowsNeeded(int columns) const;
    int gridIndexAtPoint(const QPointF& point) const;
    int popupRowAtPoint(const QPointF& point) const;
    QPainterPath roundedFramePath() const;
    QFont choiceFont() const;
    QFont headerFont() const;
    static QFont keyAreaFont();
    void setKeyFromChoice(const QString& key);
    void redrawParent() const;

    RecipeImportView* m_parentView;
    QString m_key;
    bool m_isDefined = false;
    QStringList m_bigChoices;
    QStringList m_smallChoices;
    double m_widestBigChoice = 0;
    double m_widestSmallChoice = 0;
    int m_clickIndex = -1;
    int m_currentEventIndex = -1;
    QRectF m_frame;
    bool m_snapToText = false;
    QRectF m_grabberHitRect;
    QRectF m_closeBoxHitRect;
    bool m_closeBoxPressed = false;
    bool m_hasPopup = false;
    QRectF m_popupRect;
    int m_popupSide = 0;
    // Brought up to date by keyAreaRect.
    mutable bool m_showDisclosure = true;
    QColor m_frameColor = blueFrameColor();
    double m_fontSize = 0;
};
