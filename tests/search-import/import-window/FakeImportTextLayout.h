#pragma once

#include "ImportTextLayout.h"

#include <QList>
#include <QString>
#include <algorithm>

// A monospaced layout of a text: line i (after the i-th "\n") spans y = top + i * lineHeight to
// the next line, glyph j of a line spans x = left + j * glyphWidth; a line end has no width.
class FakeImportTextLayout : public ImportTextLayout
{
public:
    static constexpr double left = 30.0;
    static constexpr double top = 30.0;
    static constexpr double glyphWidth = 8.0;
    static constexpr double lineHeight = 20.0;

    explicit FakeImportTextLayout(const QString& text)
        : m_text(text)
    {
        m_lineStarts.append(0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i) == u'\n' && i + 1 < text.size())
                m_lineStarts.append(i + 1);
        }
    }

    Range glyphRangeForBoundingRect(const QRectF& rect) const override
    {
        qsizetype first = -1;
        qsizetype end = -1;
        for (qsizetype line = 0; line < m_lineStarts.size(); ++line) {
            const double y = top + line * lineHeight;
            if (y + lineHeight > rect.top() && y < rect.bottom()) {
                if (first < 0)
                    first = m_lineStarts.at(line);
                end = line + 1 < m_lineStarts.size() ? m_lineStarts.at(line + 1) : m_text.size();
            }
        }
        if (first < 0 || end <= first)
            return { Range::NotFound, 0 };
        return { first, end - first };
    }

    QRectF boundingRectForGlyphRange(Range range) const override
    {
        QRectF bounds;
        for (qsizetype i = range.location; i < maxRange(range) && i < m_text.size(); ++i) {
            const QRectF glyph = boundingRectForGlyph(i);
            bounds = bounds.isNull() ? glyph : bounds.united(glyph);
        }
        return bounds;
    }

    QRectF boundingRectForGlyph(qsizetype index) const override
    {
        const auto after = std::upper_bound(m_lineStarts.begin(), m_lineStarts.end(), index);
        const qsizetype line = (after - m_lineStarts.begin()) - 1;
        const qsizetype column = index - m_lineStarts.at(line);
        const double width = m_text.at(index) == u'\n' ? 0.0 : glyphWidth;
        return QRectF(left + column * glyphWidth, top + line * lineHeight, width, lineHeight);
    }

    // The rectangle of whole lines first..last (0-based), `columns` glyphs wide.
    static QRectF linesRect(int first, int last, int columns = 40)
    {
        return QRectF(left, top + first * lineHeight, columns * glyphWidth, (last - first + 1) * lineHeight);
    }

private:
    QString m_text;
    QList<qsizetype> m_lineStarts;
};
