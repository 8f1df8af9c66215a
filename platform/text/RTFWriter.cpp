#include "RTFWriter.h"

#include <QColor>
#include <QFont>
#include <QList>
#include <cmath>
#include <optional>

namespace
{

// A run without a font is shown in the text system's default font.
const QString kDefaultFamily = QStringLiteral("Helvetica");
constexpr qreal kDefaultPointSize = 12;

bool isParagraphEnd(QChar c)
{
    return c == u'\n' || c == QChar::ParagraphSeparator;
}

int twips(qreal points)
{
    return int(std::lround(points * 20));
}

// The Windows-1252 byte of a character, or 0 when the code page has none.
unsigned char windows1252(char16_t c)
{
    if (c >= 0xA0 && c <= 0xFF)
        return static_cast<unsigned char>(c);
    static const std::pair<char16_t, unsigned char> table[] = { { 0x20AC, 0x80 }, { 0x201A, 0x82 },
        { 0x0192, 0x83 }, { 0x201E, 0x84 }, { 0x2026, 0x85 }, { 0x2020, 0x86 }, { 0x2021, 0x87 },
        { 0x02C6, 0x88 }, { 0x2030, 0x89 }, { 0x0160, 0x8A }, { 0x2039, 0x8B }, { 0x0152, 0x8C },
        { 0x017D, 0x8E }, { 0x2018, 0x91 }, { 0x2019, 0x92 }, { 0x201C, 0x93 }, { 0x201D, 0x94 },
        { 0x2022, 0x95 }, { 0x2013, 0x96 }, { 0x2014, 0x97 }, { 0x02DC, 0x98 }, { 0x2122, 0x99 },
        { 0x0161, 0x9A }, { 0x203A, 0x9B }, { 0x0153, 0x9C }, { 0x017E, 0x9E }, { 0x0178, 0x9F } };
    for (const auto& [unicode, byte] : table) {
        if (unicode == c)
            return byte;
    }
    return 0;
}

// Text as RTF: the three special characters escaped, tabs and line breaks as control words,
// everything outside ASCII as \uN followed by its one-byte fallback (\uc1 is in force).
bool isPlainAscii(char16_t c)
{
    return c >= 0x20 && c < 0x7F && c != u'\\' && c != u'{' && c != u'}';
}

void appendText(QByteArray& out, QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (isPlainAscii(c)) {
            // Plain text goes in as one stretch: most of a recipe is.
            qsizetype end = i + 1;
            while (end < text.size() && isPlainAscii(text[end].unicode()))
                ++end;
            const qsizetype start = out.size();
            out.resize(start + (end - i));
            char* write = out.data() + start;
            for (qsizetype j = i; j < end; ++j)
                *write++ = char(text[j].unicode());
            i = end - 1;
        } else if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c == u'\t') {
            out += "\\tab ";
        } else if (c == QChar::LineSeparator) {
            out += "\\line ";
        } else if (c == NSAttachmentCharacter || c < 0x20 || c == 0x7F) {
            // Attachments and control characters have no text form.
        } else {
            // RTF numbers are signed 16-bit.
            out += "\\u" + QByteArray::number(c > 0x7FFF ? int(c) - 0x10000 : int(c));
            const unsigned char fallback = windows1252(c);
            if (fallback)
                out += "\\'" + QByteArray::number(fallback, 16).rightJustified(2, '0');
            else
                out += '?';
        }
    }
}

struct CharacterStyle {
    QString family = kDefaultFamily;
    qreal pointSize = kDefaultPointSize;
    bool bold = false;
    bool italic = false;
    QColor color; // invalid: the reader's automatic colour
};

CharacterStyle characterStyle(const QVariantMap& attributes)
{
    CharacterStyle style;
    const QVariant font = attributes.value(NSFontAttributeName);
    if (font.canConvert<QFont>()) {
        const QFont f = font.value<QFont>();
        if (!f.family().isEmpty())
            style.family = f.family();
        if (f.pointSizeF() > 0)
            style.pointSize = f.pointSizeF();
        style.bold = f.bold();
        style.italic = f.italic();
    }
    const QVariant color = attributes.value(NSForegroundColorAttributeName);
    if (color.canConvert<QColor>() && color.value<QColor>().isValid())
        style.color = color.value<QColor>().toRgb();
    return style;
}

ParagraphStyle paragraphStyle(const QVariantMap& attributes)
{
    const QVariant value = attributes.value(NSParagraphStyleAttributeName);
    return value.canConvert<ParagraphStyle>() ? value.value<ParagraphStyle>()
                                              : ParagraphStyle::defaultParagraphStyle();
}

QByteArray alignmentWord(ParagraphStyle::Alignment alignment)
{
    switch (alignment) {
    case ParagraphStyle::Alignment::Right:
        return "\\qr";
    case ParagraphStyle::Alignment::Center:
        return "\\qc";
    case ParagraphStyle::Alignment::Justified:
        return "\\qj";
    case ParagraphStyle::Alignment::Left:
    case ParagraphStyle::Alignment::Natural:
        break;
    }
    return "\\ql";
}

