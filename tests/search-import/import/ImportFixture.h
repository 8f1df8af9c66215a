#pragma once

#include "IngredientTrie.h"
#include "ModelStoreFixture.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"

#include <algorithm>

// A library store with its library and recent-imports collections, the units and fresh
// ingredient tries, as the importers find them in the program.
class ImportFixture : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        IngredientTrie::rebuildIngredientTries();
        if (UnitsEngine::defaultEngine().units().isEmpty())
            UnitsEngine::defaultEngine().loadUnits(QString());
        makeCollection(KRCollectionKindMainLibrary);
        services.imported = makeCollection(KRCollectionKindImportedCollection);
    }

    void TearDown() override
    {
        IngredientTrie::rebuildIngredientTries();
        ModelStoreFixture::TearDown();
    }

    // The texts of a recipe's list, in "index" order, and whether the indexes run 1..n.
    static QStringList itemTexts(RecipeMO* recipe, const QString& key)
    {
        QStringList texts;
        qint64 expected = 1;
        for (ManagedObject* item : recipe->sortedItemsForKey(key)) {
            EXPECT_EQ(item->valueForKey(QStringLiteral("index")).toLongLong(), expected++)
                << key.toStdString();
            texts.append(key == QLatin1String("ingredients")
                    ? item->valueForKey(QStringLiteral("displayString")).toString()
                    : item->valueForKey(QStringLiteral("text")).toString());
        }
        return texts;
    }

    QList<ManagedObject*> recipesIn(ManagedObject* collection) const
    {
        return collection->objectsForKey(QStringLiteral("recipes"));
    }
};
