#pragma once

#include <QPainterPath>
#include <QRectF>

class QPainter;

// Rounded rectangles for the application's drawing. Paths use the y-up convention of the rest
// of the drawing code: the first corner is the one at the rectangle's minimum x and y.
namespace CocoaDevCategory
{

// A closed path around rect with corners of the given radius, capped at half the shorter side
// (so a large radius gives a pill); a radius of 0 or less gives the plain rectangle.
QPainterPath bezierPathWithRoundRectInRect(const QRectF& rect, qreal radius);

// Fill or stroke that path with the painter's current brush, or pen.
void fillRoundRectInRect(QPainter& painter, const QRectF& rect, qreal radius);
void strokeRoundRectInRect(QPainter& painter, const QRectF& rect, qreal radius);

} // namespace CocoaDevCategory
