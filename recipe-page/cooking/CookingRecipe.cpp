#include "CookingRecipe.h"

#include "DirectionMO.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"

CookingRecipe CookingRecipe::fromRecipe(RecipeMO* recipe)
{
    CookingRecipe cooking;
    if (!recipe)
        return cooking;
    cooking.name = recipe->valueForKey(QStringLiteral("name")).toString();
    for (ManagedObject* item : recipe->sortedItemsForKey(QStringLiteral("ingredients"))) {
        const auto* line = dynamic_cast<RecipeIngredientMO*>(item);
        if (line && !line->string().isEmpty())
            cooking.ingredients.append(line->string());
    }
    for (ManagedObject* item : recipe->sortedItemsForKey(QStringLiteral("directions"))) {
        const auto* direction = dynamic_cast<DirectionMO*>(item);
        if (!direction)
            continue;
        const QString spoken = direction->string();
        const QString shown = direction->formattedString();
        if (spoken.isEmpty() && shown.isEmpty())
            continue;
        cooking.directions.append(spoken);
        cooking.shownDirections.append(shown);
    }
    return cooking;
}
