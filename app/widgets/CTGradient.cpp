#include "CTGradient.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace
{

const QString BlendingModeKey = QStringLiteral("CTGradientBlendingMode");
const QString ElementCountKey = QStringLiteral("CTGradientElementCount");
constexpr int ValuesPerStop = 5;

QString sequentialKey(qsizetype n)
{
    return QStringLiteral("$%1").arg(n);
}

std::optional<double> number(const QVariant& value)
{
    bool ok = false;
    const double result = value.toDouble(&ok);
    if (!ok || !std::isfinite(result))
        return std::nullopt;
    return result;
}

QColor colorOf(double red, double green, double blue, double alpha)
{
    const auto unit = [](double v) { return std::clamp(v, 0.0, 1.0); };
    return QColor::fromRgbF(float(unit(red)), float(unit(green)), float(unit(blue)), float(unit(alpha)));
}

QColor colorOf(const CTGradient::ColorStop& stop)
{
    return colorOf(stop.red, stop.green, stop.blue, stop.alpha);
}

// Qt's stops lie within 0.0 and 1.0 and keep one colour per position: stops outside are replaced
// by the colours at the ends, and a second stop at a position (a hard edge: the first stop's
// colour at it, the last one's just after) is moved a hair to the right.
QGradientStops qtStops(const CTGradient& gradient)
{
    const std::vector<CTGradient::ColorStop>& stops = gradient.colorStops();
    QGradientStops result;
    if (stops.front().position < 0.0)
        result.append({ 0.0, gradient.colorAt(0.0) });
    for (const CTGradient::ColorStop& stop : stops) {
        if (stop.position < 0.0 || stop.position > 1.0)
            continue;
        qreal position = stop.position;
        if (!result.isEmpty() && position <= result.last().first)
            position = std::nextafter(result.last().first, 2.0);
        if (position <= 1.0)
            result.append({ position, colorOf(stop) });
    }
    if (stops.back().position > 1.0 && (result.isEmpty() || result.last().first < 1.0))
        result.append({ 1.0, gradient.colorAt(1.0) });
    return result;
}

} // namespace

CTGradient CTGradient::gradientWithBeginningColor(const QColor& begin, const QColor& end)
{
    CTGradient gradient;
    gradient.addColorStop(begin, 0.0);
    gradient.addColorStop(end, 1.0);
    return gradient;
}

void CTGradient::addColorStop(const QColor& color, double position)
{
    // A stop without a place would break the order every evaluation relies on.
    if (std::isnan(position))
        return;
    const QColor rgb = color.toRgb();
    const ColorStop stop { rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF(), position };
    const auto after = std::upper_bound(m_stops.begin(), m_stops.end(), position,
        [](double p, const ColorStop& existing) { return p < existing.position; });
    m_stops.insert(after, stop);
}

CTGradient CTGradient::gradientWithAlphaComponent(double alpha) const
{
    CTGradient gradient;
    gradient.copyStopsWithAlpha(*this, alpha);
    return gradient;
}

void CTGradient::copyStopsWithAlpha(const CTGradient& from, double alpha)
{
    m_stops = from.m_stops;
    for (ColorStop& stop : m_stops)
        stop.alpha = alpha;
}

QColor CTGradient::colorAt(double position) const
{
    if (m_stops.empty())
        return QColor::fromRgbF(1, 1, 1, 1);
    if (std::isnan(position))
        position = 0.0;
    auto b = std::find_if(
        m_stops.begin(), m_stops.end(), [&](const ColorStop& stop) { return stop.position >= position; });
    if (b == m_stops.end())
        b = std::prev(m_stops.end());
    const ColorStop& stopB = *b;
    const ColorStop& stopA = b == m_stops.begin() ? stopB : *std::prev(b);
    if (stopA.position >= position)
        return colorOf(stopA);
    if (position >= stopB.position)
        return colorOf(stopB);
    const double t = (position - stopA.position) / (stopB.position - stopA.position);
    const auto mix = [t](double a, double b) { return a + (b - a) * t; };
    return colorOf(mix(stopA.red, stopB.red), mix(stopA.green, stopB.green), mix(stopA.blue, stopB.blue),
        mix(stopA.alpha, stopB.alpha));
}

