#include "CardAttachmentHandler.h"

#include "CardTextDocument.h"
#include "RVButtonTextAttachmentCell.h"
#include "RVLineTextAttachmentCell.h"
#include "TextAttachment.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>

namespace
{

TextAttachment attachmentOf(const QTextFormat& format)
{
    return format.property(CardTextDocument::AttachmentProperty).value<TextAttachment>();
}

} // namespace

CardAttachmentHandler::CardAttachmentHandler(double lineFragmentPadding, QObject* parent)
    : QObject(parent)
    , m_padding(lineFragmentPadding)
{
}

QSizeF CardAttachmentHandler::intrinsicSize(
    QTextDocument* document, int positionInDocument, const QTextFormat& format)
{
    const TextAttachment attachment = attachmentOf(format);
    switch (attachment.cell) {
    case TextAttachment::Cell::Button: {
        RVButtonTextAttachmentCell cell;
        cell.setTitle(attachment.title);
        return cell.cellSize();
    }
    case TextAttachment::Cell::Line: {
        // As wide as the line less the padding.
        const QTextFrameFormat root = document->rootFrame()->frameFormat();
        const QTextBlock block = document->findBlock(positionInDocument);
        const double line = document->textWidth() - root.leftMargin() - root.rightMargin()
            - block.blockFormat().rightMargin() - block.blockFormat().leftMargin();
        const QRectF frame
            = RVLineTextAttachmentCell::cellFrameForProposedFrame({}, { 0, 0, line, 0 }, m_padding);
        return { std::max(0.0, frame.width()), QFontMetricsF(format.toCharFormat().font()).height() };
    }
    case TextAttachment::Cell::Image:
        return { 16, 16 };
    case TextAttachment::Cell::None:
        break;
    }
    return { 0, 0 };
}

void CardAttachmentHandler::drawObject(
    QPainter* painter, const QRectF& rect, QTextDocument*, int, const QTextFormat& format)
{
    const TextAttachment attachment = attachmentOf(format);
    if (attachment.cell == TextAttachment::Cell::Button) {
        RVButtonTextAttachmentCell cell;
        cell.setTitle(attachment.title);
        cell.drawWithFrame(*painter, rect);
    } else if (attachment.cell == TextAttachment::Cell::Line) {
        RVLineTextAttachmentCell::drawWithFrame(
            *painter, rect, RVLineTextAttachmentCell::insetForView(true, m_padding));
    }
}
