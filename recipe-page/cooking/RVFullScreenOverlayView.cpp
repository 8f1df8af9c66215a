#include "RVFullScreenOverlayView.h"

#include "MGViewAnimation.h"
#include "RVFullScreenContentView.h"
#include "RVFullScreenImages.h"

#include <QCursor>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace
{

// Which fade was started last, shared by every overlay.
bool g_fadingIn = false;
bool g_fadingOut = false;
bool g_cursorHidden = false;

constexpr RVFullScreenOverlayView::Cell allCells[]
    = { RVFullScreenOverlayView::Cell::Speak, RVFullScreenOverlayView::Cell::Listen,
          RVFullScreenOverlayView::Cell::Up, RVFullScreenOverlayView::Cell::Down,
          RVFullScreenOverlayView::Cell::PlayPause, RVFullScreenOverlayView::Cell::Exit };

QString localized(const char* text)
{
    return QCoreApplication::translate("RVFullScreenOverlayView", text);
}

bool isToggle(RVFullScreenOverlayView::Cell cell)
{
    using Cell = RVFullScreenOverlayView::Cell;
    return cell == Cell::Speak || cell == Cell::Listen || cell == Cell::PlayPause;
}

} // namespace

RVFullScreenOverlayView::RVFullScreenOverlayView(QWidget* contentView)
    : QWidget(contentView)
{
    g_fadingIn = false;
    g_fadingOut = false;
    setMouseTracking(true);
    setAttribute(Qt::WA_TranslucentBackground);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const std::pair<QString, Cell> clicks[] = { { RVFullScreenContentViewExitEvent, Cell::Exit },
        { RVFullScreenContentViewPlayPauseEvent, Cell::PlayPause },
        { RVFullScreenContentViewNextEvent, Cell::Down },
        { RVFullScreenContentViewPreviousEvent, Cell::Up } };
    for (const auto& [name, cell] : clicks) {
        m_observers.emplace_back(center,
            center.addObserver(
                name, nullptr, [this, cell = cell](const Notification&) { performClick(cell); }));
    }
    // Whatever the content view announces may change what the buttons say.
    m_observers.emplace_back(center,
        center.addObserver(
            {}, static_cast<const QObject*>(contentView), [this](const Notification&) { update(); }));
}

RVFullScreenOverlayView::~RVFullScreenOverlayView()
{
    m_observers.clear();
    stopAnimation();
}

QRectF RVFullScreenOverlayView::frameForCell(Cell cell, const QRectF& bounds)
{
    // Laid out bottom-up as designed, then turned top-down.
    const QRectF r = bounds.adjusted(10, 20, -10, -20).adjusted(32, 10, -32, -10);
    const double cx = r.x() + r.width() / 2;
    QPointF origin(cx - 164, r.y());
    const std::pair<Cell, QPointF> steps[]
        = { { Cell::Listen, { 0, 0 } }, { Cell::Speak, { 64, 0 } }, { Cell::Up, { 76, 24 } },
              { Cell::Down, { 0, -48 } }, { Cell::PlayPause, { 76, 24 } }, { Cell::Exit, { 64, 0 } } };
    for (const auto& [each, offset] : steps) {
        origin += offset;
        if (each == cell) {
            const double bottomUpY = origin.y() - bounds.y();
            return QRectF(origin.x(), bounds.y() + bounds.height() - bottomUpY - 48, 48, 48);
        }
    }
    return {};
}

RVFullScreenOverlayView::Cell RVFullScreenOverlayView::cellAtPoint(const QPointF& point) const
{
    Cell hit = Cell::None;
    for (Cell cell : allCells) {
        if (frameForCell(cell).contains(point))
            hit = cell;
    }
    return hit;
}

QString RVFullScreenOverlayView::titleForCell(Cell cell) const
{
    const bool on = stateOfCell(cell);
    switch (cell) {
    case Cell::Speak:
        return on ? localized("Stop Speaking") : localized("Start Speaking");
    case Cell::Listen:
        return on ? localized("Stop Recognition") : localized("Start Recognition");
    case Cell::PlayPause:
        return on ? localized("Pause") : localized("Play Recipe");
    case Cell::Exit:
        return localized("Exit Full Screen");
    default:
        return {};
    }
}

QString RVFullScreenOverlayView::imageNameForCell(Cell cell) const
{
    const bool on = stateOfCell(cell);
    switch (cell) {
    case Cell::Speak:
        return on ? QStringLiteral("FS_Speak_White") : QStringLiteral("FS_SpeakOn_White");
    case Cell::Listen:
        return on ? QStringLiteral("FS_Listen_White") : QStringLiteral("FS_ListenOn_White");
    case Cell::Up:
        return QStringLiteral("FS_UpArrow_White");
    case Cell::Down:
        return QStringLiteral("FS_DownArrow_White");
    case Cell::PlayPause:
        return on ? QStringLiteral("FS_Pause_White") : QStringLiteral("FS_Play_White");
    case Cell::Exit:
        return QStringLiteral("FS_ExitFS_White");
    case Cell::None:
        break;
    }
    return {};
}

