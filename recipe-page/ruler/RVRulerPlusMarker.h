#pragma once

#include "RVRulerMarker.h"
#include "RunLoop.h"

// The marker that adds an item after its own: placed for good after a list's last item, or
// spawned by a minus marker while the pointer is level with it. A spawned one fades in over the
// next turns of the run loop, stays while the pointer is in its band, and fades out over about
// 1.35 s once the pointer leaves, then takes itself off the ruler. Its timers go with it.
class RVRulerPlusMarker : public RVRulerMarker
{
public:
    // Fade steps: the factor per step, the fade-out's step interval, and the faintest level.
    static constexpr double FadeFactor = 1.15;
    static constexpr double FadeOutInterval = 0.05;
    static constexpr double FaintestAlpha = 0.025;

    RVRulerPlusMarker(RVRulerView* ruler, double markerLocation, const QImage& image, QPointF imageOrigin);
    ~RVRulerPlusMarker() override;

    // "PlusMarker"; with "PlusOverMask" at 0.15; with "DownMask" at 0.3.
    static QImage classDefaultImage();
    static QImage classOverImage();
    static QImage classDownImage();

    // 0 for a marker that never faded (the one placed after the last item); never above 1.
    double alpha() const { return m_alpha; }
    bool isFadingIn() const { return m_fadeInTimer != 0; }
    bool isFadingOut() const { return m_fadeOutTimer != 0; }

    void mouseUpAtPoint(QPointF point) override;
    void mouseMovedToPoint(QPointF point) override;
    // One step each; `fromTimer` when the step's own timer called it.
    void fadeIn(bool fromTimer);
    void fadeOut(bool fromTimer);
    void markerWasRemoved() override;

protected:
    const char* className() const override { return "RVRulerPlusMarker"; }

private:
    void stopFadeIn();
    void stopFadeOut();

    double m_alpha = 0.0;
    RunLoop::Token m_fadeInTimer = 0;
    RunLoop::Token m_fadeOutTimer = 0;
    QImage m_scratchImage;
};
