#include "RVFullScreenContentView.h"

#include "NotificationCenter.h"
#include "RVFullScreenDirectionView.h"
#include "RVFullScreenIngredientView.h"
#include "RVFullScreenOverlayView.h"
#include "RVFullScreenSplitView.h"
#include "RVFullScreenText.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <algorithm>

namespace
{

double g_defaultFontSize = 48.0;
int g_presentationDrawing = 0;

QPainterPath beveledPath(const QRectF& rect)
{
    QPainterPath path;
    path.addRoundedRect(rect, 32, 32);
    return path;
}

} // namespace

void RVFullScreenContentView::setDefaltFontSize(double size)
{
    g_defaultFontSize = size;
}

double RVFullScreenContentView::defaultFontSize()
{
    return g_defaultFontSize;
}

RVFullScreenContentView::PresentationDrawing::PresentationDrawing()
{
    ++g_presentationDrawing;
}

RVFullScreenContentView::PresentationDrawing::~PresentationDrawing()
{
    --g_presentationDrawing;
}

bool RVFullScreenContentView::isDrawingForPresentation()
{
    return g_presentationDrawing > 0;
}

QString RVFullScreenContentView::eventForKey(int key, const QString& text)
{
    if (key == Qt::Key_Escape || text == QStringLiteral("q") || text == QStringLiteral("Q")
        || text == QStringLiteral("f") || text == QStringLiteral("F"))
        return RVFullScreenContentViewExitEvent;
    if (key == Qt::Key_Space)
        return RVFullScreenContentViewPlayPauseEvent;
    if (key == Qt::Key_Up || key == Qt::Key_Left)
        return RVFullScreenContentViewPreviousEvent;
    if (key == Qt::Key_Down || key == Qt::Key_Right)
        return RVFullScreenContentViewNextEvent;
    return {};
}

void RVFullScreenContentView::drawBeveledBackgroundBox(
    QPainter& painter, const QRectF& rect, const QGradient& gradient, double borderWidth)
{
    const QPainterPath path = beveledPath(rect);
    painter.save();
    painter.setOpacity(0.75);
    painter.fillPath(path, gradient);
    painter.setOpacity(1.0);
    painter.setPen(QPen(Qt::white, borderWidth));
    painter.drawPath(path);
    painter.restore();
}

void RVFullScreenContentView::drawBeveledBackgroundBox(
    QPainter& painter, const QRectF& rect, const QColor& color, double borderWidth)
{
    const QPainterPath path = beveledPath(rect);
    painter.save();
    QColor fill = color;
    fill.setAlphaF(0.5);
    painter.fillPath(path, fill);
    painter.setPen(QPen(Qt::black, borderWidth));
    painter.drawPath(path);
    painter.restore();
}

RVFullScreenContentView::RVFullScreenContentView(QWidget* parent)
    : QWidget(parent)
    , m_fontSize(g_defaultFontSize)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    QPalette black = palette();
    black.setColor(QPalette::Window, Qt::black);
    setPalette(black);
    setAutoFillBackground(true);
    m_overlayView = new RVFullScreenOverlayView(this);
    m_overlayView->hide();
    m_overlayView->raise();
    updateRects();
}

RVFullScreenContentView::~RVFullScreenContentView()
{
    m_overlayView->deactivate(false);
}

void RVFullScreenContentView::setDisplayedRecipe(const CookingRecipe& recipe)
{
    m_recipe = recipe;
    updateRects();
    update();
}

void RVFullScreenContentView::setIngredientsView(RVFullScreenIngredientView* view)
{
    m_ingredientsView = view;
    if (view) {
        view->setDisplayedIngredients(m_recipe.ingredients);
        watchMouse(view);
    }
    updateRects();
}

void RVFullScreenContentView::setDirectionsView(RVFullScreenDirectionView* view)
{
    m_directionsView = view;
    if (view) {
        updateRects();
        view->setDisplayedDirections(m_recipe.shownDirections);
        watchMouse(view);
        if (auto* area = qobject_cast<QScrollArea*>(
                view->parentWidget() ? view->parentWidget()->parentWidget() : nullptr))
            watchMouse(area->viewport());
    }
    updateRects();
}

void RVFullScreenContentView::setSplitView(RVFullScreenSplitView* view)
{
    m_splitView = view;
    if (view)
        watchMouse(view);
    updateRects();
}

