#include "CollectionsTreeController.h"

#include "Folder.h"
#include "ModelStoreFixture.h"
#include "RecipeCollection.h"

namespace
{

class CollectionsTreeControllerTest : public ModelStoreFixture
{
protected:
    ManagedObject* collection(const QString& entity, const QString& name, int index, const QString& kind)
    {
        ManagedObject* made = insertNamed(entity, name);
        made->setValueForKey(index, QStringLiteral("index"));
        made->setPrimitiveValue(kind, QStringLiteral("kind"));
        return made;
    }

    static QStringList names(const std::vector<std::unique_ptr<CollectionsTreeController::Node>>& nodes)
    {
        QStringList result;
        for (const auto& node : nodes)
            result.append(node->collection->valueForKey(QStringLiteral("name")).toString());
        return result;
    }
};

} // namespace

TEST_F(CollectionsTreeControllerTest, TopLevelAndFolderChildrenByIndexThenName)
{
    collection(
        QStringLiteral("ManualCollection"), QStringLiteral("Zucchini"), 6, KRCollectionKindManualCollection);
    auto* folder = static_cast<Folder*>(
        collection(QStringLiteral("Folder"), QStringLiteral("Desserts"), 7, KRCollectionKindFolder));
    collection(QStringLiteral("ManualCollection"), QStringLiteral("Recent Imports"), 2,
        KRCollectionKindImportedCollection);
    collection(QStringLiteral("SmartCollection"), QStringLiteral("Recently Cooked"), 2,
        KRCollectionKindRecentlyCookedCollection);
    collection(
        QStringLiteral("ManualCollection"), QStringLiteral("Recipe Library"), 0, KRCollectionKindMainLibrary);
    ManagedObject* cakes = collection(
        QStringLiteral("ManualCollection"), QStringLiteral("Cakes"), 1, KRCollectionKindManualCollection);
    ManagedObject* pies = collection(
        QStringLiteral("ManualCollection"), QStringLiteral("Pies"), 0, KRCollectionKindManualCollection);
    folder->addChildrenObject(cakes);
    folder->addChildrenObject(pies);
    ManagedObject* gone = collection(
        QStringLiteral("ManualCollection"), QStringLiteral("Gone"), 8, KRCollectionKindManualCollection);
    context->deleteObject(gone);
    context->processPendingChanges();

    ManagedObjectContext* current = context.get();
    CollectionsTreeController tree([&current] { return current; });
    tree.rearrangeObjects();
    EXPECT_EQ(names(tree.roots()),
        QStringList({ "Recipe Library", "Recent Imports", "Recently Cooked", "Zucchini", "Desserts" }));
    const CollectionsTreeController::Node* desserts = tree.nodeAt({ 4 });
    ASSERT_NE(desserts, nullptr);
    EXPECT_EQ(desserts->collection, folder);
    EXPECT_EQ(names(desserts->children), QStringList({ "Pies", "Cakes" }));
    EXPECT_EQ(desserts->children[1]->parent, desserts);

    EXPECT_EQ(tree.arrangedIndexPathForObject(cakes), QList<int>({ 4, 1 }));
    EXPECT_EQ(tree.nodeAt({ 4, 1 })->collection, cakes);
    EXPECT_TRUE(tree.arrangedIndexPathForObject(gone).isEmpty());
    EXPECT_TRUE(tree.arrangedIndexPathForObject(nullptr).isEmpty());
    EXPECT_EQ(tree.nodeAt({ 4, 2 }), nullptr);
    EXPECT_EQ(tree.nodeAt({ -1 }), nullptr);

    current = nullptr;
    tree.rearrangeObjects();
    EXPECT_TRUE(tree.roots().empty());
}
