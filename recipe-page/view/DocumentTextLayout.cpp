#include "DocumentTextLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

QRectF DocumentTextLayout::boundingRectForRange(Range range) const
{
    QRectF rect;
    if (range.length <= 0)
        return rect;
    const int start = int(range.location);
    const int end = int(maxRange(range));
    for (QTextBlock block = m_document->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout)
            continue;
        const QPointF origin = m_document->documentLayout()->blockBoundingRect(block).topLeft();
        for (int i = 0; i < layout->lineCount(); ++i) {
            const QTextLine line = layout->lineAt(i);
            const int lineStart = block.position() + line.textStart();
            // The block's separator belongs to its last line.
            const int lineEnd = lineStart + line.textLength() + (i + 1 == layout->lineCount() ? 1 : 0);
            const int from = std::max(start, lineStart);
            const int to = std::min(end, lineEnd);
            if (from >= to)
                continue;
            double left = line.cursorToX(from - block.position());
            double right = line.cursorToX(std::min(to, lineStart + line.textLength()) - block.position());
            if (right <= left)
                right = left + 4; // a line end: a sliver
            rect = rect.united(QRectF(origin.x() + left, origin.y() + line.y(), right - left, line.height()));
        }
    }
    return rect;
}

qsizetype DocumentTextLayout::characterIndexForPoint(QPointF point) const
{
    const int position = m_document->documentLayout()->hitTest(point, Qt::FuzzyHit);
    if (position < 0)
        return Range::NotFound;
    // The hit test answers the nearer edge; the character is the one whose box holds the point.
    if (position > 0 && boundingRectForRange({ position - 1, 1 }).contains(point))
        return position - 1;
    if (position >= m_document->characterCount() - 1)
        return Range::NotFound;
    return position;
}

QRectF DocumentTextLayout::lineRectForCharacter(qsizetype index) const
{
    const QTextBlock block = m_document->findBlock(int(index));
    if (!block.isValid() || !block.layout())
        return {};
    const QTextLine line = block.layout()->lineForTextPosition(int(index) - block.position());
    if (!line.isValid())
        return {};
    const QPointF origin = m_document->documentLayout()->blockBoundingRect(block).topLeft();
    return QRectF(origin.x() + line.x(), origin.y() + line.y(), line.naturalTextWidth(), line.height());
}

QRectF DocumentTextLayout::usedRect() const
{
    const QSizeF size = m_document->documentLayout()->documentSize();
    return { 0, 0, size.width(), size.height() };
}
