#include "RVRecipeView.h"

#include "RVTextView.h"
#include "RecipeController.h"

#include <QEvent>
#include <QMimeData>
#include <QVBoxLayout>

RVRecipeView::RVRecipeView(RecipeController& controller, QWidget* parent)
    : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_textView = new RVTextView(controller.page(), controller.textContainer(), this);
    m_textView->setObjectName(QStringLiteral("recipeTextView"));
    m_textView->generateTrackingRects = [&controller] { return controller.page().generateTrackingRects(); };
    m_textView->undoOrRedoRequested = [&controller](bool undo) { controller.undoOrRedo(undo); };
    m_textView->acceptsPicture = [](const QMimeData* data) {
        return data && (data->hasImage() || (data->hasUrls() && !data->hasText()));
    };
    m_textView->contextualMenuForAttributeValue
        = [&controller](const QString& keyPath, quint64 index, QWidget* parent) {
              return controller.contextualMenuForAttributeValue(keyPath, index, parent);
          };
    layout->addWidget(m_textView);
    connect(
        &controller, &RecipeController::currentRecipeChanged, m_textView, &RVTextView::updateTrackingRects);
    connect(&controller, &RecipeController::editableChanged, m_textView, [this] { m_textView->setFocus(); });
}

void RVRecipeView::setToolbar(QWidget* toolbar)
{
    if (toolbar == m_toolbar)
        return;
    delete m_toolbar.data();
    m_toolbar = toolbar;
    if (toolbar)
        static_cast<QVBoxLayout*>(layout())->insertWidget(0, toolbar);
}

void RVRecipeView::setTracksHeightOfSubview(QWidget* view)
{
    if (!view || !isAncestorOf(view))
        return;
    if (m_tracked)
        m_tracked->removeEventFilter(this);
    m_tracked = view;
    resize(width(), view->height());
    view->installEventFilter(this);
}

bool RVRecipeView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tracked && (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        trackedViewFrameChanged();
    return QWidget::eventFilter(watched, event);
}

void RVRecipeView::trackedViewFrameChanged()
{
    if (height() != m_tracked->height())
        resize(width(), m_tracked->height());
    if (m_tracked->pos() != QPoint(0, 0))
        m_tracked->move(0, 0);
}
