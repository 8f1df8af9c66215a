#pragma once

#include "AttributedString.h"
#include "RecipeTextLayout.h"

// A layout in which every character is 7 points wide and every line 15 points high, lines break
// only after "\n", and the text starts at (17, 17).
class FixedMetricsLayout : public RecipeTextLayout
{
public:
    static constexpr double width = 7, height = 15, margin = 17;

    explicit FixedMetricsLayout(const AttributedString& text)
        : m_text(text)
    {
    }

    QRectF characterRect(qsizetype index) const
    {
        const QString& s = m_text.string();
        const qsizetype lineStart = s.lastIndexOf(u'\n', index - 1) + 1;
        const qsizetype line = s.left(lineStart).count(u'\n');
        return { margin + double(index - lineStart) * width, margin + double(line) * height, width, height };
    }

    QRectF boundingRectForRange(Range range) const override
    {
        QRectF rect;
        for (qsizetype i = range.location; i < maxRange(range) && i < m_text.length(); ++i)
            rect = rect.united(characterRect(i));
        return rect;
    }

    qsizetype characterIndexForPoint(QPointF point) const override
    {
        for (qsizetype i = 0; i < m_text.length(); ++i)
            if (characterRect(i).contains(point))
                return i;
        return Range::NotFound;
    }

    QRectF lineRectForCharacter(qsizetype index) const override
    {
        const QRectF first = characterRect(index);
        const QString& s = m_text.string();
        const qsizetype lineStart = s.lastIndexOf(u'\n', index - 1) + 1;
        qsizetype lineEnd = s.indexOf(u'\n', index);
        if (lineEnd < 0)
            lineEnd = s.size();
        return { margin, first.y(), double(lineEnd - lineStart) * width, height };
    }

    QRectF usedRect() const override { return boundingRectForRange({ 0, m_text.length() }); }

private:
    const AttributedString& m_text;
};
