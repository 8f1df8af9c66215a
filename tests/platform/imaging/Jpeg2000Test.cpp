#include "Jpeg2000.h"

#include "ImagingErrors.h"
#include "TestImages.h"

#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <openjpeg.h>
#include <vector>

using namespace TestImages;

namespace
{

QImage roundTrip(const QImage& image, double factor, QByteArray* data = nullptr)
{
    Error error;
    const QByteArray bytes = Jpeg2000::dataFromImage(image, factor, &error);
    EXPECT_TRUE(error.isNull()) << error.localizedDescription.toStdString();
    if (data)
        *data = bytes;
    Error readError;
    const QImage decoded = Jpeg2000::imageFromData(bytes, &readError);
    EXPECT_TRUE(readError.isNull()) << readError.localizedDescription.toStdString();
    return decoded;
}

} // namespace

TEST(Jpeg2000, ContainerIsToldByMagicBytes)
{
    const struct {
        QByteArray data;
        Jpeg2000::Container expected;
    } cases[] = {
        { Jpeg2000::jp2Signature() + QByteArray(8, '\0'), Jpeg2000::Container::JP2 },
        { Jpeg2000::jp2Signature(), Jpeg2000::Container::JP2 },
        { Jpeg2000::jp2Signature().left(11), Jpeg2000::Container::None },
        { QByteArray("\xFF\x4F\xFF\x51\x00\x29", 6), Jpeg2000::Container::Codestream },
        { QByteArray("\xFF\x4F\xFF", 3), Jpeg2000::Container::None },
        { QByteArray("\x89PNG\r\n\x1a\n", 8), Jpeg2000::Container::None },
        { QByteArray("\xFF\xD8\xFF\xE0", 4), Jpeg2000::Container::None },
        { QByteArray(), Jpeg2000::Container::None },
    };
    for (const auto& c : cases)
        EXPECT_EQ(Jpeg2000::containerOfData(c.data), c.expected) << c.data.toHex().toStdString();
}

TEST(Jpeg2000, LosslessRoundTripKeepsEveryPixelAndTheLayout)
{
    const struct {
        QImage::Format in;
        QImage::Format out;
    } formats[] = {
        { QImage::Format_RGB32, QImage::Format_RGB32 },
        { QImage::Format_RGB888, QImage::Format_RGB32 },
        { QImage::Format_ARGB32, QImage::Format_ARGB32 },
        { QImage::Format_Grayscale8, QImage::Format_Grayscale8 },
    };
    const QSize sizes[] = { { 1, 1 }, { 1, 9 }, { 3, 7 }, { 33, 17 }, { 64, 48 }, { 130, 5 } };
    for (const auto& f : formats) {
        for (const QSize& size : sizes) {
            SCOPED_TRACE(
                testing::Message() << "format " << f.in << " size " << size.width() << "x" << size.height());
            const QImage original = photoLike(size.width(), size.height(), f.in);
            QByteArray data;
            const QImage decoded = roundTrip(original, 1.0, &data);
            EXPECT_TRUE(data.startsWith(Jpeg2000::jp2Signature()));
            EXPECT_EQ(decoded.size(), size);
            EXPECT_EQ(decoded.format(), f.out);
            EXPECT_EQ(maximumChannelDifference(decoded, original), 0);
        }
    }
}

TEST(Jpeg2000, PremultipliedAlphaComesBackUnpremultiplied)
{
    const QImage original = photoLike(40, 30, QImage::Format_ARGB32);
    const QImage decoded = roundTrip(original.convertToFormat(QImage::Format_ARGB32_Premultiplied), 1.0);
    EXPECT_EQ(decoded.format(), QImage::Format_ARGB32);
    // Premultiplying loses colour precision where alpha is small; compare where it is opaque enough.
    const QImage expected = original.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                .convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(maximumChannelDifference(decoded, expected), 0);
}

