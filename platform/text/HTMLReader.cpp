#include "HTMLReader.h"

#include "CodePages.h"

#include <QColor>
#include <QFont>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextDocument>

namespace
{

const QString kDefaultFamily = QStringLiteral("Helvetica");
constexpr qreal kDefaultPointSize = 12;

// The charset a page names in its first few kilobytes (<meta charset> or http-equiv).
QByteArray declaredCharset(const QByteArray& data)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"(<meta[^>]*charset\s*=\s*["']?\s*([A-Za-z0-9_.:\-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString head = QString::fromLatin1(data.left(4096));
    const QRegularExpressionMatch match = pattern.match(head);
    return match.hasMatch() ? match.captured(1).toLatin1().toLower() : QByteArray();
}

ParagraphStyle paragraphStyle(const QTextBlockFormat& format)
{
    ParagraphStyle style;
    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignRight)
        style.alignment = ParagraphStyle::Alignment::Right;
    else if (alignment & Qt::AlignHCenter)
        style.alignment = ParagraphStyle::Alignment::Center;
    else if (alignment & Qt::AlignJustify)
        style.alignment = ParagraphStyle::Alignment::Justified;
    // A list item or a quotation is indented by its indent level as well as its margin.
    const qreal indent = std::max<qreal>(0, format.leftMargin() + format.indent() * 40);
    style.headIndent = indent;
    style.firstLineHeadIndent = std::max<qreal>(0, indent + format.textIndent());
    style.paragraphSpacing = std::max<qreal>(0, format.bottomMargin());
    return style;
}

QVariantMap characterAttributes(const QTextCharFormat& format)
{
    const QFont given = format.font();
    QString family = given.families().value(0, given.family());
    if (family.isEmpty())
        family = kDefaultFamily;
    QFont font(family);
    qreal points = given.pointSizeF();
    if (points <= 0 && given.pixelSize() > 0)
        points = given.pixelSize() * 0.75;
    font.setPointSizeF(points > 0 ? points : kDefaultPointSize);
    font.setBold(given.weight() >= QFont::DemiBold);
    font.setItalic(given.italic());
    if (given.underline())
        font.setUnderline(true);
    QVariantMap attributes { { NSFontAttributeName, font } };
    if (format.foreground().style() != Qt::NoBrush) {
        const QColor color = format.foreground().color();
        if (color.isValid())
            attributes.insert(NSForegroundColorAttributeName, color);
    }
    return attributes;
}

} // namespace

QString HTMLReader::decodedHTML(const QByteArray& data)
{
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(data);
    if (marked)
        return QStringDecoder(*marked).decode(data);
    const QByteArray charset = declaredCharset(data);
    if (!charset.isEmpty() && charset != "utf-8" && charset != "utf8") {
        // Browsers read the Latin-1 labels as Windows-1252.
        if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii"
            || charset == "windows-1252")
            return CodePages::decodeWindows1252(data);
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid())
            return decoder.decode(data);
    }
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(data);
    return utf8.hasError() ? CodePages::decodeWindows1252(data) : text;
}

AttributedString HTMLReader::attributedStringFromHTML(const QByteArray& data)
{
    QTextDocument document;
    document.setHtml(decodedHTML(data));

    MutableAttributedString string;
    QString text;
    struct Stretch {
        qsizetype start;
        qsizetype length;
        QVariantMap attributes;
    };
    QList<Stretch> stretches;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QVariant style = QVariant::fromValue(paragraphStyle(block.blockFormat()));
        QVariantMap last { { NSFontAttributeName, QFont(kDefaultFamily, int(kDefaultPointSize)) } };
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            // Pictures and other objects have no text here, and control characters none at all.
            QString piece = fragment.text();
            piece.removeIf([](QChar c) {
                return c == QChar::ObjectReplacementCharacter || (c.unicode() < 0x20 && c != u'\t')
                    || c.unicode() == 0x7F;
            });
            if (piece.isEmpty())
                continue;
            last = characterAttributes(fragment.charFormat());
            last.insert(NSParagraphStyleAttributeName, style);
            stretches.append({ text.size(), piece.size(), last });
            text += piece;
        }
        if (block.next().isValid()) {
            last.insert(NSParagraphStyleAttributeName, style);
            stretches.append({ text.size(), 1, last });
            text += u'\n';
        }
    }
    // Character references can name half a surrogate pair.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (text.at(i).isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    string.replaceCharactersInRange(Range { 0, 0 }, text);
    for (const Stretch& stretch : std::as_const(stretches))
        string.setAttributes(stretch.attributes, Range { stretch.start, stretch.length });
    return string;
}
