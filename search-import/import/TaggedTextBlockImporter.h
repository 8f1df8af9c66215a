#pragma once

#include <QString>
#include <QVariantMap>

class RecipeMO;

// Turns text blocks, each keyed by the recipe field it holds (an import-area label such as
// "Ingredients", or a field's key path such as "name"), into one new recipe of the main context,
// filed in the recent imports. Keys of no field and values that are not text are skipped. The
// recipe is inserted, not saved: the caller saves. Holds no state; main thread only.
class TaggedTextBlockImporter
{
public:
    // The new recipe, owned by the main context; nullptr when there is no main context. An empty
    // dictionary gives a recipe with the defaults of a new one.
    RecipeMO* recipeFromTaggedTextBlocks(const QVariantMap& blocks);

    // Each replaces the recipe's list with the items of the block; an empty block changes
    // nothing. Every non-empty line is an ingredient line.
    void setIngredientsInRecipe(RecipeMO* recipe, const QString& block);
    // Steps begin at a letter; a line is joined to the step before unless that ends with ".", the
    // line is blank, or it begins with a capital (or a non-letter) and its first word starts no
    // known ingredient.
    void setDirectionsInRecipe(RecipeMO* recipe, const QString& block);
    // One note per non-empty line; a leading "Note:" or "Notes:" leaves the first one.
    void setNotesInRecipe(RecipeMO* recipe, const QString& block);
};