QByteArray tabWord(TabStop::Type type)
{
    switch (type) {
    case TabStop::Type::Right:
        return "\\tqr";
    case TabStop::Type::Center:
        return "\\tqc";
    case TabStop::Type::Decimal:
        return "\\tqdec";
    case TabStop::Type::Left:
        break;
    }
    return QByteArray();
}

QByteArray paragraphWords(const ParagraphStyle& style)
{
    QByteArray words = "\\pard" + alignmentWord(style.alignment);
    words += "\\li" + QByteArray::number(twips(style.headIndent));
    words += "\\fi" + QByteArray::number(twips(style.firstLineHeadIndent - style.headIndent));
    words += "\\sa" + QByteArray::number(twips(style.paragraphSpacing));
    for (const TabStop& stop : style.tabStops)
        words += tabWord(stop.type) + "\\tx" + QByteArray::number(twips(stop.location));
    return words;
}

// The document's fonts and colours in order of first use.
struct Tables {
    QStringList fonts;
    QList<QColor> colors;

    int fontIndex(const QString& family)
    {
        qsizetype index = fonts.indexOf(family);
        if (index < 0) {
            fonts.append(family);
            index = fonts.size() - 1;
        }
        return int(index);
    }
    // 0 is the automatic colour; the table's entries count from 1.
    int colorIndex(const QColor& color)
    {
        if (!color.isValid())
            return 0;
        const QColor opaque = QColor(color.red(), color.green(), color.blue());
        qsizetype index = colors.indexOf(opaque);
        if (index < 0) {
            colors.append(opaque);
            index = colors.size() - 1;
        }
        return int(index) + 1;
    }
};

} // namespace

QByteArray RTFWriter::RTFFromAttributedString(const AttributedString& string)
{
    return RTFFromRange(string, Range { 0, string.length() });
}

QByteArray RTFWriter::RTFFromRange(const AttributedString& whole, Range range)
{
    // Exports hand over whole strings: copy only a part.
    const bool all = range.location == 0 && range.length >= whole.length();
    const AttributedString part = all ? AttributedString() : whole.attributedSubstringFromRange(range);
    const AttributedString& string = all ? whole : part;
    const QString& text = string.string();
    Tables tables;
    tables.fontIndex(kDefaultFamily);
    QByteArray body;
    body.reserve(text.size() + text.size() / 4);

    // Paragraph and character properties hold until changed, across paragraph marks, so each
    // is written where it changes (and the first paragraph and run write all of theirs).
    std::optional<ParagraphStyle> lastParagraph;
    std::optional<CharacterStyle> last;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isParagraphEnd(text.at(end)))
            ++end;
        const ParagraphStyle paragraph = paragraphStyle(string.attributesAtIndex(start));
        if (paragraph != lastParagraph) {
            body += paragraphWords(paragraph);
            body += ' ';
            lastParagraph = paragraph;
        }
        string.enumerateAttributesInRange(
            Range { start, end - start }, [&](const QVariantMap& attributes, Range run, bool&) {
                const CharacterStyle style = characterStyle(attributes);
                const qsizetype wordsStart = body.size();
                if (!last || last->family != style.family)
                    body += "\\f" + QByteArray::number(tables.fontIndex(style.family));
                if (!last || last->pointSize != style.pointSize)
                    body += "\\fs" + QByteArray::number(std::lround(style.pointSize * 2));
                if (!last || last->bold != style.bold)
                    body += style.bold ? "\\b" : "\\b0";
                if (!last || last->italic != style.italic)
                    body += style.italic ? "\\i" : "\\i0";
                if (!last || last->color != style.color)
                    body += "\\cf" + QByteArray::number(tables.colorIndex(style.color));
                if (body.size() > wordsStart)
                    body += ' ';
                last = style;
                appendText(body, QStringView(text).mid(run.location, run.length));
            });
        if (end < text.size())
            body += "\\par\n";
        start = end + 1;
    }

    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\n{\\fonttbl";
    for (qsizetype i = 0; i < tables.fonts.size(); ++i) {
        out += "{\\f" + QByteArray::number(i) + "\\fnil\\fcharset0 ";
        // ";" ends a name in the table.
        appendText(out, QString(tables.fonts.at(i)).remove(u';'));
        out += ";}";
    }
    out += "}\n{\\colortbl;";
    for (const QColor& color : std::as_const(tables.colors))
        out += "\\red" + QByteArray::number(color.red()) + "\\green" + QByteArray::number(color.green())
            + "\\blue" + QByteArray::number(color.blue()) + ';';
    out += "}\n";
    out += body;
    out += "}\n";
    return out;
}
