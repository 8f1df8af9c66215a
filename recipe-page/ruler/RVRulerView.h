#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <vector>

class RecipeController;
class RVRulerMarker;

// The vertical ruler beside the recipe page while it is edited: a white strip, 30 points wide,
// with a grey line on its right edge, carrying a minus marker at each item and a plus marker after
// each list's last item. Its coordinates run along the page: a marker's location is the page's y,
// and the ruler follows the page's scrolling (originOffset).
//
// A press, drag and release go to every marker; only a marker under the release acts: a minus
// marker removes its item, a plus marker adds one after it, through the recipe controller. Moves
// show hover looks and spawn the fading plus markers; leaving clears every hover look.
// Main thread only.
class RVRulerView : public QWidget
{
    Q_OBJECT

public:
    static constexpr double RuleThickness = 30.0;

    // Only the vertical ruler exists: the horizontal one is logged and not made (nullptr).
    static RVRulerView* create(Qt::Orientation orientation, QWidget* parent = nullptr);
    explicit RVRulerView(QWidget* parent = nullptr);
    ~RVRulerView() override;

    void setRecipeController(RecipeController* controller);
    RecipeController* recipeController() const;
    // The page's scroll offset: ruler y = widget y + offset.
    double originOffset() const { return m_originOffset; }
    void setOriginOffset(double offset);

    // The markers in the order they were added. The ruler owns them.
    QList<RVRulerMarker*> markers() const;
    void addMarker(std::unique_ptr<RVRulerMarker> marker);
    // Takes the marker off; it is let go once the event or timer at hand is over.
    void removeMarker(RVRulerMarker* marker);
    void removeAllMarkers();

    // The marker's request: its item is added after it / removed.
    void add(RVRulerMarker* marker);
    void remove(RVRulerMarker* marker);

    // Redraws a rectangle in ruler coordinates, or the whole ruler.
    void setNeedsDisplayInRect(const QRectF& rect);
    void setNeedsDisplay() { update(); }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QPointF rulerPoint(QPointF widgetPoint) const;
    // Lets go of the markers taken off during earlier events.
    void collectRemoved();
    void scheduleCollection();
    void drawClearBackground(QPainter& painter) const;

    QPointer<RecipeController> m_recipeController;
    double m_originOffset = 0.0;
    bool m_tracking = false;
    quint64 m_collection = 0;
    std::vector<std::unique_ptr<RVRulerMarker>> m_markers;
    std::vector<std::unique_ptr<RVRulerMarker>> m_removed;
};
