#include "Jpeg2000.h"

#include "ImagingErrors.h"

#include <QCoreApplication>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <openjpeg.h>
#include <optional>
#include <vector>

namespace Jpeg2000
{
namespace
{

using ImagingErrors::fail;

const char jp2SignatureBytes[12]
    = { 0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, char(0x87), 0x0A };
constexpr int maximumComponents = 4;
constexpr quint32 maximumPrecision = 16;
constexpr quint64 maximumTiles = 65535; // the codestream format's own limit

QString tr(const char* text)
{
    return QCoreApplication::translate("Jpeg2000", text);
}

// --- RAII owners for the codec's C objects --------------------------------------------------

struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct CodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct ImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using StreamPtr = std::unique_ptr<opj_stream_t, StreamDeleter>;
using CodecPtr = std::unique_ptr<opj_codec_t, CodecDeleter>;
using ImagePtr = std::unique_ptr<opj_image_t, ImageDeleter>;

// --- the codec's messages, kept for the error result instead of going to stderr ------------

struct Messages {
    QStringList errors;
    QStringList warnings;

    QStringList all() const { return errors + warnings; }
};

void collectError(const char* message, void* client)
{
    static_cast<Messages*>(client)->errors.append(QString::fromUtf8(message).trimmed());
}

void collectWarning(const char* message, void* client)
{
    static_cast<Messages*>(client)->warnings.append(QString::fromUtf8(message).trimmed());
}

void ignoreInfo(const char*, void*)
{
}

void routeMessages(opj_codec_t* codec, Messages* messages)
{
    opj_set_error_handler(codec, collectError, messages);
    opj_set_warning_handler(codec, collectWarning, messages);
    opj_set_info_handler(codec, ignoreInfo, nullptr);
}

// --- in-memory streams ----------------------------------------------------------------------

struct ReadBuffer {
    const QByteArray* data;
    qint64 position = 0;
};

OPJ_SIZE_T readBytes(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto* in = static_cast<ReadBuffer*>(user);
    const qint64 left = in->data->size() - in->position;
    if (left <= 0)
        return static_cast<OPJ_SIZE_T>(-1);
    const auto n = static_cast<qint64>(std::min<quint64>(count, static_cast<quint64>(left)));
    std::memcpy(buffer, in->data->constData() + in->position, static_cast<size_t>(n));
    in->position += n;
    return static_cast<OPJ_SIZE_T>(n);
}

OPJ_OFF_T skipReadBytes(OPJ_OFF_T count, void* user)
{
    auto* in = static_cast<ReadBuffer*>(user);
    const qint64 target = std::clamp<qint64>(in->position + count, 0, in->data->size());
    const qint64 moved = target - in->position;
    if (moved == 0 && count != 0)
        return -1; // no progress: tell the codec the stream has ended
    in->position = target;
    return moved;
}

OPJ_BOOL seekReadBytes(OPJ_OFF_T position, void* user)
{
    auto* in = static_cast<ReadBuffer*>(user);
    if (position < 0 || position > in->data->size())
        return OPJ_FALSE;
    in->position = position;
    return OPJ_TRUE;
}

StreamPtr makeReadStream(ReadBuffer* buffer)
{
    StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_TRUE));
    if (!stream)
        return nullptr;
    opj_stream_set_read_function(stream.get(), readBytes);
    opj_stream_set_skip_function(stream.get(), skipReadBytes);
    opj_stream_set_seek_function(stream.get(), seekReadBytes);
    opj_stream_set_user_data(stream.get(), buffer, nullptr);
    opj_stream_set_user_data_length(stream.get(), static_cast<OPJ_UINT64>(buffer->data->size()));
    return stream;
}

struct WriteBuffer {
    QByteArray data;
    qint64 position = 0;
};

OPJ_SIZE_T writeBytes(void* buffer, OPJ_SIZE_T count, void* user)
{
    auto* out = static_cast<WriteBuffer*>(user);
    const qint64 end = out->position + static_cast<qint64>(count);
    if (end > out->data.size())
        out->data.resize(end, '\0');
    std::memcpy(out->data.data() + out->position, buffer, count);
    out->position = end;
    return count;
}

