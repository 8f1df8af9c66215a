#pragma once

#include "GroceryListControllerService.h"

// The grocery lists until they are built: every call does nothing.
class IdleGroceryListController : public GroceryListControllerService
{
public:
    void fetchGroceryListCollection() override { }
    void fetchGroceryListsFromDropbox() override { }
    void createGroceryListWithRecipes(const QList<ManagedObject*>&) override { }
};