int RVFullScreenContentView::currentDirectionIndex() const
{
    return m_directionsView ? m_directionsView->currentDirectionIndex() : 0;
}

void RVFullScreenContentView::nextPartialStep()
{
    if (m_directionsView)
        m_directionsView->showNextPartialStep();
}

void RVFullScreenContentView::nextStep()
{
    if (m_directionsView)
        m_directionsView->showNextStep();
}

void RVFullScreenContentView::previousStep()
{
    if (m_directionsView)
        m_directionsView->showPreviousStep();
}

double RVFullScreenContentView::titleHeight() const
{
    const QFontMetricsF metrics(RVFullScreenText::font(titleFontSize()));
    return metrics.ascent() + metrics.descent() + 20;
}

double RVFullScreenContentView::contentAreaHeight() const
{
    return height() - titleHeight();
}

void RVFullScreenContentView::updateRects()
{
    const double w = width();
    const double h = height();
    const double t = titleHeight();
    m_titleRect = QRectF(0, 0, w, t).adjusted(20, 10, -20, -10).toAlignedRect();

    double ingredients = 68.0;
    if (m_ingredientsView) {
        m_ingredientsView->resize(int(std::max(0.0, w - 40)), m_ingredientsView->height());
        ingredients = std::max(68.0, m_ingredientsView->optimalContentHeight());
    }
    m_ingredientsRect = QRectF(20, t, std::max(0.0, w - 40), ingredients + 32);

    const int divider
        = m_splitView ? m_splitView->dividerThickness() : RVFullScreenSplitView::DividerThickness;
    m_directionsRect = QRectF(20, t, std::max(0.0, w - 40), std::max(0.0, h - (divider + 10 + ingredients)))
                           .toAlignedRect();
    if (m_directionsView && m_directionsView->size().isEmpty())
        m_directionsView->resize(m_directionsRect.size().toSize());

    if (m_splitView) {
        // Under the title, 20 in from the sides and 40 clear of the bottom for the overlay.
        const double area = h - t;
        m_splitView->setGeometry(QRectF(20, t, w - 40, area - 40).toAlignedRect());
        const int first = int(m_ingredientsRect.height());
        m_splitView->setSizes({ first, std::max(0, m_splitView->height() - first - divider) });
    }

    m_buttonsRect = QRectF(w / 2 - 206, h - 20 - 109, 412, 109).toAlignedRect();
    m_overlayView->setGeometry(m_buttonsRect.toRect());
}

void RVFullScreenContentView::stopOverlayView()
{
    m_overlayView->stopAnimation();
    m_overlayView->hide();
}

void RVFullScreenContentView::paintEvent(QPaintEvent* event)
{
    QWidget::paintEvent(event);
    if (!event->rect().intersects(m_titleRect.toAlignedRect()))
        return;
    QPainter painter(this);
    painter.setPen(Qt::white);
    painter.setFont(RVFullScreenText::font(titleFontSize()));
    painter.drawText(m_titleRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
        painter.fontMetrics().elidedText(m_recipe.name, Qt::ElideRight, int(m_titleRect.width())));
}

void RVFullScreenContentView::keyPressEvent(QKeyEvent* event)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    center.postNotificationName(RVFullScreenDidHaveUserAvtivity, static_cast<const QObject*>(this));
    const QString name = eventForKey(event->key(), event->text());
    if (name.isEmpty()) {
        QWidget::keyPressEvent(event);
        return;
    }
    center.postNotificationName(name, static_cast<const QObject*>(this));
}

void RVFullScreenContentView::userMovedMouse()
{
    RVFullScreenOverlayView::showCursor();
    NotificationCenter::defaultCenter().postNotificationName(
        RVFullScreenDidHaveUserAvtivity, static_cast<const QObject*>(this));
    m_overlayView->activate();
}

void RVFullScreenContentView::mouseMoveEvent(QMouseEvent* event)
{
    userMovedMouse();
    QWidget::mouseMoveEvent(event);
}

void RVFullScreenContentView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    updateRects();
}

void RVFullScreenContentView::watchMouse(QWidget* view)
{
    view->setMouseTracking(true);
    view->installEventFilter(this);
}

bool RVFullScreenContentView::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseMove)
        userMovedMouse();
    return QWidget::eventFilter(watched, event);
}
