#include "RVRulerMinusMarker.h"

#include "RVRulerPlusMarker.h"
#include "RVRulerView.h"
#include "RulerArtwork.h"

QImage RVRulerMinusMarker::classDefaultImage()
{
    return RulerArtwork::image(QStringLiteral("MinusMarker"));
}

QImage RVRulerMinusMarker::classOverImage()
{
    return RulerArtwork::dissolved(
        classDefaultImage(), RulerArtwork::image(QStringLiteral("MinusOverMask")), 0.15);
}

QImage RVRulerMinusMarker::classDownImage()
{
    return RulerArtwork::dissolved(classDefaultImage(), RulerArtwork::image(QStringLiteral("DownMask")), 0.3);
}

void RVRulerMinusMarker::mouseUpAtPoint(QPointF point)
{
    endMouseDown();
    if (imageContains(point) && ruler())
        ruler()->remove(this);
}

void RVRulerMinusMarker::mouseMovedToPoint(QPointF point)
{
    const QRectF rect = imageRectInRuler();
    RVRulerView* view = ruler();
    if (view && point.y() >= rect.top() && point.y() <= rect.bottom()) {
        bool shown = false;
        for (RVRulerMarker* marker : view->markers())
            if (dynamic_cast<RVRulerPlusMarker*>(marker) && marker->markerLocation() == markerLocation()) {
                shown = true;
                break;
            }
        if (!shown) {
            auto plus = std::make_unique<RVRulerPlusMarker>(
                view, markerLocation(), RVRulerPlusMarker::classDefaultImage(), QPointF(-15.0, 0.0));
            plus->setRepresentedObject(representedObject());
            plus->setIndex(index());
            RVRulerPlusMarker* spawned = plus.get();
            view->addMarker(std::move(plus));
            spawned->fadeIn(false);
        }
    }
    RVRulerMarker::mouseMovedToPoint(point);
}