bool RVFullScreenOverlayView::stateOfCell(Cell cell) const
{
    return cell != Cell::None && m_states[size_t(cell)];
}

void RVFullScreenOverlayView::setVoiceCommands(const QStringList& commands)
{
    m_voiceCommandsMenu.reset();
    if (commands.isEmpty())
        return;
    m_voiceCommandsMenu = std::make_unique<QMenu>(localized("Voice Commands"));
    m_voiceCommandsMenu->addAction(localized("Voice Commands"))->setEnabled(false);
    m_voiceCommandsMenu->addSeparator();
    for (const QString& command : commands)
        m_voiceCommandsMenu->addAction(command)->setEnabled(false);
}

void RVFullScreenOverlayView::setButtonStates(bool speaking, bool listening, bool playing)
{
    m_states[size_t(Cell::Speak)] = speaking;
    m_states[size_t(Cell::Listen)] = listening;
    m_states[size_t(Cell::PlayPause)] = playing;
    update();
}

void RVFullScreenOverlayView::performClick(Cell cell)
{
    if (cell == Cell::None)
        return;
    if (isToggle(cell))
        m_states[size_t(cell)] = !m_states[size_t(cell)];
    update();
    // Copied: the action may end the mode and with it this view.
    const Action action = m_actions[size_t(cell)];
    if (action)
        action();
}

void RVFullScreenOverlayView::activate()
{
    if (!g_fadingIn) {
        if (m_fadeInAnimation)
            m_fadeInAnimation->stopAnimation();
        auto fade = std::make_unique<MGViewAnimation>(
            QList<MGViewAnimation::Entry> { { this, {}, {}, MGViewAnimation::Effect::FadeIn } });
        fade->setAnimationDidEnd(
            [this](Animation* a) { fadeFinished(static_cast<MGViewAnimation*>(a), true, false); });
        fade->setAnimationDidStop(
            [this](Animation* a) { fadeFinished(static_cast<MGViewAnimation*>(a), true, true); });
        m_fadeInAnimation = std::move(fade);
        m_fadeInAnimation->startAnimation();
        g_fadingOut = false;
        g_fadingIn = true;
    }
    scheduleDeactivate();
}

void RVFullScreenOverlayView::scheduleDeactivate()
{
    if (m_deactivateToken)
        RunLoop::cancel(m_deactivateToken);
    m_deactivateToken = RunLoop::postAfterDelay(DeactivateDelay, [this] {
        m_deactivateToken = 0;
        deactivate(true);
    });
}

void RVFullScreenOverlayView::deactivate(bool scheduled)
{
    if (m_deactivateToken)
        RunLoop::cancel(m_deactivateToken);
    m_deactivateToken = 0;
    if (!scheduled || g_fadingOut)
        return;
    if (isVisible() && rect().contains(mapFromGlobal(QCursor::pos()))) {
        scheduleDeactivate();
        return;
    }
    if (m_fadeOutAnimation)
        m_fadeOutAnimation->stopAnimation();
    auto fade = std::make_unique<MGViewAnimation>(
        QList<MGViewAnimation::Entry> { { this, {}, {}, MGViewAnimation::Effect::FadeOut } });
    fade->setAnimationCurve(Animation::Curve::EaseIn);
    fade->setAnimationDidEnd(
        [this](Animation* a) { fadeFinished(static_cast<MGViewAnimation*>(a), false, false); });
    fade->setAnimationDidStop(
        [this](Animation* a) { fadeFinished(static_cast<MGViewAnimation*>(a), false, true); });
    m_fadeOutAnimation = std::move(fade);
    m_fadeOutAnimation->startAnimation();
    g_fadingIn = false;
    g_fadingOut = true;
}

void RVFullScreenOverlayView::fadeFinished(MGViewAnimation* animation, bool fadeIn, bool stopped)
{
    std::unique_ptr<MGViewAnimation>& slot = fadeIn ? m_fadeInAnimation : m_fadeOutAnimation;
    // Kept until the view goes: the animation is still inside its own handler.
    if (slot.get() == animation)
        m_retired.push_back(std::move(slot));
    if (m_retired.size() > 4)
        m_retired.erase(m_retired.begin());
    if (stopped) {
        (fadeIn ? g_fadingIn : g_fadingOut) = false;
        return;
    }
    if (!fadeIn && !g_cursorHidden && QGuiApplication::instance()) {
        // Hidden until the mouse moves again.
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        g_cursorHidden = true;
    }
}

