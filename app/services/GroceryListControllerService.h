#pragma once

// What the application controller asks of the grocery list controller at launch, at the
// Dropbox poll and after the library store was replaced. Main thread only.
class GroceryListControllerService
{
public:
    virtual ~GroceryListControllerService() = default;

    // Finds or makes the built-in Grocery Lists collection of the main context.
    virtual void fetchGroceryListCollection() = 0;
    // Takes in the grocery lists other devices left in Dropbox for this computer.
    virtual void fetchGroceryListsFromDropbox() = 0;
};
