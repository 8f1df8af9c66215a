#include "RVFullScreenDirectionView.h"

#include "NotificationCenter.h"
#include "RVFullScreenContentView.h"
#include "RVFullScreenStepAnimation.h"
#include "RVFullScreenText.h"
#include "RunLoop.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

RVFullScreenText::Style textStyle()
{
    return { RVFullScreenText::font(RVFullScreenContentView::defaultFontSize()), 40.0, 2.0 };
}

} // namespace

RVFullScreenDirectionView::RVFullScreenDirectionView(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

RVFullScreenDirectionView::~RVFullScreenDirectionView() = default;

void RVFullScreenDirectionView::setDisplayedDirections(const QStringList& directions)
{
    m_directions = directions;
    createCachedImages();
    update();
}

QScrollArea* RVFullScreenDirectionView::scrollArea() const
{
    QWidget* viewport = parentWidget();
    return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
}

QSize RVFullScreenDirectionView::clipSize() const
{
    const QScrollArea* area = scrollArea();
    return area ? area->viewport()->size() : size();
}

double RVFullScreenDirectionView::scrollY() const
{
    const QScrollArea* area = scrollArea();
    return area ? area->verticalScrollBar()->value() : 0.0;
}

QRectF RVFullScreenDirectionView::visibleRect() const
{
    const QSize clip = clipSize();
    return QRectF(0, scrollY(), clip.width(), clip.height());
}

void RVFullScreenDirectionView::scrollTo(double y)
{
    if (QScrollArea* area = scrollArea())
        area->verticalScrollBar()->setValue(qRound(y));
}

bool RVFullScreenDirectionView::event(QEvent* event)
{
    // Placed in the scroll area: the images take its width.
    if (event->type() == QEvent::ParentChange && scrollArea())
        createCachedImages();
    return QWidget::event(event);
}

void RVFullScreenDirectionView::setGradientHeight(double height)
{
    if (height == m_stepper.gradientHeight())
        return;
    m_stepper.setGradientHeight(height);
    update();
}

void RVFullScreenDirectionView::createCachedImages()
{
    createTextImage();
}

void RVFullScreenDirectionView::createTextImage()
{
    if (width() <= 0 || height() <= 0)
        return;
    const QSize clip = clipSize();
    const double w = std::max(1, clip.width());
    const double g = m_stepper.gradientHeight();
    const RVFullScreenText::Style style = textStyle();
    // Each direction laid out once, for its size and for drawing.
    QList<QSizeF> sizes;
    std::vector<std::unique_ptr<QTextLayout>> layouts;
    double textHeight = 0.0;
    for (const QString& direction : m_directions) {
        QSizeF size;
        layouts.push_back(RVFullScreenText::layout(direction, style, w, &size));
        sizes.append(size);
        textHeight += size.height();
    }
    const double last = sizes.isEmpty() ? 0.0 : sizes.last().height();
    // Room below the text, so the last step can still be scrolled up under the top fade.
    const double imageHeight
        = clip.height() <= 2 * g + textHeight ? textHeight + clip.height() - last : double(clip.height());
    QImage image(QSize(int(w), std::max(1, int(std::ceil(imageHeight)))), QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(Qt::white);
    QList<QRectF> rects;
    double y = g;
    for (qsizetype i = 0; i < m_directions.size(); ++i) {
        layouts.at(size_t(i))->draw(&painter, QPointF(0, y));
        rects.append(QRectF(0, y, std::ceil(sizes.at(i).width()), std::ceil(sizes.at(i).height())));
        y += sizes.at(i).height();
    }
    // Every step dimmed; the current one is drawn bright over it.
    painter.fillRect(QRectF(0, 0, w, y), QColor::fromRgbF(0, 0, 0, 0.75));
    painter.end();
    m_textImage = image;
    m_imageWidth = int(w);
    m_stepper.setRects(rects);
    resize(image.size());
}

void RVFullScreenDirectionView::paintEvent(QPaintEvent* event)
{
    if (m_textImage.isNull() || m_imageWidth != std::max(1, clipSize().width()))
        createCachedImages();
    QPainter painter(this);
    const RVFullScreenText::Style style = textStyle();
    const int index = currentDirectionIndex();
    const bool hasCurrent = index >= 0 && index < m_stepper.rects().size();
    if (RVFullScreenContentView::isDrawingForPresentation()) {
        painter.fillRect(event->rect(), Qt::black);
        if (hasCurrent) {
            const QRectF r = m_stepper.rects().at(index);
            painter.setPen(Qt::white);
            RVFullScreenText::draw(painter, m_directions.at(index), style, r.x(), r.y(), m_imageWidth);
        }
        return;
    }
    painter.drawImage(event->rect().topLeft(), m_textImage, event->rect());
    if (hasCurrent) {
        const QRectF r = m_stepper.rects().at(index);
        painter.fillRect(r, Qt::black);
        painter.setPen(Qt::white);
        RVFullScreenText::draw(painter, m_directions.at(index), style, r.x(), r.y(), m_imageWidth);
    }
    const double g = m_stepper.gradientHeight();
    if (g <= 0)
        return;
    const QRectF visible = visibleRect();
    QLinearGradient top(0, visible.top(), 0, visible.top() + g);
    top.setColorAt(0, Qt::black);
    top.setColorAt(1, Qt::transparent);
    painter.fillRect(QRectF(0, visible.top(), width(), g), top);
    QLinearGradient bottom(0, visible.bottom() - g, 0, visible.bottom());
    bottom.setColorAt(0, Qt::transparent);
    bottom.setColorAt(1, Qt::black);
    painter.fillRect(QRectF(0, visible.bottom() - g, width(), g), bottom);
}

void RVFullScreenDirectionView::scrollToTop()
{
    scrollTo(0);
    m_stepper.scrollToTop(clipSize().height());
}

bool RVFullScreenDirectionView::isAnimating() const
{
    return m_animation && m_animation->isAnimating();
}

void RVFullScreenDirectionView::showNextStep()
{
    startMove(m_stepper.showNextStep(visibleRect(), [this] {
        if (m_animation)
            m_animation->stopAnimation();
    }));
}

void RVFullScreenDirectionView::showPreviousStep()
{
    startMove(m_stepper.showPreviousStep(visibleRect(), [this] {
        if (m_animation)
            m_animation->stopAnimation();
    }));
}

void RVFullScreenDirectionView::showNextPartialStep()
{
    startMove(m_stepper.showNextPartialStep(visibleRect(), [this] {
        if (m_animation)
            m_animation->stopAnimation();
    }));
}

void RVFullScreenDirectionView::startMove(const DirectionStepper::Move& move)
{
    using Kind = DirectionStepper::Move::Kind;
    if (move.kind == Kind::Refused) {
        if (move.finished)
            post(RVFullScreenDirectionViewDidFinishPlayingRecipe);
        return;
    }
    const int target = move.target;
    if (move.kind == Kind::Immediate) {
        // Nothing to animate from; the end still comes, so a playing recipe goes on.
        RunLoop::postToMain([self = QPointer<RVFullScreenDirectionView>(this), target] {
            if (!self)
                return;
            self->scrollTo(self->m_stepper.animationEndY());
            self->animationDidEnd(target);
        });
        return;
    }
    auto animation = std::make_unique<RVFullScreenStepAnimation>();
    animation->setTargetIndex(target);
    animation->setProgressHandler(
        [this](double progress, int index, RVFullScreenStepAnimation*) { setProgress(progress, index); });
    animation->setAnimationDidEnd([this, target](Animation*) { animationDidEnd(target); });
    animation->setAnimationDidStop([this, target](Animation*) { animationDidStop(target); });
    m_animation = std::move(animation);
    m_animation->startAnimation();
}

void RVFullScreenDirectionView::setProgress(double progress, int)
{
    scrollTo(m_stepper.scrollYAtProgress(progress));
    update();
}

void RVFullScreenDirectionView::animationDidEnd(int index)
{
    const DirectionStepper::End end = m_stepper.animationDidEnd(index);
    if (m_animation)
        m_retired = std::move(m_animation);
    update();
    if (end.finished)
        post(RVFullScreenDirectionViewDidFinishPlayingRecipe);
    if (end.changedDirection)
        post(RVFullScreenDirectionViewDidChangeDirectionText);
}

void RVFullScreenDirectionView::animationDidStop(int index)
{
    m_stepper.animationDidStop(index);
    if (m_animation)
        m_retired = std::move(m_animation);
    update();
}

void RVFullScreenDirectionView::post(const QString& name)
{
    NotificationCenter::defaultCenter().postNotificationName(name, static_cast<const QObject*>(this),
        { { RVFullScreenDirectionViewCurrentDirectionKey, currentDirectionIndex() } });
}
