#pragma once

#include "CookingRecipe.h"

#include <QColor>
#include <QRectF>
#include <QWidget>

class QGradient;
class RVFullScreenDirectionView;
class RVFullScreenIngredientView;
class RVFullScreenOverlayView;
class RVFullScreenSplitView;

// Posted by the cooking views (object: the posting view).
inline const QString RVFullScreenDidHaveUserAvtivity = QStringLiteral("RVFullScreenDidHaveUserAvtivity");
inline const QString RVFullScreenContentViewExitEvent = QStringLiteral("RVFullScreenContentViewExitEvent");
inline const QString RVFullScreenContentViewPlayPauseEvent
    = QStringLiteral("RVFullScreenContentViewPlayPauseEvent");
inline const QString RVFullScreenContentViewPreviousEvent
    = QStringLiteral("RVFullScreenContentViewPreviousEvent");
inline const QString RVFullScreenContentViewNextEvent = QStringLiteral("RVFullScreenContentViewNextEvent");

// The cooking window's content: the recipe's name as a title, the split of ingredients and
// directions, and the button overlay at the bottom centre. Keys act as the overlay's buttons.
// Every size follows one default font size, set on entry for the screen.
class RVFullScreenContentView : public QWidget
{
    Q_OBJECT

public:
    static void setDefaltFontSize(double size);
    static double defaultFontSize();
    // The event a key stands for, or an empty name for a key of no meaning here.
    static QString eventForKey(int key, const QString& text);
    // A box with quarter-circle corners of radius 32: filled with the gradient at alpha 0.75 and
    // stroked white, or filled with the colour at alpha 0.5 and stroked black.
    static void drawBeveledBackgroundBox(
        QPainter& painter, const QRectF& rect, const QGradient& gradient, double borderWidth);
    static void drawBeveledBackgroundBox(
        QPainter& painter, const QRectF& rect, const QColor& color, double borderWidth);

    // While one lives, the views draw for the other party of a presentation: no overlay, no
    // divider grabber, only the current step.
    class PresentationDrawing
    {
    public:
        PresentationDrawing();
        ~PresentationDrawing();
        PresentationDrawing(const PresentationDrawing&) = delete;
        PresentationDrawing& operator=(const PresentationDrawing&) = delete;
    };
    static bool isDrawingForPresentation();

    explicit RVFullScreenContentView(QWidget* parent = nullptr);
    ~RVFullScreenContentView() override;

    void setDisplayedRecipe(const CookingRecipe& recipe);
    const CookingRecipe& displayedRecipe() const { return m_recipe; }
    void setIngredientsView(RVFullScreenIngredientView* view);
    void setDirectionsView(RVFullScreenDirectionView* view);
    void setSplitView(RVFullScreenSplitView* view);
    RVFullScreenSplitView* splitView() const { return m_splitView; }
    RVFullScreenIngredientView* ingredientsView() const { return m_ingredientsView; }
    RVFullScreenDirectionView* directionView() const { return m_directionsView; }
    RVFullScreenOverlayView* overlayView() const { return m_overlayView; }

    int currentDirectionIndex() const;
    void nextPartialStep();
    void nextStep();
    void previousStep();

    double fontSize() const { return m_fontSize; }
    void setFontSize(double size) { m_fontSize = size; }
    double titleFontSize() const { return m_fontSize - 8; }
    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color) { m_backgroundColor = color; }
    // The height under the title.
    double contentAreaHeight() const;
    void stopOverlayView();

    void updateRects();
    QRectF titleRect() const { return m_titleRect; }
    QRectF ingredientsRect() const { return m_ingredientsRect; }
    QRectF directionsRect() const { return m_directionsRect; }
    QRectF buttonsRect() const { return m_buttonsRect; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void watchMouse(QWidget* view);
    void userMovedMouse();
    double titleHeight() const;

    CookingRecipe m_recipe;
    // Inside the split view, which is a child of this view: they go with it.
    RVFullScreenIngredientView* m_ingredientsView = nullptr;
    RVFullScreenDirectionView* m_directionsView = nullptr;
    RVFullScreenSplitView* m_splitView = nullptr;
    RVFullScreenOverlayView* m_overlayView = nullptr;
    QRectF m_titleRect;
    QRectF m_ingredientsRect;
    QRectF m_directionsRect;
    QRectF m_buttonsRect;
    QColor m_backgroundColor = Qt::black;
    double m_fontSize;
};
