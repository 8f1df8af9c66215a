#include "ImagingErrors.h"
#include "Jpeg2000.h"
#include "TestImages.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>

using namespace TestImages;

namespace
{

QByteArray validJp2()
{
    static const QByteArray data = Jpeg2000::dataFromImage(photoLike(48, 40, QImage::Format_ARGB32), 0.8);
    return data;
}

// Expects a null picture and an error of this domain with the given code (or any code when 0).
void expectRefused(const QByteArray& data, int code)
{
    Error error;
    const QImage image = Jpeg2000::imageFromData(data, &error);
    EXPECT_TRUE(image.isNull());
    EXPECT_EQ(error.domain, ImagingErrors::domain);
    if (code != 0) {
        EXPECT_EQ(error.code, code) << error.localizedDescription.toStdString();
    }
    EXPECT_FALSE(error.localizedDescription.isEmpty());
}

} // namespace

TEST(Jpeg2000Damage, TruncatedDataIsAnError)
{
    const QByteArray full = validJp2();
    ASSERT_GT(full.size(), 400);
    const qsizetype codestream = full.indexOf(QByteArray("\xFF\x4F\xFF\x51", 4));
    ASSERT_GT(codestream, 0);
    for (qsizetype cut : { qsizetype(12), qsizetype(20), qsizetype(30), codestream - 1, codestream + 10,
             codestream + 60, full.size() / 2, full.size() * 3 / 4, full.size() - 40 }) {
        SCOPED_TRACE(testing::Message() << "JP2 cut at " << cut << " of " << full.size());
        expectRefused(full.left(cut), ImagingErrors::DamagedData);
    }
    const QByteArray bare = codestreamOf(full);
    for (qsizetype cut : { qsizetype(6), qsizetype(40), qsizetype(100), bare.size() / 2, bare.size() - 40 }) {
        SCOPED_TRACE(testing::Message() << "codestream cut at " << cut << " of " << bare.size());
        expectRefused(bare.left(cut), ImagingErrors::DamagedData);
    }
}

TEST(Jpeg2000Damage, WrongMagicIsUnknown)
{
    QByteArray data = validJp2();
    data[4] = 'k';
    expectRefused(data, ImagingErrors::UnknownFormat);
    expectRefused(QByteArray(), ImagingErrors::UnknownFormat);
    expectRefused(QByteArray("GIF89a"), ImagingErrors::UnknownFormat);
}

TEST(Jpeg2000Damage, RandomBytesAfterTheSignatureAreAnError)
{
    std::mt19937 random(42);
    for (int length : { 0, 1, 7, 64, 5000 }) {
        QByteArray junk(length, '\0');
        for (char& c : junk)
            c = char(random());
        expectRefused(Jpeg2000::jp2Signature() + junk, ImagingErrors::DamagedData);
        expectRefused(QByteArray("\xFF\x4F\xFF\x51", 4) + junk, 0);
    }
}

