#pragma once

#include <QString>
#include <QStringList>

class RecipeMO;

// What the cooking mode shows and speaks of a recipe, read once on entry: the views and the
// speech never reach into a recipe that may change or go while the cook works.
struct CookingRecipe {
    QString name;
    // The ingredient lines' text, in index order.
    QStringList ingredients;
    // Per direction in index order: the stored text (spoken) and the card's text (shown). A
    // direction that has neither is left out of both, so an index names the same step in each.
    QStringList directions;
    QStringList shownDirections;

    static CookingRecipe fromRecipe(RecipeMO* recipe);
};
