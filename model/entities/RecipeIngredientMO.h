#pragma once

#include "AttributedString.h"
#include "BaseMO.h"
#include "Decimal.h"
#include "MeasurementUnit.h"
#include "Range.h"

#include <QString>
#include <QStringList>

class IngredientMO;

// User default: every parsed line is converted into the default measurement system.
inline const QString KRConvertUnitsToDefaultMeasurementSystem
    = QStringLiteral("KRConvertUnitsToDefaultMeasurementSystem");

// One ingredient line of a recipe (entity "RecipeIngredient"): the line as typed
// ("displayString") and what the parser finds in it: the amount text, the unit text without its
// plural ending ("measure"), the last modifier word and the base ingredient.
//
// The parser remembers where in the line it found the amount, the unit and the modifier. While
// updateDisplayStringFromSetterValues is on, setting one of them rewrites just that stretch of the
// line, so "1 can (14 oz)" scaled by 2 reads "2 can (14 oz)". Without a remembered stretch (a
// line fetched from the store) the first occurrence that stands alone is rewritten.
class RecipeIngredientMO : public BaseMO
{
public:
    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void didTurnIntoFault() override;

    // Stores the text trimmed of white space and newlines and parses it.
    void setString(const QString& string);
    QString string() const;
    // The plain text of the card run.
    QString formattedString() const;
    // The line as one run of the recipe card; an empty line shows the group's placeholder while
    // the recipe is being edited.
    AttributedString attributedString() const;
    // Takes an edited run back when its text differs from the line.
    void setAttributedString(const AttributedString& string);
    // Index from the run's first character (when it carries one), then the parse.
    void setDependentAttributesFromAttributedDisplayString(const AttributedString& string);
    // Amount, measure, modifier and base ingredient from the text, as IngredientLineParser reads
    // them with the context's ingredient trie; a new ingredient is found or created by name.
    void setDependentAttributesFromDisplayString(const QString& text);

    bool updateDisplayStringFromSetterValues() const { return m_updateFromSetterValues; }
    void setUpdateDisplayStringFromSetterValues(bool update) { m_updateFromSetterValues = update; }

    QString amount() const;
    QString measure() const;
    QString modifier() const;
    IngredientMO* baseIngredient() const;
    void setAmount(const QVariant& amount);
    // Stored trimmed of white space and newlines.
    void setMeasure(const QVariant& measure);
    void setModifier(const QVariant& modifier);
    // An Ingredient, or a name that is found or created in the line's context.
    void setBaseIngredient(const QVariant& ingredient);
    void setIndex(const QVariant& index);

    // The modifier words the last parse found, in the order found.
    const QStringList& foundModifiers() const { return m_foundModifiers; }

    // The amount; one when the line has none.
    Decimal decimalAmount() const;
    // The unit the measure names; the generic unit when it names none.
    MeasurementUnitPtr unitForMeasure() const;

    void convertToDefaultMeasurementSystemIfNeeded();
    // Multiplies the amount. A result that is no kitchen fraction up to eighths is written as a
    // decimal with at most two places. Marks the recipe card stale.
    void scaleByFactor(const Decimal& factor) override;

    QString constantGroupKey() const override;

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QVariant& value, const QString& key) override;
    QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const override;

private:
    void storeValue(const QVariant& value, const QString& key);
    void storeDisplayString(const QString& text);
    // Replaces one stretch of the line and moves the remembered stretches after it.
    void replaceInDisplayString(Range range, const QString& replacement);
    // The remembered stretch when the line still holds `text` there, else the first occurrence of
    // `text` that no letter or digit touches; {NotFound, 0} when none.
    Range locateInDisplayString(Range remembered, const QString& text, Qt::CaseSensitivity cs) const;
    void forgetRanges();

    QStringList m_foundModifiers;
    bool m_updateFromSetterValues = false;
    Range m_amountRange { Range::NotFound, 0 };
    Range m_measureRange { Range::NotFound, 0 };
    Range m_modifierRange { Range::NotFound, 0 };
};