// The JP2 writer skips over box headers and seeks back to fill them in later.
OPJ_OFF_T skipWriteBytes(OPJ_OFF_T count, void* user)
{
    auto* out = static_cast<WriteBuffer*>(user);
    const qint64 target = out->position + count;
    if (target < 0)
        return -1;
    if (target > out->data.size())
        out->data.resize(target, '\0');
    out->position = target;
    return count;
}

OPJ_BOOL seekWriteBytes(OPJ_OFF_T position, void* user)
{
    auto* out = static_cast<WriteBuffer*>(user);
    if (position < 0)
        return OPJ_FALSE;
    if (position > out->data.size())
        out->data.resize(position, '\0');
    out->position = position;
    return OPJ_TRUE;
}

StreamPtr makeWriteStream(WriteBuffer* buffer)
{
    StreamPtr stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, OPJ_FALSE));
    if (!stream)
        return nullptr;
    opj_stream_set_write_function(stream.get(), writeBytes);
    opj_stream_set_skip_function(stream.get(), skipWriteBytes);
    opj_stream_set_seek_function(stream.get(), seekWriteBytes);
    opj_stream_set_user_data(stream.get(), buffer, nullptr);
    return stream;
}

// --- checking the declared layout before the codec allocates for it ------------------------

quint32 readBig16(const uchar* p)
{
    return quint32(p[0]) << 8 | p[1];
}

quint32 readBig32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint64 readBig64(const uchar* p)
{
    return quint64(readBig32(p)) << 32 | readBig32(p + 4);
}

quint64 ceilDiv(quint64 a, quint64 b)
{
    return (a + b - 1) / b;
}

// A coordinate at `factor` resolution levels below full size, rounded up as the codec does.
quint32 reduced(quint64 coordinate, quint32 factor)
{
    return quint32(ceilDiv(coordinate, quint64(1) << factor));
}

// Offset of the contiguous codestream inside JP2 data: the payload of the first 'jp2c' box.
bool findCodestream(const QByteArray& data, qint64* offset, Error* error)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qint64 size = data.size();
    qint64 at = 0;
    while (at < size) {
        if (size - at < 8)
            return fail(
                error, ImagingErrors::DamagedData, tr("The JPEG 2000 data ends inside a box header."));
        quint64 length = readBig32(bytes + at);
        const quint32 type = readBig32(bytes + at + 4);
        qint64 headerLength = 8;
        if (length == 1) {
            if (size - at < 16)
                return fail(
                    error, ImagingErrors::DamagedData, tr("The JPEG 2000 data ends inside a box header."));
            length = readBig64(bytes + at + 8);
            headerLength = 16;
        } else if (length == 0) {
            length = static_cast<quint64>(size - at); // the last box runs to the end
        }
        if (length < static_cast<quint64>(headerLength))
            return fail(
                error, ImagingErrors::DamagedData, tr("The JPEG 2000 data has a box of impossible length."));
        if (type == 0x6A703263) { // 'jp2c'
            *offset = at + headerLength;
            return true;
        }
        if (length > static_cast<quint64>(size - at))
            return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 data is truncated."));
        at += static_cast<qint64>(length);
    }
    return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 data holds no codestream."));
}

