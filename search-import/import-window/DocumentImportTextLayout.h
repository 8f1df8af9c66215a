#pragma once

#include "ImportTextLayout.h"

#include <QTextBlock>

class QTextDocument;

// ImportTextLayout read from a QTextDocument's own layout (document coordinates). Lays out the
// document as far as asked.
class DocumentImportTextLayout : public ImportTextLayout
{
public:
    explicit DocumentImportTextLayout(const QTextDocument* document)
        : m_document(document)
    {
    }

    Range glyphRangeForBoundingRect(const QRectF& rect) const override;
    QRectF boundingRectForGlyphRange(Range range) const override;
    QRectF boundingRectForGlyph(qsizetype index) const override;

private:
    // Calls `line` with each laid-out line of the blocks from `first` on (document position of
    // its first glyph, glyph count, its rectangle) until it answers false.
    template <typename Visitor> void forEachLine(QTextBlock first, Visitor line) const;

    const QTextDocument* m_document;
};