// Declared layouts that would make the codec allocate without bound or that we cannot show.
TEST(Jpeg2000Damage, HostileSizeMarkerIsRefusedBeforeDecoding)
{
    // Offsets from the SIZ length field: Xsiz 4, Ysiz 8, XTsiz 20, YTsiz 24, Csiz 36, Ssiz 38 + 3i.
    const struct {
        const char* name;
        std::function<void(QByteArray&, qsizetype)> patch;
        int code;
    } cases[] = {
        { "huge width and height",
            [](QByteArray& d, qsizetype s) {
                writeBig32(d, s + 4, 0xFFFFFFFFu);
                writeBig32(d, s + 8, 0xFFFFFFFFu);
                writeBig32(d, s + 20, 0xFFFFFFFFu);
                writeBig32(d, s + 24, 0xFFFFFFFFu);
            },
            ImagingErrors::TooLarge },
        { "just over the pixel limit",
            [](QByteArray& d, qsizetype s) {
                writeBig32(d, s + 4, 8193);
                writeBig32(d, s + 8, 8192);
                writeBig32(d, s + 20, 8193);
                writeBig32(d, s + 24, 8192);
            },
            ImagingErrors::TooLarge },
        { "zero components", [](QByteArray& d, qsizetype s) { writeBig16(d, s + 36, 0); },
            ImagingErrors::DamagedData },
        { "five components", [](QByteArray& d, qsizetype s) { writeBig16(d, s + 36, 5); },
            ImagingErrors::UnsupportedContent },
        { "component count disagreeing with the marker length",
            [](QByteArray& d, qsizetype s) { writeBig16(d, s + 36, 3); }, ImagingErrors::DamagedData },
        { "38 bits per component", [](QByteArray& d, qsizetype s) { d[s + 38] = char(37); },
            ImagingErrors::UnsupportedContent },
        { "17 bits per component", [](QByteArray& d, qsizetype s) { d[s + 41] = char(16); },
            ImagingErrors::UnsupportedContent },
        { "zero sample spacing", [](QByteArray& d, qsizetype s) { d[s + 39] = 0; },
            ImagingErrors::DamagedData },
        { "empty area", [](QByteArray& d, qsizetype s) { writeBig32(d, s + 4, 0); },
            ImagingErrors::DamagedData },
        { "zero tile width", [](QByteArray& d, qsizetype s) { writeBig32(d, s + 20, 0); },
            ImagingErrors::DamagedData },
        { "one tile per pixel",
            [](QByteArray& d, qsizetype s) {
                writeBig32(d, s + 4, 4096);
                writeBig32(d, s + 8, 4096);
                writeBig32(d, s + 20, 1);
                writeBig32(d, s + 24, 1);
            },
            ImagingErrors::DamagedData },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (QByteArray data : { validJp2(), codestreamOf(validJp2()) }) {
            const qsizetype siz = sizeMarkerOffset(data);
            ASSERT_GT(siz, 0);
            c.patch(data, siz);
            expectRefused(data, c.code);
        }
    }
}

TEST(Jpeg2000Damage, HostileBoxLengthsAreRefused)
{
    const qsizetype headerBox = 12 + 20; // after the signature and file type boxes
    const struct {
        const char* name;
        std::function<void(QByteArray&)> patch;
    } cases[] = {
        { "box running past the end", [](QByteArray& d) { writeBig32(d, headerBox, 0xFFFFFFF0u); } },
        { "box shorter than its header", [](QByteArray& d) { writeBig32(d, headerBox, 3); } },
        { "extended length past the end",
            [](QByteArray& d) {
                writeBig32(d, headerBox, 1);
                d.insert(headerBox + 8, QByteArray("\x7F\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 8));
            } },
        { "no codestream box", [](QByteArray& d) { d.truncate(d.indexOf("jp2c") - 4); } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QByteArray data = validJp2();
        ASSERT_EQ(data.mid(headerBox + 4, 4), "jp2h");
        c.patch(data);
        expectRefused(data, ImagingErrors::DamagedData);
    }
}

// Flipped bytes anywhere: either a clear error or a picture of the declared size, never a crash.
TEST(Jpeg2000Damage, CorruptedBytesNeverCrash)
{
    const QByteArray original = validJp2();
    std::mt19937 random(2024);
    int refused = 0;
    for (int round = 0; round < 300; ++round) {
        QByteArray data = original;
        const int flips = 1 + int(random() % 4);
        for (int i = 0; i < flips; ++i)
            data[qsizetype(random() % quint32(data.size()))] = char(random());
        Error error;
        const QImage image = Jpeg2000::imageFromData(data, &error);
        if (image.isNull()) {
            ++refused;
            EXPECT_EQ(error.domain, ImagingErrors::domain);
        } else {
            EXPECT_LE(qint64(image.width()) * image.height(), ImagingErrors::maximumPixelCount);
        }
    }
    EXPECT_GT(refused, 0);
}

TEST(Jpeg2000Damage, CodecMessagesGoIntoTheError)
{
    QByteArray data = validJp2();
    data.truncate(data.size() / 2);
    Error error;
    EXPECT_TRUE(Jpeg2000::imageFromData(data, &error).isNull());
    const QStringList messages = error.userInfo.value(ImagingErrors::libraryMessagesKey).toStringList();
    EXPECT_FALSE(messages.isEmpty());
}