// Checks the image and tile size marker (SIZ) that follows the start of codestream.
bool checkSizeMarker(const QByteArray& data, qint64 offset, Error* error)
{
    constexpr qint64 fixedLength = 4 + 40; // SOC, SIZ marker, then Lsiz..Csiz
    const qint64 size = data.size();
    if (size - offset < fixedLength)
        return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 codestream is truncated."));
    const auto* p = reinterpret_cast<const uchar*>(data.constData()) + offset;
    if (readBig16(p) != 0xFF4F || readBig16(p + 2) != 0xFF51)
        return fail(error, ImagingErrors::DamagedData,
            tr("The JPEG 2000 codestream does not start with its size marker."));
    p += 4;
    const quint32 markerLength = readBig16(p);
    const quint64 xsiz = readBig32(p + 4), ysiz = readBig32(p + 8);
    const quint64 xosiz = readBig32(p + 12), yosiz = readBig32(p + 16);
    const quint64 xtsiz = readBig32(p + 20), ytsiz = readBig32(p + 24);
    const quint64 xtosiz = readBig32(p + 28), ytosiz = readBig32(p + 32);
    const quint32 components = readBig16(p + 36);

    if (components == 0)
        return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 image declares no components."));
    if (components > maximumComponents)
        return fail(error, ImagingErrors::UnsupportedContent,
            tr("The JPEG 2000 image has %1 components; at most 4 are supported.").arg(components));
    if (markerLength != 38 + 3 * components)
        return fail(
            error, ImagingErrors::DamagedData, tr("The JPEG 2000 size marker has an inconsistent length."));
    if (xsiz <= xosiz || ysiz <= yosiz)
        return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 image declares an empty area."));
    const quint64 width = xsiz - xosiz, height = ysiz - yosiz;
    if (width * height > static_cast<quint64>(ImagingErrors::maximumPixelCount))
        return fail(error, ImagingErrors::TooLarge,
            tr("The JPEG 2000 image declares %1 x %2 pixels, more than can be read.").arg(width).arg(height));
    if (xtsiz == 0 || ytsiz == 0 || xtosiz > xosiz || ytosiz > yosiz || xtsiz + xtosiz <= xosiz
        || ytsiz + ytosiz <= yosiz)
        return fail(
            error, ImagingErrors::DamagedData, tr("The JPEG 2000 image declares an impossible tiling."));
    if (ceilDiv(xsiz - xtosiz, xtsiz) * ceilDiv(ysiz - ytosiz, ytsiz) > maximumTiles)
        return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 image declares too many tiles."));

    if (size - offset < fixedLength + 3 * static_cast<qint64>(components))
        return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 codestream is truncated."));
    for (quint32 i = 0; i < components; ++i) {
        const uchar* component = p + 38 + 3 * i;
        const quint32 precision = (component[0] & 0x7F) + 1u;
        if (precision > maximumPrecision)
            return fail(error, ImagingErrors::UnsupportedContent,
                tr("The JPEG 2000 image has %1 bits per component; at most 16 are supported.")
                    .arg(precision));
        if (component[1] == 0 || component[2] == 0)
            return fail(
                error, ImagingErrors::DamagedData, tr("The JPEG 2000 image declares a zero sample spacing."));
    }
    return true;
}

bool checkDeclaredLayout(const QByteArray& data, Container container, Error* error)
{
    qint64 offset = 0;
    if (container == Container::JP2 && !findCodestream(data, &offset, error))
        return false;
    return checkSizeMarker(data, offset, error);
}

// The codec's own view, checked again after the header and after decoding (a JP2 palette
// changes the component count during decoding).
bool checkImage(const opj_image_t* image, bool decoded, Error* error, const Messages& messages)
{
    if (image->numcomps == 0 || image->numcomps > maximumComponents || !image->comps)
        return fail(error, ImagingErrors::UnsupportedContent,
            tr("The JPEG 2000 image has %1 components; 1 to 4 are supported.").arg(image->numcomps),
            messages.all());
    if (image->x1 <= image->x0 || image->y1 <= image->y0)
        return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 image declares an empty area."),
            messages.all());
    const quint64 width = image->x1 - image->x0, height = image->y1 - image->y0;
    if (width * height > static_cast<quint64>(ImagingErrors::maximumPixelCount))
        return fail(error, ImagingErrors::TooLarge, tr("The JPEG 2000 image is too large to be read."),
            messages.all());
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
        const opj_image_comp_t& c = image->comps[i];
        if (c.prec == 0 || c.prec > maximumPrecision)
            return fail(error, ImagingErrors::UnsupportedContent,
                tr("The JPEG 2000 image has %1 bits per component; 1 to 16 are supported.").arg(c.prec),
                messages.all());
        if (c.dx == 0 || c.dy == 0)
            return fail(error, ImagingErrors::DamagedData,
                tr("The JPEG 2000 image declares a zero sample spacing."), messages.all());
        if (decoded && (!c.data || c.w == 0 || c.h == 0 || quint64(c.w) * c.h > width * height))
            return fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 image could not be decoded."),
                messages.all());
    }
    return true;
}

