#include "PrefsPaneGeometry.h"

namespace PrefsPaneGeometry
{

double crossFadeDuration(bool shiftSlowsAnimation, bool shiftDown)
{
    return shiftSlowsAnimation && shiftDown ? kSlowCrossFadeDuration : kCrossFadeDuration;
}

QRect frameForView(const QRect& windowGeometry, int contentHeight, const QSize& viewSize)
{
    const int chrome = windowGeometry.height() - contentHeight;
    return QRect(windowGeometry.topLeft(), QSize(viewSize.width(), viewSize.height() + chrome));
}

} // namespace PrefsPaneGeometry