void RVFullScreenOverlayView::showCursor()
{
    if (!g_cursorHidden)
        return;
    g_cursorHidden = false;
    QGuiApplication::restoreOverrideCursor();
}

bool RVFullScreenOverlayView::isFadingIn() const
{
    return g_fadingIn;
}

bool RVFullScreenOverlayView::isFadingOut() const
{
    return g_fadingOut;
}

void RVFullScreenOverlayView::stopAnimation()
{
    if (m_fadeInAnimation)
        m_fadeInAnimation->stopAnimation();
    if (m_fadeOutAnimation)
        m_fadeOutAnimation->stopAnimation();
    m_fadeInAnimation.reset();
    m_fadeOutAnimation.reset();
    if (m_deactivateToken)
        RunLoop::cancel(m_deactivateToken);
    m_deactivateToken = 0;
    showCursor();
}

QRectF RVFullScreenOverlayView::menuHotSpot() const
{
    const QRectF listen = frameForCell(Cell::Listen);
    return QRectF(listen.x() - 16, listen.center().y() - 8, 32, 16);
}

void RVFullScreenOverlayView::paintEvent(QPaintEvent*)
{
    if (RVFullScreenContentView::isDrawingForPresentation())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    const QRectF box = bounds.adjusted(10, 20, -10, -20);
    const double inset = box.width() / 2 - 20;
    const QRectF strip = bounds.adjusted(inset, 2, -inset, -2);
    QPainterPath stripPath;
    stripPath.addRoundedRect(strip, std::min(32.0, strip.width() / 2), std::min(32.0, strip.width() / 2));

    QPainterPath outside;
    outside.setFillRule(Qt::OddEvenFill);
    outside.addRect(bounds);
    outside.addPath(stripPath);
    painter.save();
    painter.setClipPath(outside);
    QLinearGradient gradient(box.topLeft(), box.bottomLeft());
    gradient.setColorAt(0, QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3));
    gradient.setColorAt(1, Qt::black);
    RVFullScreenContentView::drawBeveledBackgroundBox(painter, box, gradient, 2.0);
    painter.restore();

    painter.fillPath(stripPath, QColor::fromRgbF(0, 0, 0, 0.33));
    painter.setPen(QPen(Qt::white, 2));
    painter.drawPath(stripPath);

    for (Cell cell : allCells) {
        const QRectF frame = frameForCell(cell);
        painter.save();
        if (m_pressedCell == cell)
            painter.setOpacity(0.6);
        painter.drawImage(frame, RVFullScreenImages::imageNamed(imageNameForCell(cell)));
        painter.restore();
    }

    if (m_titledCell != Cell::None) {
        const QString title = titleForCell(m_titledCell);
        const QRectF frame = frameForCell(m_titledCell);
        const QFontMetricsF metrics(font());
        const double textWidth = metrics.horizontalAdvance(title);
        painter.setPen(Qt::white);
        painter.setFont(font());
        // Under the button.
        painter.drawText(
            QPointF(frame.center().x() - textWidth / 2, frame.bottom() + 10 + metrics.ascent()), title);
    }

    // The mark of the voice-command menu, left of the listen button.
    const QRectF listen = frameForCell(Cell::Listen);
    QPainterPath triangle;
    const QPointF start(listen.x() - 4, listen.center().y());
    triangle.moveTo(start);
    triangle.lineTo(start + QPointF(-8, 0));
    triangle.lineTo(start + QPointF(-4, 4));
    triangle.closeSubpath();
    painter.fillPath(triangle, Qt::white);
}

void RVFullScreenOverlayView::mousePressEvent(QMouseEvent* event)
{
    NotificationCenter::defaultCenter().postNotificationName(
        RVFullScreenDidHaveUserAvtivity, static_cast<const QObject*>(this));
    const QPointF point = event->position();
    if (m_voiceCommandsMenu && menuHotSpot().contains(point)) {
        m_voiceCommandsMenu->popup(event->globalPosition().toPoint());
        return;
    }
    m_pressedCell = cellAtPoint(point);
    update();
}

void RVFullScreenOverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    const Cell pressed = m_pressedCell;
    m_pressedCell = Cell::None;
    update();
    if (pressed != Cell::None && cellAtPoint(event->position()) == pressed)
        performClick(pressed);
}

void RVFullScreenOverlayView::mouseMoveEvent(QMouseEvent* event)
{
    Cell titled = cellAtPoint(event->position());
    if (titled == Cell::Up || titled == Cell::Down)
        titled = Cell::None;
    if (titled != m_titledCell) {
        m_titledCell = titled;
        update();
    }
    QWidget::mouseMoveEvent(event);
}

void RVFullScreenOverlayView::leaveEvent(QEvent* event)
{
    m_titledCell = Cell::None;
    update();
    QWidget::leaveEvent(event);
}
