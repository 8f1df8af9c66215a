#include "RVRulerPlusMarker.h"

#include "RVRulerView.h"
#include "RulerArtwork.h"

#include <QPainter>

RVRulerPlusMarker::RVRulerPlusMarker(
    RVRulerView* ruler, double markerLocation, const QImage& image, QPointF imageOrigin)
    : RVRulerMarker(ruler, markerLocation, image, imageOrigin)
{
}

RVRulerPlusMarker::~RVRulerPlusMarker()
{
    RunLoop::cancel(m_fadeInTimer);
    RunLoop::cancel(m_fadeOutTimer);
}

QImage RVRulerPlusMarker::classDefaultImage()
{
    return RulerArtwork::image(QStringLiteral("PlusMarker"));
}

QImage RVRulerPlusMarker::classOverImage()
{
    return RulerArtwork::dissolved(
        classDefaultImage(), RulerArtwork::image(QStringLiteral("PlusOverMask")), 0.15);
}

QImage RVRulerPlusMarker::classDownImage()
{
    return RulerArtwork::dissolved(classDefaultImage(), RulerArtwork::image(QStringLiteral("DownMask")), 0.3);
}

void RVRulerPlusMarker::mouseUpAtPoint(QPointF point)
{
    endMouseDown();
    if (imageContains(point) && ruler())
        ruler()->add(this);
}

void RVRulerPlusMarker::mouseMovedToPoint(QPointF point)
{
    if (m_alpha == 0.0) {
        RVRulerMarker::mouseMovedToPoint(point);
        return;
    }
    const QRectF rect = imageRectInRuler();
    const bool inBand = point.y() >= rect.top() && point.y() <= rect.bottom();
    if (inBand && point.x() >= 0.0 && point.x() <= rect.right()) {
        // Back in the band while fading out: it fades in again from where it is.
        if (m_fadeOutTimer)
            fadeIn(false);
        return;
    }
    fadeOut(false);
    // The fade may have taken the marker off already; it stays alive until the event is over.
    RVRulerMarker::mouseMovedToPoint(point);
}

void RVRulerPlusMarker::markerWasRemoved()
{
    stopFadeIn();
    stopFadeOut();
}

void RVRulerPlusMarker::stopFadeIn()
{
    RunLoop::cancel(m_fadeInTimer);
    m_fadeInTimer = 0;
}

void RVRulerPlusMarker::stopFadeOut()
{
    RunLoop::cancel(m_fadeOutTimer);
    m_fadeOutTimer = 0;
}

void RVRulerPlusMarker::fadeIn(bool fromTimer)
{
    if (fromTimer)
        m_fadeInTimer = 0;
    if (m_fadeOutTimer) {
        stopFadeOut();
        m_scratchImage = {};
    }
    if (m_alpha == 0.0)
        m_alpha = FaintestAlpha;
    // The hover look over white, as opaque as the fade has come.
    const QImage over = classOverImage();
    QImage step(over.size(), QImage::Format_ARGB32_Premultiplied);
    step.fill(Qt::white);
    {
        QPainter painter(&step);
        painter.setOpacity(std::min(m_alpha, 1.0));
        painter.drawImage(QPointF(0, 0), over);
    }
    m_scratchImage = step;
    setImage(m_scratchImage);
    if (ruler())
        ruler()->setNeedsDisplay();
    if (m_alpha >= 1.0) {
        stopFadeIn();
        return;
    }
    // The last step shows full opacity and no more.
    m_alpha = std::min(m_alpha * FadeFactor, 1.0);
    if (!m_fadeInTimer)
        m_fadeInTimer = RunLoop::postAfterDelay(0.0, [this] { fadeIn(true); });
}

void RVRulerPlusMarker::fadeOut(bool fromTimer)
{
    if (fromTimer)
        m_fadeOutTimer = 0;
    if (m_fadeInTimer) {
        stopFadeIn();
        m_scratchImage = {};
    }
    QImage step(image().size(), QImage::Format_ARGB32_Premultiplied);
    step.fill(Qt::white);
    if (m_alpha > FaintestAlpha) {
        QPainter painter(&step);
        painter.setOpacity(std::min(m_alpha, 1.0));
        painter.drawImage(QPointF(0, 0), classDefaultImage());
    }
    m_scratchImage = step;
    setImage(m_scratchImage);
    if (ruler())
        ruler()->setNeedsDisplay();
    if (m_alpha > FaintestAlpha) {
        m_alpha /= FadeFactor;
        if (!m_fadeOutTimer)
            m_fadeOutTimer = RunLoop::postAfterDelay(FadeOutInterval, [this] { fadeOut(true); });
        return;
    }
    m_alpha = 0.0;
    stopFadeOut();
    removeSelf();
}