// The fewest resolution levels the main header allows (every component must have them).
quint32 resolutionLevels(opj_codec_t* codec, quint32 componentCount)
{
    opj_codestream_info_v2_t* info = opj_get_cstr_info(codec);
    if (!info)
        return 1;
    quint32 levels = 33; // the format's own maximum
    for (quint32 i = 0; i < componentCount && info->m_default_tile_info.tccp_info; ++i)
        levels = std::min<quint32>(levels, info->m_default_tile_info.tccp_info[i].numresolutions);
    opj_destroy_cstr_info(&info);
    return std::max<quint32>(levels, 1);
}

// Bytes a decode at `factor` levels below full size takes: the codec's 32-bit samples of every
// component and the 32-bit picture they become.
quint64 decodeBytes(const opj_image_t* image, quint32 factor)
{
    quint64 samples = 0;
    for (OPJ_UINT32 i = 0; i < image->numcomps; ++i) {
        const opj_image_comp_t& c = image->comps[i];
        const quint64 w
            = reduced(ceilDiv(image->x1, c.dx), factor) - reduced(ceilDiv(image->x0, c.dx), factor);
        const quint64 h
            = reduced(ceilDiv(image->y1, c.dy), factor) - reduced(ceilDiv(image->y0, c.dy), factor);
        samples += w * h;
    }
    const quint64 pixels = quint64(reduced(image->x1, factor) - reduced(image->x0, factor))
        * (reduced(image->y1, factor) - reduced(image->y0, factor));
    return samples * 4 + pixels * 4;
}

// Asks the codec for the lowest resolution level whose longer side still reaches
// `longerSideAtLeast` (full size for 0), so a picture that declares far more pixels than the
// caller keeps costs only what is kept; refuses what would still need more than the budget.
bool chooseResolution(opj_codec_t* codec, const opj_image_t* image, int longerSideAtLeast, Error* error,
    const Messages& messages)
{
    const quint64 width = image->x1 - image->x0, height = image->y1 - image->y0;
    const quint32 levels = resolutionLevels(codec, image->numcomps);
    quint32 factor = 0;
    if (longerSideAtLeast > 0) {
        while (factor + 1 < levels
            && std::max(
                   ceilDiv(width, quint64(1) << (factor + 1)), ceilDiv(height, quint64(1) << (factor + 1)))
                >= quint64(longerSideAtLeast))
            ++factor;
    }
    const quint64 bytes = decodeBytes(image, factor);
    if (bytes > ImagingErrors::maximumDecodeBytes)
        return fail(error, ImagingErrors::TooLarge,
            tr("The JPEG 2000 image of %1 x %2 pixels needs %3 MB to be read, more than the %4 MB allowed.")
                .arg(QString::number(width), QString::number(height),
                    QString::number(ceilDiv(bytes, 1 << 20)),
                    QString::number(ImagingErrors::maximumDecodeBytes >> 20)),
            messages.all());
    if (factor > 0 && !opj_set_decoded_resolution_factor(codec, factor))
        return fail(
            error, ImagingErrors::DamagedData, tr("The JPEG 2000 header is damaged."), messages.all());
    return true;
}

// --- decoded components to a QImage ---------------------------------------------------------

// Reads one component at a reference-grid position as an 8-bit value, whatever its precision,
// sign and sample spacing.
class ComponentReader
{
public:
    ComponentReader(const opj_image_t* image, const opj_image_comp_t& component)
        : m_c(component)
        , m_firstColumn(reduced(ceilDiv(image->x0, component.dx), component.factor))
        , m_firstRow(reduced(ceilDiv(image->y0, component.dy), component.factor))
        , m_maximum((qint64(1) << component.prec) - 1)
        , m_offset(component.sgnd ? qint64(1) << (component.prec - 1) : 0)
    {
    }

