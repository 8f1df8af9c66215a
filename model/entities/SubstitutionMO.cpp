#include "SubstitutionMO.h"

#include "BaseMOAdditions.h"
#include "IngredientMO.h"
#include "RRFractionNumber.h"
#include "RecipeIngredientMO.h"
#include "UnitsEngine.h"

namespace
{
const QString ingredientKey = QStringLiteral("ingredient");
const QString substituteKey = QStringLiteral("substitute");
const QString ingredientAmountKey = QStringLiteral("ingredientAmount");
const QString substituteAmountKey = QStringLiteral("substituteAmount");

bool isUsable(const std::optional<Decimal>& value)
{
    return value && value->isValid();
}
} // namespace

IngredientMO* SubstitutionMO::ingredient() const
{
    return dynamic_cast<IngredientMO*>(objectForKey(ingredientKey));
}

IngredientMO* SubstitutionMO::substitute() const
{
    return dynamic_cast<IngredientMO*>(objectForKey(substituteKey));
}

void SubstitutionMO::setIngredient(const QVariant& ingredient)
{
    setIngredientForKey(ingredient, ingredientKey);
}

void SubstitutionMO::setSubstitute(const QVariant& substitute)
{
    setIngredientForKey(substitute, substituteKey);
}

void SubstitutionMO::setIngredientForKey(const QVariant& value, const QString& key)
{
    QVariant stored = value;
    if (value.typeId() == QMetaType::QString)
        stored = QVariant::fromValue(BaseMOAdditions::findOrCreateManagedObjectForName(
            value.toString(), QStringLiteral("Ingredient"), managedObjectContext()));
    BaseMO::setValueForKey(stored, key);
}

MeasurementUnitPtr SubstitutionMO::ingredientUnit() const
{
    return BaseMOAdditions::unitForKey(this, ingredientAmountKey);
}

MeasurementUnitPtr SubstitutionMO::substituteUnit() const
{
    return BaseMOAdditions::unitForKey(this, substituteAmountKey);
}

Decimal SubstitutionMO::ingredientDecimalAmount() const
{
    return BaseMOAdditions::amountForKey(this, ingredientAmountKey);
}

Decimal SubstitutionMO::substituteDecimalAmount() const
{
    return BaseMOAdditions::amountForKey(this, substituteAmountKey);
}

bool SubstitutionMO::performSubstitutionOnIngredient(RecipeIngredientMO* line) const
{
    if (!line)
        return false;
    const MeasurementUnitPtr fromUnit = ingredientUnit();
    const MeasurementUnitPtr toUnit = substituteUnit();
    const Decimal ruleAmount = ingredientDecimalAmount();
    // A zero rule amount would divide by zero; a zero result is no substitute.
    if (!ruleAmount.isValid() || ruleAmount.isZero())
        return false;

    const MeasurementUnitPtr lineUnit = line->unitForMeasure();
    std::optional<Decimal> x
        = UnitsEngine::convertAmount(line->decimalAmount(), lineUnit.get(), fromUnit.get());
    if (!isUsable(x))
        return false;
    // The line holds x / ruleAmount portions of the rule; each portion is the substitute amount, in
    // the substitute's own unit (the two sides of a rule may be of different kinds: 1 oz
    // chocolate is 3 Tbsp cocoa).
    const Decimal portions = x->decimalNumberByDividingBy(ruleAmount);
    const Decimal z = portions.decimalNumberByMultiplyingBy(substituteDecimalAmount());
    if (!z.isValid() || z.isZero())
        return false;

    // The kitchen fraction, or a decimal with at most two places when there is none up to eighths.
    QString amountText = RRFractionNumber::fractionNumberWithDouble(z.doubleValue()).stringValue();
    if (amountText.isEmpty()) {
        const Decimal rounded = z.decimalNumberByRoundingToScale(2);
        if (rounded.isZero())
            return false;
        amountText = rounded.stringValue();
    }

    line->setUpdateDisplayStringFromSetterValues(true);
    line->setAmount(amountText);
    line->setMeasure(toUnit->preferredDisplayName());
    line->setBaseIngredient(QVariant::fromValue<ManagedObject*>(substitute()));
    line->setUpdateDisplayStringFromSetterValues(false);
    BaseMOAdditions::refreshDisplayString(line);
    return true;
}

void SubstitutionMO::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == ingredientKey || key == substituteKey) {
        setIngredientForKey(value, key);
        return;
    }
    BaseMO::setValueForKey(value, key);
}
