#include "CardTextDocument.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextOption>

namespace CardTextDocument
{

namespace
{

bool isParagraphEnd(QChar c)
{
    return c == u'\n' || c == QChar::ParagraphSeparator;
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
    case ParagraphStyle::Alignment::Natural:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

QTextCharFormat charFormat(const QVariantMap& attributes)
{
    QTextCharFormat format;
    const QVariant font = attributes.value(NSFontAttributeName);
    if (font.canConvert<QFont>())
        format.setFont(font.value<QFont>(), QTextCharFormat::FontPropertiesAll);
    const QVariant color = attributes.value(NSForegroundColorAttributeName);
    format.setForeground(color.canConvert<QColor>() ? color.value<QColor>() : QColor(Qt::black));
    const QVariant attachment = attributes.value(NSAttachmentAttributeName);
    if (attachment.canConvert<TextAttachment>()) {
        format.setObjectType(AttachmentObjectType);
        format.setProperty(AttachmentProperty, attachment);
    }
    return format;
}

QTextBlockFormat blockFormat(const QVariantMap& attributes)
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
    return format;
}

void replace(QTextDocument* document, Range range, const AttributedString& card, Range from)
{
    QTextCursor cursor(document);
    cursor.beginEditBlock();
    const int last = document->characterCount() - 1;
    cursor.setPosition(std::min<int>(int(range.location), last));
    cursor.setPosition(std::min<int>(int(maxRange(range)), last), QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    const QString& text = card.string();
    card.enumerateAttributesInRange(from, [&](const QVariantMap& attributes, Range run, bool&) {
        const QTextCharFormat format = charFormat(attributes);
        qsizetype start = run.location;
        for (qsizetype i = run.location; i <= maxRange(run); ++i) {
            if (i < maxRange(run) && !isParagraphEnd(text.at(i)))
                continue;
            if (i > start)
                cursor.insertText(text.mid(start, i - start), format);
            if (i < maxRange(run)) {
                // The paragraph after the break takes the style of its first character.
                const qsizetype next = i + 1 < card.length() ? i + 1 : i;
                cursor.insertBlock(blockFormat(card.attributesAtIndex(next)), format);
            }
            start = i + 1;
        }
    });
    // The first block touched keeps the style of its own first character.
    QTextBlock block = document->findBlock(int(range.location));
    if (block.isValid() && block.position() < card.length()) {
        QTextCursor blockCursor(block);
        blockCursor.setBlockFormat(blockFormat(card.attributesAtIndex(block.position())));
    }
    cursor.endEditBlock();
}

void fill(QTextDocument* document, const AttributedString& card)
{
    // Not clear(): that would also drop the root frame's margins.
    replace(document, { 0, document->characterCount() - 1 }, card, { 0, card.length() });
}

} // namespace CardTextDocument
