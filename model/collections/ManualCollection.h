#pragma once

#include "RecipeCollection.h"

// A collection of hand-picked recipes.
class ManualCollection : public RecipeCollection
{
public:
    bool isLeaf() const { return true; }
    bool allowsSubRecipes() const override { return true; }
    // The search cache and recent imports fill themselves; the user adds nothing to them.
    bool canAdd() const override;
    QList<ManagedObject*> recipes() const;
    void addRecipesObject(ManagedObject* recipe);
    void removeRecipesObject(ManagedObject* recipe);
    // "2 recipes, 0.67 days".
    QString summaryString() const override;

    QVariant valueForKey(const QString& key) const override;
    // A leaf: children are neither kept nor shown.
    void setValueForKey(const QVariant& value, const QString& key) override;

protected:
    QString defaultCollectionImageName() const override;
};
