#include "CollectionTree.h"

#include "Folder.h"
#include "ModelStoreFixture.h"
#include "RecipeCollection.h"

namespace
{

class CollectionTreeTest : public ModelStoreFixture
{
protected:
    ManagedObject* collection(const QString& entity, const QString& name, int index, const QString& kind)
    {
        ManagedObject* made = insertNamed(entity, name);
        made->setValueForKey(index, QStringLiteral("index"));
        made->setPrimitiveValue(kind, QStringLiteral("kind"));
        return made;
    }

    static QStringList names(const std::vector<std::unique_ptr<CollectionTree::Node>>& nodes)
    {
        QStringList result;
        for (const auto& node : nodes)
            result.append(node->name);
        return result;
    }
};

} // namespace

TEST_F(CollectionTreeTest, TopLevelAndFolderChildrenByIndexThenName)
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

    CollectionTree tree;
    tree.rebuild(context.get());
    EXPECT_EQ(names(tree.roots()),
        QStringList({ "Recipe Library", "Recent Imports", "Recently Cooked", "Zucchini", "Desserts" }));
    const CollectionTree::Node* desserts = tree.nodeAt({ 4 });
    ASSERT_NE(desserts, nullptr);
    EXPECT_EQ(desserts->collection, folder);
    EXPECT_EQ(names(desserts->children), QStringList({ "Pies", "Cakes" }));
    EXPECT_EQ(desserts->children[1]->parent, desserts);

    EXPECT_EQ(tree.pathOf(cakes), QList<int>({ 4, 1 }));
    EXPECT_EQ(tree.nodeAt({ 4, 1 })->collection, cakes);
    EXPECT_TRUE(tree.pathOf(gone).isEmpty());
    EXPECT_TRUE(tree.pathOf(nullptr).isEmpty());
    EXPECT_EQ(tree.nodeAt({ 4, 2 }), nullptr);
    EXPECT_EQ(tree.nodeAt({ -1 }), nullptr);

    tree.rebuild(nullptr);
    EXPECT_TRUE(tree.roots().empty());
}
