#include "RVRecipeView.h"

#include "MagnetClipView.h"
#include "PrintingSupport.h"
#include "RVRulerView.h"
#include "RVTextView.h"
#include "RecipeController.h"
#include "RulerMarkerSetup.h"

#include <QEvent>
#include <QHBoxLayout>
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
    m_textView->acceptsPicture = [](const QMimeData* data) { return RecipeController::isPictureDrag(data); };
    m_textView->recipeViewShouldPerformDragOperation = [&controller](const QMimeData* data) {
        return controller.recipeViewShouldPerformDragOperation(data);
    };
    m_textView->contextualMenuForAttributeValue
        = [&controller](const QString& keyPath, quint64 index, QWidget* parent) {
              return controller.contextualMenuForAttributeValue(keyPath, index, parent);
          };
    // The item ruler stands beside the card while it is edited.
    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    m_ruler = RVRulerView::create(Qt::Vertical, this);
    m_ruler->setObjectName(QStringLiteral("recipeRulerView"));
    row->addWidget(m_ruler);
    row->addWidget(m_textView);
    layout->addLayout(row);
    m_markerSetup = new RulerMarkerSetup(controller, *m_textView, *m_ruler);
    // Several recipes selected in the list hide the ruler; one again (still editing) shows it.
    connect(&controller, &RecipeController::rulersVisibleChanged, m_ruler,
        [this, &controller](bool visible) { m_ruler->setVisible(visible && controller.editable()); });
    // The recipe's picture in the card's notch, in both modes.
    m_pictureHolder = new MagnetClipView;
    m_pictureHolder->setObjectName(QStringLiteral("recipePictureHolder"));
    m_pictureHolder->resize(160, 200);
    m_textView->setImageView(m_pictureHolder);
    controller.setImageView(m_pictureHolder->imageView());
    // A printed card counts a cooking of the shown recipe.
    m_printObserver = ScopedObserver(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(KRDidPrintRecipeNotification, m_textView,
            [&controller](const Notification&) { controller.didPrint(); }));
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
