#pragma once

#include "RecipeControllerService.h"

// The recipe page until it is built: shows nothing, never edits, never cooks.
class IdleRecipeController : public RecipeControllerService
{
public:
    ManagedObject* currentRecipe() override { return nullptr; }
    bool editable() const override { return false; }
    bool fullScreen() const override { return false; }
    void toggleFullScreen() override { }
};
