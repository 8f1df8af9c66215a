#pragma once

#include "RecipeTextLayout.h"

class QTextDocument;

// The page's geometry read from its document's layout, in document coordinates (the view's).
class DocumentTextLayout : public RecipeTextLayout
{
public:
    explicit DocumentTextLayout(const QTextDocument* document)
        : m_document(document)
    {
    }

    QRectF boundingRectForRange(Range range) const override;
    qsizetype characterIndexForPoint(QPointF point) const override;
    QRectF lineRectForCharacter(qsizetype index) const override;
    QRectF usedRect() const override;

private:
    const QTextDocument* m_document;
};
