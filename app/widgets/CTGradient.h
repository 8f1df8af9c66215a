#pragma once

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QString>
#include <QVariantMap>
#include <optional>
#include <vector>

class QPainter;
class QPainterPath;

// A list of colour stops evaluated at positions 0.0 to 1.0 and painted along an angle. Angles are
// in degrees, counter-clockwise on screen: 0 paints left to right, 90 bottom to top.
class CTGradient
{
public:
    struct ColorStop {
        double red = 0.0;
        double green = 0.0;
        double blue = 0.0;
        double alpha = 0.0;
        double position = 0.0;
    };

    // Only linear blending exists.
    static constexpr int LinearBlendingMode = 0;

    CTGradient() = default;
    virtual ~CTGradient() = default;
    CTGradient(const CTGradient&) = default;
    CTGradient& operator=(const CTGradient&) = default;

    static CTGradient gradientWithBeginningColor(const QColor& begin, const QColor& end);

    // Inserts after every stop at or before `position`, so equal positions keep their order.
    void addColorStop(const QColor& color, double position);
    const std::vector<ColorStop>& colorStops() const { return m_stops; }
    int blendingMode() const { return m_blendingMode; }

    // Every stop copied with the given alpha.
    CTGradient gradientWithAlphaComponent(double alpha) const;

    // The colour at `position`, not premultiplied: opaque white without stops, the first stop's
    // colour at or before it, the last stop's after it, linear between neighbours.
    QColor colorAt(double position) const;

    // The line the colours run along to cover `rect` at `angle`, in painter coordinates (y down):
    // its start takes position 0.0 and its end 1.0.
    static QLineF axisForRect(const QRectF& rect, double angle);

    void fillRect(QPainter& painter, const QRectF& rect, double angle) const;
    // The colours run along `angle` across the path's own extent in that direction.
    void fillBezierPath(QPainter& painter, const QPainterPath& path, double angle) const;

    // The keyed archive: "CTGradientBlendingMode", "CTGradientElementCount", then red, green,
    // blue, alpha and position of each stop under the sequential keys "$0", "$1"...
    QVariantMap encodeWithCoder() const;
    // nullopt, with `error` set, for an archive that is not one of the above.
    static std::optional<CTGradient> initWithCoder(const QVariantMap& archive, QString* error = nullptr);

protected:
    void copyStopsWithAlpha(const CTGradient& from, double alpha);

private:
    std::vector<ColorStop> m_stops;
    int m_blendingMode = LinearBlendingMode;
};
