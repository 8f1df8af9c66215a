#include "ManualCollection.h"
#include "ModelStoreFixture.h"
#include "RecipeArrayController.h"
#include "SmartCollection.h"

namespace
{

using RecipeListTest = ModelStoreFixture;

QStringList names(const QVariantList& recipes)
{
    QStringList result;
    for (const QVariant& recipe : recipes)
        result.append(recipe.value<ManagedObject*>()->valueForKey(QStringLiteral("name")).toString());
    return result;
}

} // namespace

TEST_F(RecipeListTest, EachKindOfCollectionListsItsRecipesByName)
{
    auto* library = static_cast<ManualCollection*>(makeCollection(KRCollectionKindMainLibrary));
    auto* manual = static_cast<ManualCollection*>(makeCollection(KRCollectionKindManualCollection));
    QList<ManagedObject*> recipes;
    for (const char* name : { "pancakes", "Waffles", "apple pie", "Bread", "crepes" }) {
        ManagedObject* recipe = insertNamed(QStringLiteral("Recipe"), QString::fromLatin1(name));
        library->addRecipesObject(recipe);
        recipes.append(recipe);
    }
    manual->addRecipesObject(recipes[0]);
    manual->addRecipesObject(recipes[3]);
    manual->addRecipesObject(recipes[4]);
    context->deleteObject(recipes[4]);
    auto* smart = static_cast<SmartCollection*>(insert(QStringLiteral("SmartCollection")));
    smart->setPredicate(*Predicate::predicateWithFormat(QStringLiteral("name BEGINSWITH \"p\"")));
    ManagedObject* folder = insert(QStringLiteral("Folder"));
    context->processPendingChanges();

    const struct {
        const char* what;
        ManagedObject* collection;
        QStringList expected;
    } cases[] = {
        { "library", library, { "Bread", "Waffles", "apple pie", "pancakes" } },
        { "manual collection without its deleted recipe", manual, { "Bread", "pancakes" } },
        { "smart collection", smart, { "pancakes" } },
        { "folder", folder, {} },
        { "nothing", nullptr, {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RecipeArrayController list;
        list.setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
        list.setCollection(c.collection);
        EXPECT_EQ(list.collection(), c.collection);
        EXPECT_EQ(names(list.arrangedObjects()), c.expected);
        EXPECT_EQ(list.recipeAt(list.count()), nullptr);
        EXPECT_EQ(list.recipeAt(-1), nullptr);
    }
}
