#include "DocumentImportTextLayout.h"

#include <QAbstractTextDocumentLayout>
#include <QTextDocument>
#include <QTextLayout>
#include <algorithm>

template <typename Visitor> void DocumentImportTextLayout::forEachLine(QTextBlock block, Visitor visit) const
{
    QAbstractTextDocumentLayout* layout = m_document->documentLayout();
    for (; block.isValid(); block = block.next()) {
        const QPointF origin = layout->blockBoundingRect(block).topLeft();
        const QTextLayout* lines = block.layout();
        if (!lines)
            continue;
        for (int i = 0; i < lines->lineCount(); ++i) {
            const QTextLine line = lines->lineAt(i);
            // The block's line end belongs to its last line.
            qsizetype length = line.textLength();
            if (i == lines->lineCount() - 1 && block.next().isValid())
                ++length;
            if (!visit(qsizetype(block.position() + line.textStart()), length,
                    line.naturalTextRect().translated(origin)))
                return;
        }
    }
}

Range DocumentImportTextLayout::glyphRangeForBoundingRect(const QRectF& rect) const
{
    QAbstractTextDocumentLayout* layout = m_document->documentLayout();
    int position = layout->hitTest(QPointF(0, rect.top()), Qt::FuzzyHit);
    QTextBlock block = m_document->findBlock(std::max(position, 0));
    // The block found may start below the line the rectangle's top is on.
    if (block.previous().isValid())
        block = block.previous();
    qsizetype first = Range::NotFound;
    qsizetype end = 0;
    forEachLine(block, [&](qsizetype start, qsizetype length, const QRectF& line) {
        if (line.top() > rect.bottom())
            return false;
        if (line.bottom() > rect.top() && line.top() < rect.bottom() && length > 0) {
            first = std::min(first, start);
            end = std::max(end, start + length);
        }
        return true;
    });
    const qsizetype characters = m_document->characterCount() - 1;
    end = std::min(end, characters);
    if (first == Range::NotFound || end <= first)
        return { Range::NotFound, 0 };
    return { first, end - first };
}

QRectF DocumentImportTextLayout::boundingRectForGlyphRange(Range range) const
{
    if (range.location == Range::NotFound || range.length <= 0)
        return {};
    QRectF bounds;
    forEachLine(m_document->findBlock(int(range.location)),
        [&](qsizetype start, qsizetype length, const QRectF& line) {
            if (start >= maxRange(range))
                return false;
            if (start + length > range.location)
                bounds = bounds.isNull() ? line : bounds.united(line);
            return true;
        });
    // Across, only the glyphs themselves.
    if (range.length == 1)
        return boundingRectForGlyph(range.location);
    return bounds;
}

QRectF DocumentImportTextLayout::boundingRectForGlyph(qsizetype index) const
{
    const QTextBlock block = m_document->findBlock(int(index));
    if (!block.isValid() || !block.layout())
        return {};
    const QTextLayout* lines = block.layout();
    const int inBlock = int(index - block.position());
    const QTextLine line = lines->lineForTextPosition(std::min(inBlock, std::max(block.length() - 1, 0)));
    if (!line.isValid())
        return {};
    const QPointF origin = m_document->documentLayout()->blockBoundingRect(block).topLeft();
    const qreal left = line.cursorToX(inBlock);
    const qreal right
        = inBlock + 1 <= line.textStart() + line.textLength() ? line.cursorToX(inBlock + 1) : left;
    const QRectF rect = line.rect().translated(origin);
    return QRectF(origin.x() + std::min(left, right), rect.top(), std::abs(right - left), rect.height());
}
