#pragma once

#include "BaseMO.h"
#include "Decimal.h"
#include "MeasurementUnit.h"

class IngredientMO;
class RecipeIngredientMO;

// A substitution rule (entity "Substitution"): an amount of one ingredient ("ingredient",
// "ingredientAmount") may be replaced by an amount of another ("substitute", "substituteAmount").
// Each amount text holds a number and a unit, such as "3/4 cup".
class SubstitutionMO : public BaseMO
{
public:
    IngredientMO* ingredient() const;
    IngredientMO* substitute() const;
    // An Ingredient, or a name that is found or created in the rule's context.
    void setIngredient(const QVariant& ingredient);
    void setSubstitute(const QVariant& substitute);

    MeasurementUnitPtr ingredientUnit() const;
    MeasurementUnitPtr substituteUnit() const;
    Decimal ingredientDecimalAmount() const;
    Decimal substituteDecimalAmount() const;

    // Rewrites the line into the substitute: the line's amount, in the rule's ingredient unit, is
    // so many portions of the rule, each worth the substitute amount. A line whose unit does not
    // convert into the rule's, or a zero amount anywhere, leaves the line as it was. Answers
    // whether the line changed.
    bool performSubstitutionOnIngredient(RecipeIngredientMO* line) const;

    void setValueForKey(const QVariant& value, const QString& key) override;

private:
    void setIngredientForKey(const QVariant& value, const QString& key);
};