TEST(Jpeg2000, GreyColourTableIsWrittenAsGrey)
{
    QImage indexed(10, 6, QImage::Format_Indexed8);
    QList<QRgb> table;
    for (int i = 0; i < 256; ++i)
        table.append(qRgb(i, i, i));
    indexed.setColorTable(table);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            indexed.setPixel(x, y, uint(x * 25 + y));
    const QImage decoded = roundTrip(indexed, 1.0);
    EXPECT_EQ(decoded.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(maximumChannelDifference(decoded, indexed), 0);
}

// Lossy writing: from factor 0.5 up the PSNR is within 2 dB of the documented target (the codec
// estimates distortion in its transformed domain); lower factors must give smaller data.
TEST(Jpeg2000, LossyQualityFollowsTheCompressionFactor)
{
    const struct {
        QImage::Format format;
        int width, height;
    } pictures[] = { { QImage::Format_RGB32, 160, 120 }, { QImage::Format_ARGB32, 97, 61 },
        { QImage::Format_Grayscale8, 128, 96 } };
    for (const auto& p : pictures) {
        const QImage original = photoLike(p.width, p.height, p.format, 7);
        qsizetype previousSize = 0;
        for (double factor : { 0.0, 0.5, 0.8, 0.95 }) {
            SCOPED_TRACE(testing::Message() << "format " << p.format << " factor " << factor);
            QByteArray data;
            const QImage decoded = roundTrip(original, factor, &data);
            ASSERT_EQ(decoded.size(), original.size());
            const double measured = psnr(decoded, original);
            if (factor >= 0.5) {
                EXPECT_GE(measured, Jpeg2000::targetPsnrForCompressionFactor(factor) - 2.0);
            } else {
                EXPECT_GE(measured, 18.0); // coarse, but still the picture
            }
            EXPECT_GT(data.size(), previousSize);
            previousSize = data.size();
        }
        QByteArray lossless;
        roundTrip(original, 1.0, &lossless);
        EXPECT_GT(lossless.size(), previousSize);
    }
}

TEST(Jpeg2000, CompressionFactorMapping)
{
    EXPECT_DOUBLE_EQ(Jpeg2000::targetPsnrForCompressionFactor(0.0), 25.0);
    EXPECT_DOUBLE_EQ(Jpeg2000::targetPsnrForCompressionFactor(0.8), 41.0);
    EXPECT_DOUBLE_EQ(Jpeg2000::targetPsnrForCompressionFactor(-3.0), 25.0);
    // Out-of-range factors write as their clamped values.
    const QImage original = photoLike(20, 20, QImage::Format_RGB32);
    EXPECT_EQ(maximumChannelDifference(roundTrip(original, 7.5), original), 0);
    EXPECT_FALSE(roundTrip(original, -1.0).isNull());
}

TEST(Jpeg2000, AlphaSurvivesLossyWriting)
{
    const QImage original = photoLike(64, 64, QImage::Format_ARGB32);
    const QImage decoded = roundTrip(original, 0.8);
    ASSERT_EQ(decoded.format(), QImage::Format_ARGB32);
    EXPECT_LE(qAbs(qAlpha(decoded.pixel(0, 10)) - 0), 4);
    EXPECT_LE(qAbs(qAlpha(decoded.pixel(63, 10)) - 255), 4);
    EXPECT_LE(qAbs(qAlpha(decoded.pixel(32, 40)) - qAlpha(original.pixel(32, 40))), 6);
}

TEST(Jpeg2000, ReadsTheBareCodestream)
{
    const QImage original = photoLike(21, 13, QImage::Format_ARGB32);
    const QByteArray codestream = codestreamOf(Jpeg2000::dataFromImage(original, 1.0));
    ASSERT_EQ(Jpeg2000::containerOfData(codestream), Jpeg2000::Container::Codestream);
    Error error;
    const QImage decoded = Jpeg2000::imageFromData(codestream, &error);
    EXPECT_TRUE(error.isNull()) << error.localizedDescription.toStdString();
    // Without channel definitions the fourth component is taken as opacity.
    EXPECT_EQ(decoded.format(), QImage::Format_ARGB32);
    EXPECT_EQ(maximumChannelDifference(decoded, original), 0);
}

TEST(Jpeg2000, RefusesWhatCannotBeWritten)
{
    const struct {
        QImage image;
        double factor;
    } cases[] = { { QImage(), 0.8 }, { QImage(4, 4, QImage::Format_RGB32), std::nan("") } };
    for (const auto& c : cases) {
        Error error;
        EXPECT_TRUE(Jpeg2000::dataFromImage(c.image, c.factor, &error).isEmpty());
        EXPECT_EQ(error.domain, ImagingErrors::domain);
        EXPECT_EQ(error.code, ImagingErrors::InvalidImage);
    }
}

namespace
{

struct ComponentLayout {
    OPJ_UINT32 step; // sample spacing on both axes
    OPJ_UINT32 precision;
    bool isSigned;
};

// A lossless bare codestream written by the codec itself, for layouts our writer never makes.
// `value(component, x, y)` gives each sample in component coordinates.
QByteArray foreignCodestream(OPJ_UINT32 width, OPJ_UINT32 height, const std::vector<ComponentLayout>& layouts,
    const std::function<int(int, OPJ_UINT32, OPJ_UINT32)>& value)
{
    std::vector<opj_image_cmptparm_t> parameters(layouts.size());
    for (size_t i = 0; i < layouts.size(); ++i) {
        parameters[i] = {};
        parameters[i].dx = parameters[i].dy = layouts[i].step;
        parameters[i].w = (width + layouts[i].step - 1) / layouts[i].step;
        parameters[i].h = (height + layouts[i].step - 1) / layouts[i].step;
        parameters[i].prec = layouts[i].precision;
        parameters[i].sgnd = layouts[i].isSigned;
    }
    opj_image_t* image
        = opj_image_create(OPJ_UINT32(layouts.size()), parameters.data(), OPJ_CLRSPC_UNSPECIFIED);
    if (!image)
        return {};
    image->x1 = width;
    image->y1 = height;
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
        const opj_image_comp_t& c = image->comps[i];
        for (OPJ_UINT32 y = 0; y < c.h; ++y)
            for (OPJ_UINT32 x = 0; x < c.w; ++x)
                c.data[y * c.w + x] = value(int(i), x, y);
    }
    opj_cparameters_t encoding;
    opj_set_default_encoder_parameters(&encoding);
    encoding.tcp_numlayers = 1;
    encoding.tcp_rates[0] = 0;
    encoding.cp_disto_alloc = 1;
    encoding.irreversible = 0;
    encoding.numresolution = 2;
    QTemporaryDir dir;
    const QByteArray path = dir.filePath("foreign.j2k").toLocal8Bit();
    opj_codec_t* codec = opj_create_compress(OPJ_CODEC_J2K);
    opj_stream_t* stream = opj_stream_create_default_file_stream(path.constData(), OPJ_FALSE);
    const bool written = opj_setup_encoder(codec, &encoding, image)
        && opj_start_compress(codec, image, stream) && opj_encode(codec, stream)
        && opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    QFile file(QString::fromLocal8Bit(path));
    if (!written || !file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace

// Codestreams of the kind cameras and scanners write: other precisions, signed samples, grey with
// alpha, YCbCr with chroma at half resolution.
TEST(Jpeg2000, ConvertsForeignLayouts)
{
    const struct {
        const char* name;
        std::vector<ComponentLayout> components;
        std::function<int(int, OPJ_UINT32, OPJ_UINT32)> value;
        QImage::Format format;
        QRgb left, right; // expected at (0, 0) and (15, 9)
    } cases[] = {
        { "12-bit grey", { { 1, 12, false } }, [](int, OPJ_UINT32 x, OPJ_UINT32) { return x < 8 ? 0 : 4095; },
            QImage::Format_Grayscale8, qRgb(0, 0, 0), qRgb(255, 255, 255) },
        { "4-bit grey", { { 1, 4, false } }, [](int, OPJ_UINT32 x, OPJ_UINT32) { return x < 8 ? 5 : 15; },
            QImage::Format_Grayscale8, qRgb(85, 85, 85), qRgb(255, 255, 255) },
        { "signed 8-bit grey", { { 1, 8, true } },
            [](int, OPJ_UINT32 x, OPJ_UINT32) { return x < 8 ? -128 : 127; }, QImage::Format_Grayscale8,
            qRgb(0, 0, 0), qRgb(255, 255, 255) },
        { "grey with alpha", { { 1, 8, false }, { 1, 8, false } },
            [](int c, OPJ_UINT32 x, OPJ_UINT32) { return c == 0 ? 200 : (x < 8 ? 0 : 255); },
            QImage::Format_ARGB32, qRgba(200, 200, 200, 0), qRgba(200, 200, 200, 255) },
        { "16-bit RGB", { { 1, 16, false }, { 1, 16, false }, { 1, 16, false } },
            [](int c, OPJ_UINT32 x, OPJ_UINT32) { return x < 8 ? 65535 * c / 2 : 257 * 40; },
            QImage::Format_RGB32, qRgb(0, 127, 255), qRgb(40, 40, 40) }, // 32767 / 65535 * 255 = 127.498
        // R = Y + 1.402 (Cr - 128), G = Y - 0.344 (Cb - 128) - 0.714 (Cr - 128), B = Y + 1.772 (Cb - 128)
        { "YCbCr 4:2:0", { { 1, 8, false }, { 2, 8, false }, { 2, 8, false } },
            [](int c, OPJ_UINT32 x, OPJ_UINT32) {
                const bool left = (c == 0 ? x : 2 * x) < 8;
                const int values[3] = { left ? 100 : 180, left ? 128 : 60, left ? 200 : 128 };
                return values[c];
            },
            QImage::Format_RGB32, qRgb(201, 49, 100), qRgb(180, 203, 60) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QByteArray data = foreignCodestream(16, 10, c.components, c.value);
        ASSERT_FALSE(data.isEmpty());
        Error error;
        const QImage decoded = Jpeg2000::imageFromData(data, &error);
        ASSERT_TRUE(error.isNull()) << error.localizedDescription.toStdString();
        EXPECT_EQ(decoded.size(), QSize(16, 10));
        EXPECT_EQ(decoded.format(), c.format);
        const QImage argb = decoded.convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(argb.pixel(0, 0), c.left);
        EXPECT_EQ(argb.pixel(15, 9), c.right);
    }
}

// A 600-byte file of one blue quadrant on orange that declares 8192 x 8191 pixels: read in full
// it would take about a gigabyte; a caller keeping 512 pixels pays for 512.
TEST(Jpeg2000, HugeDeclaredPictureIsReadAtTheResolutionTheCallerKeeps)
{
    QFile file(QStringLiteral(KITCHORA_TEST_DATA "/huge-declared.jp2"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    ASSERT_LT(data.size(), 4096);

    Error error;
    EXPECT_TRUE(Jpeg2000::imageFromData(data, &error).isNull());
    EXPECT_EQ(error.code, ImagingErrors::TooLarge);
    EXPECT_TRUE(error.localizedDescription.contains("8192 x 8191"))
        << error.localizedDescription.toStdString();

    const QImage image = Jpeg2000::imageFromData(data, &error, 512);
    ASSERT_FALSE(image.isNull()) << error.localizedDescription.toStdString();
    EXPECT_EQ(image.size(), QSize(512, 512));
    const auto near = [](QRgb a, QColor b) {
        return std::abs(qRed(a) - b.red()) < 24 && std::abs(qGreen(a) - b.green()) < 24
            && std::abs(qBlue(a) - b.blue()) < 24;
    };
    EXPECT_TRUE(near(image.pixel(100, 100), QColor(20, 60, 180)));
    EXPECT_TRUE(near(image.pixel(400, 400), QColor(200, 120, 40)));
    EXPECT_TRUE(near(image.pixel(400, 100), QColor(200, 120, 40)));
}

TEST(Jpeg2000, LowerResolutionLevelsKeepTheLongerSideAtLeastAsAsked)
{
    const QImage original = photoLike(300, 200, QImage::Format_RGB32);
    const QByteArray data = Jpeg2000::dataFromImage(original, 1.0);
    ASSERT_FALSE(data.isEmpty());
    const struct {
        int atLeast;
        QSize expected;
    } cases[] = {
        { 0, QSize(300, 200) },
        { 300, QSize(300, 200) },
        { 299, QSize(300, 200) },
        { 150, QSize(150, 100) },
        { 100, QSize(150, 100) },
        { 75, QSize(75, 50) },
        { 1, QSize(10, 7) }, // the writer's six levels stop at 1/32
        { 1000, QSize(300, 200) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.atLeast);
        Error error;
        const QImage image = Jpeg2000::imageFromData(data, &error, c.atLeast);
        ASSERT_FALSE(image.isNull()) << error.localizedDescription.toStdString();
        EXPECT_EQ(image.size(), c.expected);
    }
    const QImage bare = Jpeg2000::imageFromData(codestreamOf(data), nullptr, 150);
    EXPECT_EQ(bare.size(), QSize(150, 100));
}