    // The row index in the component's data for row y of the (reduced) reference grid; columns
    // likewise.
    qint64 row(quint32 y) const { return clampIndex(qint64(y / m_c.dy) - m_firstRow, m_c.h); }
    qint64 column(quint32 x) const { return clampIndex(qint64(x / m_c.dx) - m_firstColumn, m_c.w); }

    int value(qint64 row, qint64 column) const
    {
        const qint64 raw = qint64(m_c.data[row * m_c.w + column]) + m_offset;
        const qint64 v = std::clamp<qint64>(raw, 0, m_maximum);
        if (m_maximum == 255)
            return int(v);
        return int((v * 255 + m_maximum / 2) / m_maximum);
    }

private:
    static qint64 clampIndex(qint64 index, quint32 count)
    {
        return std::clamp<qint64>(index, 0, qint64(count) - 1);
    }

    const opj_image_comp_t& m_c;
    qint64 m_firstColumn;
    qint64 m_firstRow;
    qint64 m_maximum;
    qint64 m_offset;
};

int clampByte(double v)
{
    return std::clamp(int(std::lround(v)), 0, 255);
}

QRgb syccToRgb(int y, int cb, int cr, int alpha)
{
    const double u = cb - 128.0, v = cr - 128.0;
    return qRgba(clampByte(y + 1.402 * v), clampByte(y - 0.344136 * u - 0.714136 * v),
        clampByte(y + 1.772 * u), alpha);
}

QImage toQImage(const opj_image_t* image, Container container, Error* error, const Messages& messages)
{
    const int count = int(image->numcomps);
    int alphaIndex = -1;
    for (int i = 0; i < count; ++i) {
        if (image->comps[i].alpha)
            alphaIndex = i;
    }
    // Without channel definitions a second or fourth component is conventionally opacity.
    if (alphaIndex < 0 && (count == 2 || count == 4))
        alphaIndex = count - 1;
    const int colourCount = alphaIndex < 0 ? count : count - 1;

    bool sycc = image->color_space == OPJ_CLRSPC_SYCC;
    if (image->color_space == OPJ_CLRSPC_CMYK || image->color_space == OPJ_CLRSPC_EYCC
        || (colourCount != 1 && colourCount != 3)) {
        fail(error, ImagingErrors::UnsupportedContent,
            tr("The JPEG 2000 image uses a colour layout that is not supported."), messages.all());
        return {};
    }
    // A bare codestream carries no colour space; subsampled chroma means it is YCbCr.
    if (container == Container::Codestream && colourCount == 3 && image->color_space != OPJ_CLRSPC_SRGB
        && (image->comps[1].dx > 1 || image->comps[1].dy > 1))
        sycc = true;

    std::vector<int> colourIndices;
    for (int i = 0; i < count; ++i) {
        if (i != alphaIndex)
            colourIndices.push_back(i);
    }

    // Decoded at a lower resolution level, the reference grid shrinks by the same power of two.
    const quint32 factor = image->comps[0].factor;
    const quint32 x0 = reduced(image->x0, factor), y0 = reduced(image->y0, factor);
    const auto width = int(reduced(image->x1, factor) - x0), height = int(reduced(image->y1, factor) - y0);
    const QImage::Format format = alphaIndex >= 0 ? QImage::Format_ARGB32
        : colourCount == 1                        ? QImage::Format_Grayscale8
                                                  : QImage::Format_RGB32;
    QImage result(width, height, format);
    if (result.isNull()) {
        fail(error, ImagingErrors::TooLarge, tr("There is not enough memory for the JPEG 2000 image."),
            messages.all());
        return {};
    }

    std::vector<ComponentReader> readers;
    for (int i : colourIndices)
        readers.emplace_back(image, image->comps[i]);
    std::optional<ComponentReader> alpha;
    if (alphaIndex >= 0)
        alpha.emplace(image, image->comps[alphaIndex]);

    for (int y = 0; y < height; ++y) {
        const quint32 gridY = y0 + quint32(y);
        uchar* line = result.scanLine(y);
        auto* rgbLine = reinterpret_cast<QRgb*>(line);
        for (int x = 0; x < width; ++x) {
            const quint32 gridX = x0 + quint32(x);
            auto sample = [&](const ComponentReader& r) { return r.value(r.row(gridY), r.column(gridX)); };
            const int a = alpha ? sample(*alpha) : 255;
            if (colourCount == 1) {
                const int grey = sample(readers[0]);
                if (format == QImage::Format_Grayscale8)
                    line[x] = uchar(grey);
                else
                    rgbLine[x] = qRgba(grey, grey, grey, a);
                continue;
            }
            const int c0 = sample(readers[0]), c1 = sample(readers[1]), c2 = sample(readers[2]);
            rgbLine[x] = sycc ? syccToRgb(c0, c1, c2, a) : qRgba(c0, c1, c2, a);
        }
    }
    return result;
}

