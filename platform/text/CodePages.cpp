#include "CodePages.h"

#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <langinfo.h>
#include <memory>

namespace CodePages
{

namespace
{

// The names ICU knows a code page by, tried in order.
QList<QByteArray> namesForCodePage(int codePage)
{
    switch (codePage) {
    case 437:
        return { "IBM437" };
    case 850:
        return { "IBM850" };
    case 932:
        return { "Shift_JIS" };
    case 936:
        return { "GBK" };
    case 949:
        return { "CP949" };
    case 950:
        return { "Big5" };
    case 10000:
        return { "macintosh" };
    default:
        break;
    }
    const QByteArray number = QByteArray::number(codePage);
    return { "windows-" + number, "cp" + number, "IBM" + number };
}

// Decoders cost a converter each, so every thread keeps one per code page it met.
QStringDecoder* decoderFor(int codePage)
{
    thread_local QHash<int, std::shared_ptr<QStringDecoder>> decoders;
    auto found = decoders.constFind(codePage);
    if (found != decoders.constEnd())
        return found->get();
    std::shared_ptr<QStringDecoder> decoder;
    for (const QByteArray& name : namesForCodePage(codePage)) {
        auto candidate = std::make_shared<QStringDecoder>(name.constData());
        if (candidate->isValid()) {
            decoder = candidate;
            break;
        }
    }
    decoders.insert(codePage, decoder);
    return decoder.get();
}

bool isAscii(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

} // namespace

int codePageForCharset(int charset)
{
    switch (charset) {
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return 0;
    }
}

QString decodeWindows1252(const QByteArray& bytes)
{
    // 0x80 to 0x9F; the five bytes the code page leaves undefined keep their Latin-1 value.
    static const char16_t high[32] = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6,
        0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D,
        0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = QChar(byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : char16_t(byte));
    }
    return text;
}

QString decode(const QByteArray& bytes, int codePage)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);
    if (codePage == 1252 || codePage <= 0)
        return decodeWindows1252(bytes);
    QStringDecoder* decoder = decoderFor(codePage);
    if (!decoder)
        return decodeWindows1252(bytes);
    decoder->resetState();
    QString text = decoder->decode(bytes);
    // A lead byte at the very end still waits for its partner: it stands for nothing.
    decoder->resetState();
    return text;
}

QString decodeLocale8Bit(const QByteArray& bytes)
{
    static const QByteArray codeset = [] {
        const char* name = nl_langinfo(CODESET);
        return QByteArray(name ? name : "");
    }();
    const QByteArray upper = codeset.toUpper();
    // UTF-8 locales have no 8-bit encoding, and the C locale's ASCII is no help for bytes above 127.
    if (upper.isEmpty() || upper == "UTF-8" || upper == "UTF8" || upper == "ANSI_X3.4-1968"
        || upper == "ASCII")
        return decodeWindows1252(bytes);
    QStringDecoder decoder(codeset.constData());
    if (!decoder.isValid())
        return decodeWindows1252(bytes);
    return decoder.decode(bytes);
}

} // namespace CodePages
