#include "TestImages.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <limits>

namespace TestImages
{
namespace
{

QImage unpremultiplied(const QImage& image)
{
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

} // namespace

QImage photoLike(int width, int height, QImage::Format format, std::uint32_t seed)
{
    QImage image(width, height, QImage::Format_ARGB32);
    std::uint32_t state = seed;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return int(state >> 28) - 8; // -8 .. 7
    };
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = width > 1 ? double(x) / (width - 1) : 0.5;
            const double v = height > 1 ? double(y) / (height - 1) : 0.5;
            const bool inside = (x - width / 2) * (x - width / 2) + (y - height / 2) * (y - height / 2)
                < (width * height) / 10;
            const int r = std::clamp(int(40 + 170 * u) + noise() + (inside ? 30 : 0), 0, 255);
            const int g = std::clamp(int(60 + 150 * v) + noise(), 0, 255);
            const int b = std::clamp(int(200 - 120 * u * v) + noise() - (inside ? 60 : 0), 0, 255);
            const int a = int(std::lround(255 * u));
            line[x] = qRgba(r, g, b, a);
        }
    }
    if (!QImage(1, 1, format).hasAlphaChannel()) {
        for (int y = 0; y < height; ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                line[x] |= 0xFF000000u;
        }
    }
    return image.convertToFormat(format);
}

double psnr(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return -1;
    const bool grey = a.format() == QImage::Format_Grayscale8 && b.format() == QImage::Format_Grayscale8;
    const bool alpha = a.hasAlphaChannel() && b.hasAlphaChannel();
    const QImage ua = unpremultiplied(a), ub = unpremultiplied(b);
    double squares = 0;
    qint64 samples = 0;
    for (int y = 0; y < ua.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(ua.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(ub.constScanLine(y));
        for (int x = 0; x < ua.width(); ++x) {
            auto add = [&](int p, int q) {
                squares += double(p - q) * (p - q);
                ++samples;
            };
            add(qRed(la[x]), qRed(lb[x]));
            if (!grey) {
                add(qGreen(la[x]), qGreen(lb[x]));
                add(qBlue(la[x]), qBlue(lb[x]));
            }
            if (alpha)
                add(qAlpha(la[x]), qAlpha(lb[x]));
        }
    }
    if (squares == 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 / (squares / double(samples)));
}

int maximumChannelDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    const QImage ua = a.convertToFormat(QImage::Format_ARGB32), ub = b.convertToFormat(QImage::Format_ARGB32);
    int worst = 0;
    for (int y = 0; y < ua.height(); ++y) {
        const auto* la = reinterpret_cast<const QRgb*>(ua.constScanLine(y));
        const auto* lb = reinterpret_cast<const QRgb*>(ub.constScanLine(y));
        for (int x = 0; x < ua.width(); ++x) {
            worst = std::max(
                { worst, std::abs(qRed(la[x]) - qRed(lb[x])), std::abs(qGreen(la[x]) - qGreen(lb[x])),
                    std::abs(qBlue(la[x]) - qBlue(lb[x])), std::abs(qAlpha(la[x]) - qAlpha(lb[x])) });
        }
    }
    return worst;
}

QByteArray codestreamOf(const QByteArray& jp2)
{
    qsizetype at = 0;
    while (jp2.size() - at >= 8) {
        const quint32 length = qFromBigEndian<quint32>(jp2.constData() + at);
        if (jp2.mid(at + 4, 4) == "jp2c")
            return jp2.mid(at + 8, length == 0 ? -1 : qsizetype(length) - 8);
        if (length < 8)
            return {};
        at += length;
    }
    return {};
}

qsizetype sizeMarkerOffset(const QByteArray& data)
{
    const qsizetype at = data.indexOf(QByteArray("\xFF\x4F\xFF\x51", 4));
    return at < 0 ? -1 : at + 4;
}

void writeBig16(QByteArray& data, qsizetype at, quint16 value)
{
    qToBigEndian(value, data.data() + at);
}

void writeBig32(QByteArray& data, qsizetype at, quint32 value)
{
    qToBigEndian(value, data.data() + at);
}

} // namespace TestImages
