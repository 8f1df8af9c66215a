#pragma once

#include "ArrayController.h"

#include <QString>
#include <functional>

class ManagedObject;
class ManagedObjectContext;
class Presenter;

// The recipe list's content: the recipes of the collection selected in the source list. Knows
// what removing a recipe means there: it leaves that collection only, and a recipe left in no
// collection, or removed from the library, is deleted. Removal asks first when
// KRConfirmsRecipeDelete is on, once for however many recipes. Main thread only.
class RecipeArrayController : public ArrayController
{
public:
    // What the controller reaches outside itself; empty functions do nothing.
    struct Outlets {
        // The collection selected in the source list, or nullptr.
        std::function<ManagedObject*()> selectedCollection;
        // Confirmations; none: removal never asks.
        Presenter* presenter = nullptr;
        // A refused removal.
        std::function<void()> beep;
        // Told of each recipe add() inserted, with its index in the arranged objects.
        std::function<void(RecipeArrayController&, qsizetype)> didAddObjectAtIndex;
        // Whether the recipe page is in editing mode, and the way to put it there.
        std::function<bool()> recipePageEditable;
        std::function<void()> editRecipe;
    };

    RecipeArrayController();
    explicit RecipeArrayController(Outlets outlets);

    void setOutlets(Outlets outlets) { m_outlets = std::move(outlets); }
    const Outlets& outlets() const { return m_outlets; }

    // Shows the recipes `collection` holds (a manual collection's, the library's included; the
    // recipes a smart collection matches; none for a folder or nullptr), without deleted ones.
    void setCollection(ManagedObject* collection);
    ManagedObject* collection() const { return m_collection; }
    // Reads the collection's recipes again (after the store changed).
    void reloadContent() { setCollection(m_collection); }
    ManagedObject* recipeAt(qsizetype index) const;
    qsizetype indexOfRecipe(const ManagedObject* recipe) const;
    QList<ManagedObject*> selectedRecipes() const;

    // "1 Recipe", else the count and "Recipes" ("0 Recipes", "12 Recipes").
    QString itemCountString() const;
    static QString itemCountString(qsizetype count);

    // A new recipe in the main context, in the library and in the selected collection when that
    // is a manual collection that takes recipes.
    QVariant newObject() override;
    // Inserts a recipe; when it is selected, tells the add delegate and, unless the recipe page
    // is already editing, puts it into editing mode on the next pass of the run loop.
    void add() override;
    // Whether a new recipe would show in the list: the selected collection is a manual one that
    // takes recipes (the library among them).
    bool canAdd() const;

    void removeObjectAtArrangedObjectIndex(qsizetype index) override;
    void removeObjectsAtArrangedObjectIndexes(const QList<qsizetype>& indexes) override;
    void removeObject(const QVariant& object) override;
    void removeObjects(const QVariantList& objects) override;

    // The confirmation of deleting one recipe (or several): whether the user went on. Asked only
    // on the main thread with KRConfirmsRecipeDelete on; otherwise true.
    bool confirmDelete(qsizetype count) const;

    // What the collection holds, unordered.
    static QList<ManagedObject*> recipesOf(ManagedObject* collection);

private:
    // The removal rule for recipes already confirmed; other objects simply leave the list.
    void removeConfirmed(const QVariantList& objects);
    void beep() const;

    Outlets m_outlets;
    ManagedObject* m_collection = nullptr;
};
