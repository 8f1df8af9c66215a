#include "CueTextView.h"

#include "Log.h"

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

CueTextView::CueTextView(QWidget* parent)
    : QWidget(parent)
    , m_textField(new QLabel(this))
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    m_textField->setAlignment(Qt::AlignCenter);
    m_textField->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    m_textField->setTextInteractionFlags(Qt::NoTextInteraction);
    m_textField->setAttribute(Qt::WA_TransparentForMouseEvents);
    if (parent) {
        m_observed = parent;
        parent->installEventFilter(this);
    }
}

QString CueTextView::string() const
{
    return m_textField->text();
}

void CueTextView::setString(const QString& string)
{
    m_textField->setText(string);
}

void CueTextView::setPinningSide(int side)
{
    if (side == 2)
        Log::log(QStringLiteral("not working really."));
    m_pinnedSide = side;
    place();
}

QRect CueTextView::placedFrame(int side, const QSize& own, const QRect& bounds)
{
    const int x = bounds.x() + bounds.width() / 2 - own.width() / 2;
    // Widgets are flipped: the top edge is y 0.
    const int y = side == 0 ? bounds.y() + bounds.height() / 2 - own.height() / 2 : 0;
    return QRect(QPoint(x, y), own);
}

void CueTextView::place()
{
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QRect frame = placedFrame(m_pinnedSide, size(), parent->rect());
    if (frame != geometry())
        setGeometry(frame);
    // The text sits in the band when pinned, in the inset bounds otherwise.
    const QRect textRect
        = m_pinnedSide == 0 ? rect().adjusted(8, 4, -8, -4) : QRect(8, 0, width() - 16, int(kBandDepth));
    m_textField->setGeometry(textRect);
    update();
}

QPainterPath CueTextView::backgroundPath() const
{
    const double w = width();
    QPainterPath path;
    if (m_pinnedSide == 0) {
        path.addRoundedRect(QRectF(rect()), 5.0, 5.0);
        return path;
    }
    // A band hanging from the top edge, narrowing by 10 points each side with rounded flares.
    const double d = kBandDepth;
    path.moveTo(0, 0);
    path.cubicTo(QPointF(0, d / 2), QPointF(2, d), QPointF(10, d));
    path.lineTo(w - 10, d);
    path.cubicTo(QPointF(w - 2, d), QPointF(w, d / 2), QPointF(w, 0));
    path.closeSubpath();
    return path;
}

void CueTextView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A drop shadow a few points below the shape, then the shape.
    painter.fillPath(backgroundPath().translated(0, 3), QColor(0, 0, 0, 40));
    painter.fillPath(backgroundPath(), QColor(0, 0, 0, int(0.8 * 255)));
}

bool CueTextView::event(QEvent* event)
{
    if (event->type() == QEvent::ParentChange) {
        if (m_observed)
            m_observed->removeEventFilter(this);
        m_observed = parentWidget();
        if (m_observed)
            m_observed->installEventFilter(this);
        place();
    }
    return QWidget::event(event);
}

bool CueTextView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_observed && event->type() == QEvent::Resize)
        place();
    return QWidget::eventFilter(watched, event);
}

void CueTextView::mousePressEvent(QMouseEvent* event)
{
    m_pressTarget = nullptr;
    if (backgroundPath().contains(event->position())) {
        event->accept();
        return;
    }
    // Outside the shape: the press belongs to whatever lies beneath.
    QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QPoint inParent = mapToParent(event->position().toPoint());
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    QWidget* beneath = parent->childAt(inParent);
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    if (beneath && beneath != this)
        m_pressTarget = beneath;
    forward(event);
}

void CueTextView::mouseMoveEvent(QMouseEvent* event)
{
    forward(event);
}

void CueTextView::mouseReleaseEvent(QMouseEvent* event)
{
    forward(event);
    m_pressTarget = nullptr;
}

void CueTextView::forward(QMouseEvent* event)
{
    if (!m_pressTarget)
        return;
    const QPointF local = m_pressTarget->mapFromGlobal(event->globalPosition());
    QMouseEvent forwarded(
        event->type(), local, event->globalPosition(), event->button(), event->buttons(), event->modifiers());
    QApplication::sendEvent(m_pressTarget, &forwarded);
}