// --- image to components ----------------------------------------------------------------------

enum class Layout { Grey, RGB, RGBA };

Layout layoutOf(const QImage& image)
{
    if (image.hasAlphaChannel())
        return Layout::RGBA;
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_Grayscale16:
        return Layout::Grey;
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
    case QImage::Format_Indexed8:
        return image.isGrayscale() ? Layout::Grey : Layout::RGB; // only looks at the colour table
    default:
        return Layout::RGB;
    }
}

// Wavelet levels: the default 6 needs a side of at least 32; small pictures get fewer.
OPJ_UINT32 resolutionsFor(int width, int height)
{
    OPJ_UINT32 levels = 1;
    const int shorter = std::min(width, height);
    while (levels < 6 && (1 << levels) <= shorter)
        ++levels;
    return levels;
}

ImagePtr toOpenJpegImage(const QImage& source, Layout layout)
{
    const QImage image = source.convertToFormat(layout == Layout::Grey ? QImage::Format_Grayscale8
            : layout == Layout::RGB                                    ? QImage::Format_RGB32
                                                                       : QImage::Format_ARGB32);
    if (image.isNull())
        return nullptr;
    const int count = layout == Layout::Grey ? 1 : layout == Layout::RGB ? 3 : 4;
    const auto width = quint32(image.width()), height = quint32(image.height());
    opj_image_cmptparm_t parameters[maximumComponents];
    std::memset(parameters, 0, sizeof parameters);
    for (int i = 0; i < count; ++i) {
        parameters[i].dx = 1;
        parameters[i].dy = 1;
        parameters[i].w = width;
        parameters[i].h = height;
        parameters[i].prec = 8;
        parameters[i].sgnd = 0;
    }
    ImagePtr result(opj_image_create(
        OPJ_UINT32(count), parameters, layout == Layout::Grey ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!result)
        return nullptr;
    result->x0 = 0;
    result->y0 = 0;
    result->x1 = width;
    result->y1 = height;
    if (layout == Layout::RGBA)
        result->comps[3].alpha = 1;

    for (quint32 y = 0; y < height; ++y) {
        const uchar* line = image.constScanLine(int(y));
        const auto* rgbLine = reinterpret_cast<const QRgb*>(line);
        const size_t rowStart = size_t(y) * width;
        for (quint32 x = 0; x < width; ++x) {
            const size_t at = rowStart + x;
            if (layout == Layout::Grey) {
                result->comps[0].data[at] = line[x];
                continue;
            }
            const QRgb pixel = rgbLine[x];
            result->comps[0].data[at] = qRed(pixel);
            result->comps[1].data[at] = qGreen(pixel);
            result->comps[2].data[at] = qBlue(pixel);
            if (layout == Layout::RGBA)
                result->comps[3].data[at] = qAlpha(pixel);
        }
    }
    return result;
}

} // namespace

QByteArray jp2Signature()
{
    return QByteArray(jp2SignatureBytes, sizeof jp2SignatureBytes);
}

Container containerOfData(const QByteArray& data)
{
    if (data.startsWith(jp2Signature()))
        return Container::JP2;
    if (data.size() >= 4 && data.startsWith(QByteArray("\xFF\x4F\xFF\x51", 4)))
        return Container::Codestream;
    return Container::None;
}

double targetPsnrForCompressionFactor(double compressionFactor)
{
    return 25.0 + 20.0 * std::clamp(compressionFactor, 0.0, 1.0);
}

