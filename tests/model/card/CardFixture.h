#pragma once

#include "ModelStoreFixture.h"
#include "RecipeMO.h"

#include <QString>
#include <QStringList>

// A library store with helpers that build recipes field by field, as cards describe them.
class CardFixture : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        library = makeCollection(QStringLiteral("RBCollectionKindMainLibrary"));
    }

    // A recipe without the items and vocabulary a new recipe starts with.
    RecipeMO* bareRecipe(const QString& name, ManagedObjectContext* in = nullptr)
    {
        auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe"), in));
        EXPECT_TRUE(recipe);
        recipe->clearDefaults();
        recipe->setPrimitiveValue(name, QStringLiteral("name"));
        return recipe;
    }

    ManagedObject* addIngredient(RecipeMO* recipe, int index, const QVariant& amount, const QVariant& measure,
        const QVariant& modifier, const QString& ingredient, const QVariant& display)
    {
        ManagedObjectContext* in = recipe->managedObjectContext();
        ManagedObject* line = insert(QStringLiteral("RecipeIngredient"), in);
        line->setValueForKey(index, QStringLiteral("index"));
        line->setValueForKey(amount, QStringLiteral("amount"));
        line->setValueForKey(measure, QStringLiteral("measure"));
        line->setValueForKey(modifier, QStringLiteral("modifier"));
        line->setValueForKey(display, QStringLiteral("displayString"));
        if (!ingredient.isEmpty())
            line->setValueForKey(
                QVariant::fromValue(insertNamed(QStringLiteral("Ingredient"), ingredient, in)),
                QStringLiteral("baseIngredient"));
        line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
        return line;
    }

    ManagedObject* addItem(RecipeMO* recipe, const QString& entity, int index, const QVariant& text)
    {
        ManagedObject* item = insert(entity, recipe->managedObjectContext());
        item->setValueForKey(index, QStringLiteral("index"));
        item->setValueForKey(text, QStringLiteral("text"));
        item->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
        return item;
    }

    // Texts of a list as "index:text" in index order.
    static QStringList itemTexts(const RecipeMO* recipe, const QString& key)
    {
        QStringList texts;
        for (const ManagedObject* item : recipe->sortedItemsForKey(key))
            texts.append(item->valueForKey(QStringLiteral("index")).toString() + u':'
                + item->valueForKey(QStringLiteral("text")).toString());
        return texts;
    }

    // Ingredient lines as "index:amount;measure;modifier;ingredient;display" in index order.
    static QStringList ingredientTexts(const RecipeMO* recipe)
    {
        QStringList texts;
        for (const ManagedObject* item : recipe->sortedItemsForKey(QStringLiteral("ingredients"))) {
            QStringList fields;
            for (const char* key :
                { "amount", "measure", "modifier", "baseIngredient.name", "displayString" })
                fields.append(item->valueForKeyPath(QString::fromLatin1(key)).toString());
            texts.append(item->valueForKey(QStringLiteral("index")).toString() + u':' + fields.join(u';'));
        }
        return texts;
    }

    ManagedObject* library = nullptr;
};
