#include "BLGradient.h"

BLGradient::BLGradient(const CTGradient& gradient, double angle)
    : CTGradient(gradient)
    , m_angle(angle)
{
}

BLGradient BLGradient::gradientWithBeginningColor(const QColor& begin, const QColor& end, double angle)
{
    return BLGradient(CTGradient::gradientWithBeginningColor(begin, end), angle);
}

BLGradient BLGradient::gradientWithAlphaComponent(double alpha) const
{
    return BLGradient(CTGradient::gradientWithAlphaComponent(alpha), m_angle);
}
