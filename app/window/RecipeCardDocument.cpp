#include "RecipeCardDocument.h"

#include "RecipeMO.h"

#include <QColor>
#include <QFont>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace
{

bool isParagraphEnd(QChar c)
{
    return c == u'\n' || c == QChar::ParagraphSeparator;
}

QTextCharFormat charFormat(const QVariantMap& attributes)
{
    QTextCharFormat format;
    const QVariant font = attributes.value(NSFontAttributeName);
    if (font.canConvert<QFont>())
        format.setFont(font.value<QFont>(), QTextCharFormat::FontPropertiesAll);
    const QVariant color = attributes.value(NSForegroundColorAttributeName);
    if (color.canConvert<QColor>())
        format.setForeground(color.value<QColor>());
    return format;
}

QTextOption::TabType tabType(TabStop::Type type)
{
    switch (type) {
    case TabStop::Type::Right:
        return QTextOption::RightTab;
    case TabStop::Type::Center:
        return QTextOption::CenterTab;
    case TabStop::Type::Decimal:
        return QTextOption::DelimiterTab;
    case TabStop::Type::Left:
        break;
    }
    return QTextOption::LeftTab;
}

Qt::Alignment alignment(ParagraphStyle::Alignment alignment)
{
    switch (alignment) {
    case ParagraphStyle::Alignment::Right:
        return Qt::AlignRight;
    case ParagraphStyle::Alignment::Center:
        return Qt::AlignHCenter;
    case ParagraphStyle::Alignment::Justified:
        return Qt::AlignJustify;
    case ParagraphStyle::Alignment::Left:
        return Qt::AlignLeft | Qt::AlignAbsolute;
    case ParagraphStyle::Alignment::Natural:
        break;
    }
    return Qt::AlignLeft;
}

QTextBlockFormat blockFormat(const QVariantMap& attributes, bool hasRule)
{
    const QVariant value = attributes.value(NSParagraphStyleAttributeName);
    const ParagraphStyle style = value.canConvert<ParagraphStyle>() ? value.value<ParagraphStyle>()
                                                                    : ParagraphStyle::defaultParagraphStyle();
    QTextBlockFormat format;
    format.setAlignment(alignment(style.alignment));
    format.setLineHeight(style.lineSpacing, QTextBlockFormat::LineDistanceHeight);
    format.setBottomMargin(style.paragraphSpacing);
    format.setLeftMargin(style.headIndent);
    format.setTextIndent(style.firstLineHeadIndent - style.headIndent);
    QList<QTextOption::Tab> tabs;
    for (const TabStop& stop : style.tabStops)
        tabs.append(QTextOption::Tab(stop.location, tabType(stop.type)));
    format.setTabPositions(tabs);
    if (hasRule)
        format.setProperty(
            QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 100));
    return format;
}

} // namespace

void RecipeCardDocument::fill(QTextDocument* document, const AttributedString& card)
{
    if (!document)
        return;
    document->clear();
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    const QString& text = card.string();
    qsizetype start = 0;
    bool first = true;
    while (start <= text.size()) {
        qsizetype end = start;
        while (end < text.size() && !isParagraphEnd(text.at(end)))
            ++end;

        // The paragraph takes the style of its first character (its end when it is empty).
        const qsizetype styleIndex = start < text.size() ? start : text.size() - 1;
        const QVariantMap paragraphAttributes
            = styleIndex >= 0 ? card.attributesAtIndex(styleIndex) : QVariantMap();
        bool hasRule = false;
        QList<std::pair<QString, QTextCharFormat>> pieces;
        card.enumerateAttributesInRange(
            Range { start, end - start }, [&](const QVariantMap& attributes, Range range, bool&) {
                QString piece = text.mid(range.location, range.length);
                if (piece.contains(QChar(NSAttachmentCharacter))) {
                    const QVariant attachment = attributes.value(NSAttachmentAttributeName);
                    if (attachment.canConvert<TextAttachment>()
                        && attachment.value<TextAttachment>().cell == TextAttachment::Cell::Line)
                        hasRule = true;
                    piece.remove(QChar(NSAttachmentCharacter));
                }
                if (!piece.isEmpty())
                    pieces.append({ piece, charFormat(attributes) });
            });

        const QTextBlockFormat format = blockFormat(paragraphAttributes, hasRule);
        const QTextCharFormat paragraphCharFormat = charFormat(paragraphAttributes);
        if (first) {
            cursor.setBlockFormat(format);
            cursor.setBlockCharFormat(paragraphCharFormat);
        } else {
            cursor.insertBlock(format, paragraphCharFormat);
        }
        first = false;
        for (const auto& [piece, charFormat] : pieces)
            cursor.insertText(piece, charFormat);
        if (end >= text.size())
            break;
        start = end + 1;
    }
    cursor.endEditBlock();
}

AttributedString RecipeCardDocument::cardOf(ManagedObject* recipe)
{
    auto* card = dynamic_cast<RecipeMO*>(recipe);
    return card ? card->attributedString() : AttributedString();
}
