#pragma once

#include "RVRulerMarker.h"

// The marker beside each item: a release on it removes the item. While the pointer is level with
// it, a plus marker fades in beside it (one at a time), to add an item after this one.
class RVRulerMinusMarker : public RVRulerMarker
{
public:
    using RVRulerMarker::RVRulerMarker;

    // "MinusMarker"; with "MinusOverMask" at 0.15; with "DownMask" at 0.3.
    static QImage classDefaultImage();
    static QImage classOverImage();
    static QImage classDownImage();

    void mouseUpAtPoint(QPointF point) override;
    void mouseMovedToPoint(QPointF point) override;

protected:
    const char* className() const override { return "RVRulerMinusMarker"; }
};
