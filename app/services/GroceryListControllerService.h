#pragma once

#include <QList>

class ManagedObject;

// What the application controller asks of the grocery list controller at launch, at the
// Dropbox poll, after the library store was replaced, and of the source list's drops. Main thread only.
class GroceryListControllerService
{
public:
    virtual ~GroceryListControllerService() = default;

    // Finds or makes the built-in Grocery Lists collection of the main context.
    virtual void fetchGroceryListCollection() = 0;
    // Takes in the grocery lists other devices left in Dropbox for this computer.
    virtual void fetchGroceryListsFromDropbox() = 0;
    // Makes one grocery list from the recipes (recipes dropped on the Grocery Lists collection).
    virtual void createGroceryListWithRecipes(const QList<ManagedObject*>& recipes) = 0;
};
