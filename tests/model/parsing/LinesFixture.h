#pragma once

#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "ModelStoreFixture.h"
#include "RecipeIngredientMO.h"
#include "UnitsEngine.h"

// The store fixture with the placeholder Ingredient a new line starts with, fresh ingredient
// tries, and lines made from text.
class LinesFixture : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        IngredientTrie::rebuildIngredientTries();
        // The units the application loads at launch (an earlier test may have added one of its own).
        if (!UnitsEngine::defaultEngine().unitNames().contains(QStringLiteral("cup")))
            UnitsEngine::defaultEngine().loadUnits(QString());
        placeholder = dynamic_cast<IngredientMO*>(insert(QStringLiteral("Ingredient")));
        ASSERT_TRUE(placeholder);
        placeholder->setPrimitiveValue(QStringLiteral("Ingredient"), QStringLiteral("name"));
    }

    void TearDown() override
    {
        IngredientTrie::rebuildIngredientTries();
        ModelStoreFixture::TearDown();
    }

    RecipeIngredientMO* newLine(ManagedObjectContext* in = nullptr)
    {
        auto* line = dynamic_cast<RecipeIngredientMO*>(insert(QStringLiteral("RecipeIngredient"), in));
        EXPECT_TRUE(line);
        return line;
    }

    RecipeIngredientMO* parsed(const QString& text)
    {
        RecipeIngredientMO* line = newLine();
        line->setString(text);
        return line;
    }

    static QString ingredientName(const RecipeIngredientMO* line)
    {
        const IngredientMO* ingredient = line->baseIngredient();
        return ingredient ? ingredient->name() : QString();
    }

    IngredientMO* placeholder = nullptr;
};
