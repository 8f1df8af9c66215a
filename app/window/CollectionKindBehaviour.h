#pragma once

#include <QString>

class ManagedObject;

// What the source list shows and allows for each kind of collection ("kind"): the pane its
// selection shows, whether the user may rename and delete it, what drops it takes, and what
// deleting recipes in the recipe list beside it does. Plain values; unknown kinds behave as
// manual collections, the kind the user makes.
struct CollectionKindBehaviour {
    enum class Shows { RecipeList, SearchResults, GroceryLists, DeviceInfo };
    enum class ExtraDateColumn { None, Added, Cooked };
    enum class RecipeDeletion {
        DeletesRecipes, // the library: the recipes go
        RemovesFromCollection, // a recipe left in no collection is deleted
        Refused, // with a beep
        NotOffered, // the recipe list is not shown
    };

    Shows shows = Shows::RecipeList;
    ExtraDateColumn extraDateColumn = ExtraDateColumn::None;
    bool renamesAndDeletes = false;
    bool takesRecipes = false; // dropped from the recipe list or the search results
    bool takesGroceryLists = false; // only when the device supports them
    bool sendsToDevice = false; // recipes and grocery lists dropped go to the device
    bool makesGroceryLists = false; // each recipe drop makes one grocery list
    bool takesCollectionsInside = false; // collections may be moved into it
    RecipeDeletion recipeDeletion = RecipeDeletion::RemovesFromCollection;

    static CollectionKindBehaviour forKind(const QString& kind);
    // By the collection's "kind"; nullptr (no selection) shows the recipe list and allows nothing.
    static CollectionKindBehaviour forCollection(const ManagedObject* collection);
};
