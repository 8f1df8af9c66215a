#pragma once

#include "GroceryList.h"
#include "LinesFixture.h"
#include "RecipeMO.h"

#include <QStringList>

// Recipes made of typed lines in the scratch store, and the measurement system switched per test.
class GroceryFixture : public LinesFixture
{
protected:
    void TearDown() override
    {
        setMeasurementSystem(0);
        LinesFixture::TearDown();
    }

    // 1 metric, 2 US; 0 goes back to the default.
    void setMeasurementSystem(int system)
    {
        if (system == 0)
            defaults.defaults().removeObjectForKey(QStringLiteral("KRDefaultMeasurementSystem"));
        else
            defaults.defaults().setObject(system, QStringLiteral("KRDefaultMeasurementSystem"));
        UnitsEngine::defaultEngine().updateMeasurementSystem();
    }

    // A new recipe (with its empty placeholder line first) and one line per text after it.
    RecipeMO* recipeWithLines(const QString& name, const QStringList& texts)
    {
        auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
        EXPECT_TRUE(recipe);
        recipe->setName(name);
        int index = static_cast<int>(recipe->objectsForKey(QStringLiteral("ingredients")).size());
        for (const QString& text : texts) {
            RecipeIngredientMO* line = parsed(text);
            line->setValueForKey(++index, QStringLiteral("index"));
            line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
        }
        return recipe;
    }

    static GroceryItem item(const QString& name, const QString& amount)
    {
        GroceryItem item;
        item.setItemName(name);
        item.setAmount(amount);
        return item;
    }

    // The items as "name: amount", in list order.
    static QStringList describe(const GroceryList& list)
    {
        QStringList result;
        for (const GroceryItem& item : list.items())
            result.append(item.itemName() + QStringLiteral(": ") + item.amount());
        return result;
    }
};
