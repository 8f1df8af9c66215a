#pragma once

class ManagedObject;

// What the library window's menus ask of the recipe page's sharing: post a recipe to a blog and
// mail it. A null recipe stands for the page's current recipe. Main thread only.
class RecipeSharingService
{
public:
    virtual ~RecipeSharingService() = default;

    // Opens the blog sheet for the recipe.
    virtual void blogRecipe(ManagedObject* recipe) = 0;
    // Opens a new mail message holding the recipe's text.
    virtual void emailRecipe(ManagedObject* recipe) = 0;
};
