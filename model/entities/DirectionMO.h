#pragma once

#include "AttributedString.h"
#include "BaseMO.h"
#include "ParagraphStyle.h"

// One numbered direction of a recipe. Its text is "text", its 1-based place "index".
class DirectionMO : public BaseMO
{
public:
    QString string() const;
    // The plain text of the card run.
    QString formattedString() const;
    // The item as one run of the recipe card.
    AttributedString attributedString() const;
    // Takes an edited run back: its index (when the first character carries one) and its text.
    void setAttributedString(const AttributedString& string);

    // The card paragraph of a direction: wrapped lines start under its text, the number hangs left.
    static ParagraphStyle directionParagraphStyleForIndex(const QVariant& index);
    void setIndex(const QVariant& index);
    QString constantGroupKey() const override;

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QVariant& value, const QString& key) override;
    QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const override;
};
