#pragma once

#include <QRect>
#include <QSize>

// The arithmetic of the preferences window's pane switching, apart from the widgets.
namespace PrefsPaneGeometry
{

// Seconds a cross-fade between panes takes: slow while Shift is held and that may slow it.
constexpr double kCrossFadeDuration = 0.25;
constexpr double kSlowCrossFadeDuration = 1.25;
double crossFadeDuration(bool shiftSlowsAnimation, bool shiftDown);

// The window's geometry (its area inside the decorations, y downwards) for showing a pane of
// `viewSize`: the window keeps its left and top edges, becomes as wide as the pane, and as tall as
// the pane plus what the window holds above its content (the toolbar).
QRect frameForView(const QRect& windowGeometry, int contentHeight, const QSize& viewSize);

} // namespace PrefsPaneGeometry
