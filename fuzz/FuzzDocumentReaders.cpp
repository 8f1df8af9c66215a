#include "FuzzDocumentReaders.h"

#include "DocumentReader.h"
#include "FuzzSupport.h"
#include "HTMLReader.h"
#include "RTFReader.h"
#include "RTFWriter.h"

#include <QFont>
#include <QStringDecoder>
#include <cstdio>

using FuzzSupport::require;

namespace
{

bool hasLoneSurrogate(const QString& text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

// The text as the RTF writer and reader carry it: no attachments, no control characters but tab
// and line end, a paragraph separator as a line end, an unpaired surrogate as U+FFFD.
QString asRTFCarriesIt(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        const char16_t u = c.unicode();
        if (u == NSAttachmentCharacter || (u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7F)
            continue;
        if (c == QChar::ParagraphSeparator) {
            out += u'\n';
        } else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            out += c;
            out += text.at(++i);
        } else {
            out += c.isSurrogate() ? QChar(QChar::ReplacementCharacter) : c;
        }
    }
    return out;
}

void requireFontsEverywhere(const AttributedString& string)
{
    string.enumerateAttribute(
        NSFontAttributeName, Range { 0, string.length() }, [](const QVariant& value, Range, bool&) {
            require(value.canConvert<QFont>());
            require(value.value<QFont>().pointSizeF() > 0);
        });
}

void requireRTFRoundTrip(const AttributedString& string)
{
    QString error;
    const std::optional<AttributedString> again
        = RTFReader::attributedStringFromRTF(RTFWriter::RTFFromAttributedString(string), &error);
    require(again.has_value());
    const QString expected = asRTFCarriesIt(string.string());
    if (again->string() != expected) {
        std::fprintf(stderr, "read back:\n%s\nexpected:\n%s\n",
            again->string().toUtf8().toPercentEncoding(" \n").constData(),
            expected.toUtf8().toPercentEncoding(" \n").constData());
    }
    require(again->string() == expected);
}

} // namespace

void fuzzRTFReader(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    QString error;
    const std::optional<AttributedString> string
        = RTFReader::attributedStringFromRTF(FuzzSupport::bytesOf(data, size), &error);
    if (!string) {
        require(!error.isEmpty());
        return;
    }
    const QString& text = string->string();
    require(!hasLoneSurrogate(text));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        require(u >= 0x20 || u == u'\t' || u == u'\n');
        const QVariant attachment = string->attributeAtIndex(NSAttachmentAttributeName, i);
        require(attachment.isValid() == (u == NSAttachmentCharacter));
        if (attachment.isValid()) {
            require(attachment.value<TextAttachment>().cell == TextAttachment::Cell::Image);
            require(!attachment.value<TextAttachment>().title.isEmpty());
        }
    }
    requireFontsEverywhere(*string);
    requireRTFRoundTrip(*string);
}

void fuzzHTMLReader(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    const AttributedString string = HTMLReader::attributedStringFromHTML(FuzzSupport::bytesOf(data, size));
    require(!string.string().contains(QChar(NSAttachmentCharacter)));
    requireFontsEverywhere(string);
    requireRTFRoundTrip(string);
}

void fuzzPDFReader(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    QString error;
    const std::optional<AttributedString> string
        = DocumentReader::readData(FuzzSupport::bytesOf(data, size), DocumentReader::Kind::PDF, &error);
    if (!string) {
        require(!error.isEmpty());
        return;
    }
    require(!string->string().contains(u'\r'));
    require(!string->string().contains(u'\f'));
}

void fuzzPlainTextReader(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    const std::optional<AttributedString> string
        = DocumentReader::readData(bytes, DocumentReader::Kind::PlainText);
    require(string.has_value());
    require(!string->string().contains(u'\r'));
    require(!string->string().contains(QChar(u'\0')));

    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8.decode(bytes);
    const bool marked = bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE")
        || bytes.startsWith("\xFE\xFF") || bytes.startsWith(QByteArray("\x00\x00\xFE\xFF", 4));
    if (!utf8.hasError() && !marked && !bytes.contains('\r') && !bytes.contains('\0'))
        require(string->string() == decoded);
}
