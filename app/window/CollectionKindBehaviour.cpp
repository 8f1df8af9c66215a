#include "CollectionKindBehaviour.h"

#include "ManagedObject.h"
#include "RecipeCollection.h"

CollectionKindBehaviour CollectionKindBehaviour::forKind(const QString& kind)
{
    CollectionKindBehaviour b;
    using D = RecipeDeletion;
    if (kind == KRCollectionKindMainLibrary) {
        b.takesRecipes = true;
        b.recipeDeletion = D::DeletesRecipes;
    } else if (kind == KRCollectionKindSearchCache) {
        b.shows = Shows::SearchResults;
        b.recipeDeletion = D::Refused;
    } else if (kind == KRCollectionKindImportedCollection) {
        b.extraDateColumn = ExtraDateColumn::Added;
        b.recipeDeletion = D::Refused;
    } else if (kind == KRCollectionKindRecentlyCookedCollection) {
        b.extraDateColumn = ExtraDateColumn::Cooked;
        b.recipeDeletion = D::Refused;
    } else if (kind == KRCollectionKindGroceryListsCollection) {
        b.shows = Shows::GroceryLists;
        b.takesRecipes = true;
        b.makesGroceryLists = true;
        b.recipeDeletion = D::NotOffered;
    } else if (kind == KRCollectionKindDevicesFolder) {
        b.recipeDeletion = D::RemovesFromCollection;
    } else if (kind == KRCollectionKindDeviceCollection) {
        b.shows = Shows::DeviceInfo;
        b.takesRecipes = true;
        b.takesGroceryLists = true;
        b.sendsToDevice = true;
        b.recipeDeletion = D::NotOffered;
    } else if (kind == KRCollectionKindFolder) {
        b.renamesAndDeletes = true;
        b.takesCollectionsInside = true;
    } else if (kind == KRCollectionKindSmartCollection) {
        b.renamesAndDeletes = true;
        b.recipeDeletion = D::Refused;
    } else {
        b.renamesAndDeletes = true;
        b.takesRecipes = true;
    }
    return b;
}

CollectionKindBehaviour CollectionKindBehaviour::forCollection(const ManagedObject* collection)
{
    if (!collection) {
        CollectionKindBehaviour none;
        none.recipeDeletion = RecipeDeletion::Refused;
        return none;
    }
    return forKind(collection->valueForKey(QStringLiteral("kind")).toString());
}