QLineF CTGradient::axisForRect(const QRectF& rect, double angle)
{
    // Worked out with y up, as the angle is: the bottom edge is rect.bottom() in painter terms.
    const double x = rect.x();
    const double bottom = rect.y() + rect.height();
    const double w = rect.width();
    const double h = rect.height();
    if (angle == 0.0)
        return QLineF(x, bottom, x + w, bottom);
    if (angle == 90.0)
        return QLineF(x, bottom, x, rect.y());

    const double t = qDegreesToRadians(angle);
    double length;
    if (std::abs(std::tan(t)) <= 1.0) {
        length = w / std::abs(std::cos(t)) + std::abs(std::sin(t)) * (h - std::abs(std::tan(t)) * w);
    } else {
        const double u = t - qDegreesToRadians(90.0);
        length = h / std::abs(std::cos(u)) + std::abs(std::sin(u)) * (w - std::abs(std::tan(u)) * h);
    }
    const QPointF centre = rect.center();
    const QPointF half(length / 2 * std::cos(t), -length / 2 * std::sin(t));
    return QLineF(centre - half, centre + half);
}

void CTGradient::fillRect(QPainter& painter, const QRectF& rect, double angle) const
{
    if (rect.isEmpty())
        return;
    if (m_stops.empty()) {
        painter.fillRect(rect, Qt::white);
        return;
    }
    const QLineF axis = axisForRect(rect, angle);
    QLinearGradient gradient(axis.p1(), axis.p2());
    gradient.setStops(qtStops(*this));
    painter.fillRect(rect, gradient);
}

void CTGradient::fillBezierPath(QPainter& painter, const QPainterPath& path, double angle) const
{
    // Turned so the angle runs along +x, the path's bounds are its extent along the angle.
    QTransform toAxis;
    toAxis.rotate(angle);
    const QPainterPath turned = toAxis.map(path);
    const QRectF bounds = turned.boundingRect();
    if (bounds.isEmpty())
        return;
    painter.save();
    painter.setTransform(toAxis.inverted(), true);
    painter.setClipPath(turned, Qt::IntersectClip);
    fillRect(painter, bounds, 0.0);
    painter.restore();
}

QVariantMap CTGradient::encodeWithCoder() const
{
    QVariantMap archive;
    archive.insert(BlendingModeKey, m_blendingMode);
    archive.insert(ElementCountKey, qsizetype(m_stops.size()));
    qsizetype n = 0;
    for (const ColorStop& stop : m_stops) {
        for (double value : { stop.red, stop.green, stop.blue, stop.alpha, stop.position })
            archive.insert(sequentialKey(n++), value);
    }
    return archive;
}

std::optional<CTGradient> CTGradient::initWithCoder(const QVariantMap& archive, QString* error)
{
    const auto fail = [&](const QString& message) -> std::optional<CTGradient> {
        if (error)
            *error = message;
        return std::nullopt;
    };
    bool ok = false;
    const int mode = archive.value(BlendingModeKey).toInt(&ok);
    if (!ok || mode != LinearBlendingMode)
        return fail(QStringLiteral("The gradient's blending mode is missing or not linear."));
    const qlonglong count = archive.value(ElementCountKey).toLongLong(&ok);
    // More stops than values in the archive cannot be read, whatever the count says.
    if (!ok || count < 0 || count > archive.size() / ValuesPerStop)
        return fail(QStringLiteral("The gradient's number of colour stops is missing or wrong."));

    CTGradient gradient;
    gradient.m_blendingMode = mode;
    for (qlonglong i = 0; i < count; ++i) {
        double values[ValuesPerStop];
        for (int v = 0; v < ValuesPerStop; ++v) {
            const std::optional<double> value = number(archive.value(sequentialKey(i * ValuesPerStop + v)));
            if (!value)
                return fail(
                    QStringLiteral("Colour stop %1 of the gradient is missing or not a number.").arg(i + 1));
            values[v] = *value;
        }
        ColorStop stop { values[0], values[1], values[2], values[3], values[4] };
        const auto after = std::upper_bound(gradient.m_stops.begin(), gradient.m_stops.end(), stop.position,
            [](double p, const ColorStop& existing) { return p < existing.position; });
        gradient.m_stops.insert(after, stop);
    }
    return gradient;
}
