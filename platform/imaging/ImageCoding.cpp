#include "ImageCoding.h"

#include "ImagingErrors.h"
#include "Jpeg2000.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace ImageCoding
{
namespace
{

using ImagingErrors::fail;

QString tr(const char* text)
{
    return QCoreApplication::translate("ImageCoding", text);
}

// Enough for the largest allowed picture at 16 bits per channel, in the reader's megabytes.
constexpr int allocationLimitMegabytes = int(ImagingErrors::maximumPixelCount * 8 / (1024 * 1024));

} // namespace

QImage imageFromData(const QByteArray& data, Error* error, int longerSideAtLeast)
{
    if (data.isEmpty()) {
        fail(error, ImagingErrors::UnknownFormat, tr("There is no picture data."));
        return {};
    }
    if (Jpeg2000::containerOfData(data) != Jpeg2000::Container::None)
        return Jpeg2000::imageFromData(data, error, longerSideAtLeast);

    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.setAutoTransform(true);
    reader.setAllocationLimit(allocationLimitMegabytes);
    if (!reader.canRead()) {
        fail(error, ImagingErrors::UnknownFormat, tr("The data is not a picture in a known format."));
        return {};
    }
    const QSize declared = reader.size();
    if (declared.isValid()
        && qint64(declared.width()) * declared.height() > ImagingErrors::maximumPixelCount) {
        fail(error, ImagingErrors::TooLarge,
            tr("The picture declares %1 x %2 pixels, more than can be read.")
                .arg(declared.width())
                .arg(declared.height()));
        return {};
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        fail(error, ImagingErrors::DamagedData, tr("The picture could not be read."),
            { reader.errorString() });
        return {};
    }
    return image;
}

QByteArray jpeg2000Data(const QImage& image, double compressionFactor, Error* error)
{
    return Jpeg2000::dataFromImage(image, compressionFactor, error);
}

QByteArray jpegData(const QImage& image, double compressionFactor, Error* error)
{
    if (image.isNull()) {
        fail(error, ImagingErrors::InvalidImage, tr("There is no picture to write."));
        return {};
    }
    if (std::isnan(compressionFactor)) {
        fail(error, ImagingErrors::InvalidImage, tr("The compression factor is not a number."));
        return {};
    }
    QImage opaque = image;
    if (image.hasAlphaChannel()) {
        opaque = QImage(image.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(QRect(QPoint(0, 0), image.size()), image);
    }

    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(int(std::lround(std::clamp(compressionFactor, 0.0, 1.0) * 100.0)));
    if (!writer.write(opaque)) {
        fail(error, ImagingErrors::EncodingFailed, tr("The picture could not be written as JPEG."),
            { writer.errorString() });
        return {};
    }
    return data;
}

} // namespace ImageCoding
