#include "ImageCoding.h"

#include "ImagingErrors.h"
#include "Jpeg2000.h"
#include "TestImages.h"

#include <QBuffer>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace TestImages;

namespace
{

QByteArray encoded(const QImage& image, const char* format, int quality = -1)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality));
    return data;
}

quint32 crc32(const QByteArray& bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (char c : bytes) {
        crc ^= quint8(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

} // namespace

TEST(ImageCoding, ReadsEveryFormatThroughOneEntry)
{
    const QImage original = photoLike(37, 23, QImage::Format_ARGB32);
    const struct {
        const char* name;
        QByteArray data;
        int tolerance;
    } cases[] = {
        { "png", encoded(original, "PNG"), 0 },
        { "bmp", encoded(original.convertToFormat(QImage::Format_RGB32), "BMP"), -1 },
        { "jpeg", encoded(original.convertToFormat(QImage::Format_RGB32), "JPEG", 95), -1 },
        { "jp2", Jpeg2000::dataFromImage(original, 1.0), 0 },
        { "j2k", codestreamOf(Jpeg2000::dataFromImage(original, 1.0)), 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        const QImage image = ImageCoding::imageFromData(c.data, &error);
        ASSERT_FALSE(image.isNull()) << error.localizedDescription.toStdString();
        EXPECT_TRUE(error.isNull());
        EXPECT_EQ(image.size(), original.size());
        if (c.tolerance == 0) {
            EXPECT_EQ(maximumChannelDifference(image, original), 0);
        }
    }
}

TEST(ImageCoding, UnreadableDataIsAnError)
{
    QByteArray png = encoded(photoLike(30, 30, QImage::Format_RGB32), "PNG");
    const struct {
        const char* name;
        QByteArray data;
        int code;
    } cases[] = {
        { "empty", QByteArray(), ImagingErrors::UnknownFormat },
        { "text", QByteArray("Pancakes for four"), ImagingErrors::UnknownFormat },
        { "truncated png", png.left(png.size() / 2), ImagingErrors::DamagedData },
        { "damaged jp2", Jpeg2000::jp2Signature() + QByteArray(40, 'x'), ImagingErrors::DamagedData },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        EXPECT_TRUE(ImageCoding::imageFromData(c.data, &error).isNull());
        EXPECT_EQ(error.domain, ImagingErrors::domain);
        EXPECT_EQ(error.code, c.code) << error.localizedDescription.toStdString();
    }
}

TEST(ImageCoding, HugeDeclaredPngIsRefusedBeforeDecoding)
{
    QByteArray png = encoded(photoLike(8, 8, QImage::Format_RGB32), "PNG");
    // IHDR: length at 8, type at 12, width at 16, height at 20, CRC over type and data at 29.
    ASSERT_EQ(png.mid(12, 4), "IHDR");
    qToBigEndian<quint32>(100000, png.data() + 16);
    qToBigEndian<quint32>(100000, png.data() + 20);
    qToBigEndian<quint32>(crc32(png.mid(12, 17)), png.data() + 29);
    Error error;
    EXPECT_TRUE(ImageCoding::imageFromData(png, &error).isNull());
    EXPECT_EQ(error.code, ImagingErrors::TooLarge) << error.localizedDescription.toStdString();
}

TEST(ImageCoding, JpegDataFollowsTheFactorAndFlattensAlphaOntoWhite)
{
    const QImage original = photoLike(120, 90, QImage::Format_RGB32, 3);
    Error error;
    const QByteArray small = ImageCoding::jpegData(original, 0.2, &error);
    const QByteArray large = ImageCoding::jpegData(original, 0.9, &error);
    EXPECT_TRUE(error.isNull());
    EXPECT_LT(small.size(), large.size());
    const QImage decoded = ImageCoding::imageFromData(large);
    ASSERT_EQ(decoded.size(), original.size());
    EXPECT_GT(psnr(decoded, original), 30.0);

    QImage transparent(16, 16, QImage::Format_ARGB32);
    transparent.fill(Qt::transparent);
    const QImage flattened = ImageCoding::imageFromData(ImageCoding::jpegData(transparent, 1.0));
    EXPECT_GE(qGray(flattened.pixel(8, 8)), 250);

    EXPECT_TRUE(ImageCoding::jpegData(QImage(), 0.8, &error).isEmpty());
    EXPECT_EQ(error.code, ImagingErrors::InvalidImage);
}

TEST(ImageCoding, JpegOrientationIsApplied)
{
    // An Exif segment saying "rotate 90 degrees clockwise to show", right after the start marker.
    const QByteArray exif("\xFF\xE1\x00\x22"
                          "Exif\x00\x00"
                          "MM\x00\x2A\x00\x00\x00\x08"
                          "\x00\x01"
                          "\x01\x12\x00\x03\x00\x00\x00\x01\x00\x06\x00\x00"
                          "\x00\x00\x00\x00",
        36);
    QByteArray data = encoded(photoLike(40, 20, QImage::Format_RGB32), "JPEG");
    data.insert(2, exif);
    EXPECT_EQ(ImageCoding::imageFromData(data).size(), QSize(20, 40));
}
