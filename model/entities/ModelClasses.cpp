#include "ModelClasses.h"

#include "BaseMOAdditions.h"
#include "CategoryMO.h"
#include "CommentMO.h"
#include "CuisineMO.h"
#include "DeviceCollection.h"
#include "DirectionMO.h"
#include "Folder.h"
#include "ImageMO.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "KitchenMO.h"
#include "ManagedObject.h"
#include "ManualCollection.h"
#include "NoteMO.h"
#include "RecipeCollection.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "SmartCollection.h"
#include "SubstitutionMO.h"

void registerModelClasses()
{
    ManagedObject::registerClass<RecipeMO>(QStringLiteral("RecipeMO"));
    ManagedObject::registerClass<DirectionMO>(QStringLiteral("DirectionMO"));
    ManagedObject::registerClass<NoteMO>(QStringLiteral("NoteMO"));
    ManagedObject::registerClass<CategoryMO>(QStringLiteral("CategoryMO"));
    ManagedObject::registerClass<CuisineMO>(QStringLiteral("CuisineMO"));
    ManagedObject::registerClass<KitchenMO>(QStringLiteral("KitchenMO"));
    ManagedObject::registerClass<CommentMO>(QStringLiteral("CommentMO"));
    ManagedObject::registerClass<RecipeCollection>(QStringLiteral("RecipeCollection"));
    ManagedObject::registerClass<Folder>(QStringLiteral("Folder"));
    ManagedObject::registerClass<ManualCollection>(QStringLiteral("ManualCollection"));
    ManagedObject::registerClass<SmartCollection>(QStringLiteral("SmartCollection"));
    ManagedObject::registerClass<DeviceCollection>(QStringLiteral("DeviceCollection"));
    ManagedObject::registerClass<ImageMO>(QStringLiteral("ImageMO"));
    ManagedObject::registerClass<IngredientMO>(QStringLiteral("IngredientMO"));
    ManagedObject::registerClass<RecipeIngredientMO>(QStringLiteral("RecipeIngredientMO"));
    ManagedObject::registerClass<SubstitutionMO>(QStringLiteral("SubstitutionMO"));
    BaseMOAdditions::setIngredientTrieLookup(
        [](ManagedObjectContext* context, const QString& name) -> ManagedObject* {
            const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(context);
            return trie ? trie->ingredientObjectForKey(name) : nullptr;
        });
}
