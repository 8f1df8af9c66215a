#include "RVRulerView.h"

#include "Log.h"
#include "RVRulerMarker.h"
#include "RecipeController.h"
#include "RunLoop.h"

#include <QMouseEvent>
#include <QPainter>

RVRulerView* RVRulerView::create(Qt::Orientation orientation, QWidget* parent)
{
    if (orientation != Qt::Vertical) {
        Log::log(QStringLiteral("Horizontal Ruler Unsupported!\n"));
        return nullptr;
    }
    return new RVRulerView(parent);
}

RVRulerView::RVRulerView(QWidget* parent)
    : QWidget(parent)
{
    setMouseTracking(true);
    setFixedWidth(int(RuleThickness));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

RVRulerView::~RVRulerView()
{
    RunLoop::cancel(m_collection);
}

void RVRulerView::setRecipeController(RecipeController* controller)
{
    m_recipeController = controller;
}

RecipeController* RVRulerView::recipeController() const
{
    return m_recipeController;
}

QSize RVRulerView::sizeHint() const
{
    return { int(RuleThickness), 100 };
}

void RVRulerView::setOriginOffset(double offset)
{
    if (offset == m_originOffset)
        return;
    m_originOffset = offset;
    update();
}

QList<RVRulerMarker*> RVRulerView::markers() const
{
    QList<RVRulerMarker*> list;
    list.reserve(qsizetype(m_markers.size()));
    for (const auto& marker : m_markers)
        list.append(marker.get());
    return list;
}

void RVRulerView::addMarker(std::unique_ptr<RVRulerMarker> marker)
{
    if (!marker)
        return;
    setNeedsDisplayInRect(marker->imageRectInRuler());
    m_markers.push_back(std::move(marker));
}

void RVRulerView::removeMarker(RVRulerMarker* marker)
{
    const auto found = std::find_if(
        m_markers.begin(), m_markers.end(), [marker](const auto& held) { return held.get() == marker; });
    if (found == m_markers.end())
        return;
    // A marker may take itself off in the middle of its own step (or of the click that changed the
    // recipe): it stops its timers now and lives on until the event at hand is over.
    (*found)->markerWasRemoved();
    m_removed.push_back(std::move(*found));
    m_markers.erase(found);
    scheduleCollection();
    update();
}

void RVRulerView::removeAllMarkers()
{
    for (auto& marker : m_markers) {
        marker->markerWasRemoved();
        m_removed.push_back(std::move(marker));
    }
    m_markers.clear();
    scheduleCollection();
    update();
}

void RVRulerView::scheduleCollection()
{
    if (m_collection || m_removed.empty())
        return;
    m_collection = RunLoop::postToMain([this] {
        m_collection = 0;
        collectRemoved();
    });
}

void RVRulerView::collectRemoved()
{
    m_removed.clear();
}

void RVRulerView::add(RVRulerMarker* marker)
{
    if (m_recipeController && marker)
        m_recipeController->page().plusMarker(marker->representedObject(), marker->index());
}

void RVRulerView::remove(RVRulerMarker* marker)
{
    if (m_recipeController && marker)
        m_recipeController->page().minusMarker(marker->representedObject(), marker->index());
}

void RVRulerView::setNeedsDisplayInRect(const QRectF& rect)
{
    update(rect.translated(0, -m_originOffset).toAlignedRect().adjusted(-1, -1, 1, 1));
}

QPointF RVRulerView::rulerPoint(QPointF widgetPoint) const
{
    return widgetPoint + QPointF(0, m_originOffset);
}

// --- events ---

void RVRulerView::mousePressEvent(QMouseEvent* event)
{
    collectRemoved();
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_tracking = true;
    const QPointF point = rulerPoint(event->position());
    for (RVRulerMarker* marker : markers())
        marker->mouseDownAtPoint(point);
}

void RVRulerView::mouseMoveEvent(QMouseEvent* event)
{
    collectRemoved();
    const QPointF point = rulerPoint(event->position());
    // While pressed the ruler follows the drag; otherwise the pointer's hover.
    const QList<RVRulerMarker*> current = markers();
    for (RVRulerMarker* marker : current) {
        if (m_tracking)
            marker->mouseDraggedToPoint(point);
        else
            marker->mouseMovedToPoint(point);
    }
}

void RVRulerView::mouseReleaseEvent(QMouseEvent* event)
{
    collectRemoved();
    if (!m_tracking || event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_tracking = false;
    const QPointF point = rulerPoint(event->position());
    // The first marker that acts changes the recipe, and the controller's rebuild replaces the
    // markers: the others are asked only while they are still on the ruler.
    for (RVRulerMarker* marker : markers()) {
        const QList<RVRulerMarker*> now = markers();
        if (now.contains(marker))
            marker->mouseUpAtPoint(point);
    }
}

void RVRulerView::leaveEvent(QEvent* event)
{
    collectRemoved();
    // A point level with no marker and left of the ruler: every hover look ends and the spawned
    // plus markers fade out.
    const QPointF outside(-1.0, -1.0);
    for (RVRulerMarker* marker : markers())
        marker->mouseMovedToPoint(outside);
    QWidget::leaveEvent(event);
}

// --- drawing ---

void RVRulerView::drawClearBackground(QPainter& painter) const
{
    const QRectF bounds = rect();
    painter.fillRect(bounds, Qt::white);
    painter.fillRect(QRectF(bounds.x() + bounds.width() - 1.0, bounds.y(), 1.0, bounds.height()), Qt::gray);
}

void RVRulerView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawClearBackground(painter);
    painter.translate(0, -m_originOffset);
    for (const auto& marker : m_markers)
        painter.drawImage(marker->imageRectInRuler().topLeft(), marker->image());
}