QByteArray dataFromImage(const QImage& image, double compressionFactor, Error* error)
{
    if (image.isNull()) {
        fail(error, ImagingErrors::InvalidImage, tr("There is no picture to write."));
        return {};
    }
    if (std::isnan(compressionFactor)) {
        fail(error, ImagingErrors::InvalidImage, tr("The compression factor is not a number."));
        return {};
    }
    if (qint64(image.width()) * image.height() > ImagingErrors::maximumPixelCount) {
        fail(error, ImagingErrors::TooLarge, tr("The picture is too large to be written."));
        return {};
    }

    const Layout layout = layoutOf(image);
    ImagePtr components = toOpenJpegImage(image, layout);
    if (!components) {
        fail(error, ImagingErrors::EncodingFailed, tr("There is not enough memory to write the picture."));
        return {};
    }

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    parameters.numresolution = int(resolutionsFor(image.width(), image.height()));
    parameters.tcp_mct = layout == Layout::Grey ? 0 : 1;
    if (compressionFactor >= 1.0) {
        parameters.irreversible = 0;
        parameters.tcp_rates[0] = 0; // keep everything
        parameters.cp_disto_alloc = 1;
    } else {
        parameters.irreversible = 1;
        parameters.tcp_distoratio[0] = float(targetPsnrForCompressionFactor(compressionFactor));
        parameters.cp_fixed_quality = 1;
    }

    Messages messages;
    CodecPtr codec(opj_create_compress(OPJ_CODEC_JP2));
    WriteBuffer out;
    StreamPtr stream = codec ? makeWriteStream(&out) : nullptr;
    if (!stream) {
        fail(error, ImagingErrors::EncodingFailed, tr("The JPEG 2000 writer could not be started."));
        return {};
    }
    routeMessages(codec.get(), &messages);
    const bool written = opj_setup_encoder(codec.get(), &parameters, components.get())
        && opj_start_compress(codec.get(), components.get(), stream.get())
        && opj_encode(codec.get(), stream.get()) && opj_end_compress(codec.get(), stream.get());
    if (!written || out.data.isEmpty()) {
        fail(error, ImagingErrors::EncodingFailed, tr("The picture could not be written as JPEG 2000."),
            messages.all());
        return {};
    }
    return out.data;
}

QImage imageFromData(const QByteArray& data, Error* error, int longerSideAtLeast)
{
    const Container container = containerOfData(data);
    if (container == Container::None) {
        fail(error, ImagingErrors::UnknownFormat, tr("The data is not JPEG 2000."));
        return {};
    }
    if (!checkDeclaredLayout(data, container, error))
        return {};

    Messages messages;
    CodecPtr codec(opj_create_decompress(container == Container::JP2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    ReadBuffer in { &data };
    StreamPtr stream = codec ? makeReadStream(&in) : nullptr;
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    if (!stream) {
        fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 reader could not be started."));
        return {};
    }
    routeMessages(codec.get(), &messages);
    // Strict: a truncated codestream is an error, not a partly grey picture.
    if (!opj_setup_decoder(codec.get(), &parameters) || !opj_decoder_set_strict_mode(codec.get(), OPJ_TRUE)) {
        fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 reader could not be started."),
            messages.all());
        return {};
    }

    opj_image_t* header = nullptr;
    const bool headerRead = opj_read_header(stream.get(), codec.get(), &header);
    ImagePtr image(header);
    if (!headerRead || !image) {
        fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 header is damaged."), messages.all());
        return {};
    }
    if (!checkImage(image.get(), false, error, messages))
        return {};
    if (!chooseResolution(codec.get(), image.get(), longerSideAtLeast, error, messages))
        return {};
    if (!opj_decode(codec.get(), stream.get(), image.get())
        || !opj_end_decompress(codec.get(), stream.get())) {
        fail(error, ImagingErrors::DamagedData, tr("The JPEG 2000 data is damaged."), messages.all());
        return {};
    }
    if (!checkImage(image.get(), true, error, messages))
        return {};
    return toQImage(image.get(), container, error, messages);
}

} // namespace Jpeg2000
