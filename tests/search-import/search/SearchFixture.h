#pragma once

#include "ModelStoreFixture.h"
#include "RecipeMO.h"
#include "SearchTerm.h"

#include <QHash>

// A library store with its library collection, and recipes built line by line.
class SearchFixture : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        library = makeCollection("RBCollectionKindMainLibrary");
    }

    // A recipe of the library (without placeholder items) with ingredient lines of the named
    // base ingredients.
    ManagedObject* recipe(
        const QString& name, const QStringList& ingredientNames = {}, const QVariant& onlineID = {})
    {
        ManagedObject* r = RecipeMO::insertNewRecipeWithoutPlaceholderItems(context.get());
        r->setValueForKey(name, "name");
        if (onlineID.isValid())
            r->setValueForKey(onlineID, "onlineID");
        int index = 1;
        for (const QString& ingredient : ingredientNames) {
            ManagedObject* line = insert("RecipeIngredient");
            line->setValueForKey(QVariant::fromValue(ingredientNamed(ingredient)), "baseIngredient");
            line->setValueForKey(index++, "index");
            line->setValueForKey(QVariant::fromValue(r), "recipe");
        }
        r->mutableSetValueForKey("collections").addObject(library);
        return r;
    }
    ManagedObject* ingredientNamed(const QString& name)
    {
        if (!ingredients.contains(name))
            ingredients.insert(name, insertNamed("Ingredient", name));
        return ingredients.value(name);
    }
    static SearchTermList terms(const QStringList& texts)
    {
        SearchTermList list;
        for (const QString& text : texts)
            list.append(SearchTerm::searchTermWithSearchString(text, false));
        return list;
    }

    ManagedObject* library = nullptr;
    QHash<QString, ManagedObject*> ingredients;
};
