#pragma once

#include "CTGradient.h"

// A gradient that carries its angle, so a view keeps one fill object.
class BLGradient : public CTGradient
{
public:
    BLGradient() = default;
    explicit BLGradient(const CTGradient& gradient, double angle = 0.0);

    static BLGradient gradientWithBeginningColor(const QColor& begin, const QColor& end, double angle = 0.0);

    double angle() const { return m_angle; }
    void setAngle(double angle) { m_angle = angle; }

    using CTGradient::fillBezierPath;
    using CTGradient::fillRect;
    void fillRect(QPainter& painter, const QRectF& rect) const
    {
        CTGradient::fillRect(painter, rect, m_angle);
    }
    void fillBezierPath(QPainter& painter, const QPainterPath& path) const
    {
        CTGradient::fillBezierPath(painter, path, m_angle);
    }

    // Keeps the angle.
    BLGradient gradientWithAlphaComponent(double alpha) const;

private:
    double m_angle = 0.0;
};
