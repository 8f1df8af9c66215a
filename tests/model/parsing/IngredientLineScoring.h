#pragma once

#include "AmountFinding.h"
#include "IngredientMO.h"
#include "RecipeIngredientMO.h"
#include "UnitsEngine.h"

#include <QString>
#include <cmath>

// Whether a parsed line came out as a cook would read it: the amount, the unit and the
// ingredient. Shared by the fixture test and the measurement on outside data.
namespace IngredientLineScoring
{

inline bool sameUnit(const QString& parsed, const QString& expected)
{
    if (parsed.trimmed().isEmpty() || expected.trimmed().isEmpty())
        return parsed.trimmed().isEmpty() && expected.trimmed().isEmpty();
    const UnitsEngine& units = UnitsEngine::defaultEngine();
    const MeasurementUnitPtr a = units.unitForName(parsed);
    const MeasurementUnitPtr b = units.unitForName(expected);
    return a ? a == b : parsed.compare(expected, Qt::CaseInsensitive) == 0;
}

// Names agree in any case and with or without a plural ending.
inline bool sameName(const QString& parsed, const QString& expected)
{
    const QString a = parsed.trimmed().toLower();
    const QString b = expected.trimmed().toLower();
    for (const QString& ending : { QString(), QStringLiteral("s"), QStringLiteral("es") }) {
        if (a + ending == b || b + ending == a)
            return true;
    }
    // berry / berries
    const auto ies = [](const QString& plural, const QString& singular) {
        return plural.endsWith(QLatin1String("ies")) && singular.endsWith(u'y')
            && plural.chopped(3) == singular.chopped(1);
    };
    return ies(a, b) || ies(b, a);
}

inline bool sameAmountText(const QString& parsed, const QString& expected)
{
    return parsed.trimmed() == expected.trimmed();
}

// Amounts by value; an empty text on both sides also agrees.
inline bool sameAmountValue(const QString& parsed, double expected, bool expectedEmpty)
{
    if (parsed.trimmed().isEmpty())
        return expectedEmpty;
    if (expectedEmpty)
        return false;
    return std::abs(AmountFinding::amountDecimalNumberValue(parsed).doubleValue() - expected) < 0.01;
}

inline QString ingredientName(const RecipeIngredientMO* line)
{
    const IngredientMO* ingredient = line->baseIngredient();
    return ingredient ? ingredient->name() : QString();
}

} // namespace IngredientLineScoring
