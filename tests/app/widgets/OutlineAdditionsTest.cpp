#include "CellRoles.h"
#include "KeyValueCoding.h"
#include "KitchoraExtensions.h"
#include "Log.h"
#include "ManagedObjectToNameOneWayTransformer.h"
#include "MyExtensions.h"

#include <QStandardItemModel>
#include <QTreeView>
#include <gtest/gtest.h>

namespace
{

// Library, Folder (Inner (Deep), Soups), Desserts; each item's object is its name.
struct OutlineFixture : ::testing::Test {
    OutlineFixture()
    {
        auto* folder = item("Folder");
        auto* inner = item("Inner");
        inner->appendRow(item("Deep"));
        folder->appendRow(inner);
        folder->appendRow(item("Soups"));
        model.appendRow(item("Library"));
        model.appendRow(folder);
        model.appendRow(item("Desserts"));
        view.setModel(&model);
        view.setSelectionMode(QAbstractItemView::ExtendedSelection);
        view.resize(200, 300);
    }

    static QStandardItem* item(const QString& name)
    {
        auto* item = new QStandardItem(name);
        item->setData(name, CellRoles::RepresentedObjectRole);
        return item;
    }

    QModelIndex at(const QList<int>& path) const
    {
        return MyExtensions::outlineItemForArrangedIndexPath(model, path);
    }

    static QStringList names(const QModelIndexList& items)
    {
        QStringList names;
        for (const QModelIndex& index : items)
            names.append(index.data().toString());
        return names;
    }

    const KitchoraExtensions::UniqueValue byName = [](const QModelIndex& index) { return index.data(); };
    QStandardItemModel model;
    QTreeView view;
};

} // namespace

TEST_F(OutlineFixture, ChildrenByDepthFirstSearchAreInPreOrder)
{
    EXPECT_EQ(names(MyExtensions::childrenByDepthFirstSearch(model, at({ 1 }))),
        QStringList({ "Inner", "Deep", "Soups" }));
    EXPECT_EQ(names(MyExtensions::childOutlineItemsByDepthFirstSearchUnderItem(model, {})),
        QStringList({ "Library", "Folder", "Inner", "Deep", "Soups", "Desserts" }));
    EXPECT_TRUE(MyExtensions::childrenByDepthFirstSearch(model, at({ 0 })).isEmpty());
}

TEST_F(OutlineFixture, IndexPathsOfObjectsAtAnyDepth)
{
    const struct {
        const char* object;
        QList<int> path;
    } cases[] = {
        { "Library", { 0 } },
        { "Deep", { 1, 0, 0 } },
        { "Soups", { 1, 1 } },
        { "Desserts", { 2 } },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MyExtensions::arrangedIndexPathForObject(model, QString(c.object)), c.path) << c.object;
        const QModelIndex item = MyExtensions::outlineItemForObject(model, QString(c.object));
        EXPECT_EQ(MyExtensions::objectForOutlineItem(item).toString(), c.object);
        EXPECT_EQ(MyExtensions::arrangedIndexPathForOutlineItem(item), c.path) << c.object;
    }
    EXPECT_EQ(MyExtensions::lastIndex({ 1, 0, 2 }), 2);
    EXPECT_EQ(MyExtensions::lastIndex({}), -1);
}

TEST_F(OutlineFixture, AnObjectNotInTheTreeHasNoPathAndIsLogged)
{
    Log::Capture capture;
    EXPECT_EQ(MyExtensions::arrangedIndexPathForObject(model, QString("Breads")), std::nullopt);
    EXPECT_FALSE(MyExtensions::outlineItemForObject(model, QString("Breads")).isValid());
    EXPECT_EQ(capture.lines(),
        QStringList(
            { "unable to determine indexPath for object", "unable to determine indexPath for object" }));
}

TEST_F(OutlineFixture, SiblingObjectsAndPathsThatLeadNowhere)
{
    EXPECT_EQ(
        MyExtensions::siblingObjectsAtArrangedIndexPath(model, { 1, 1 }), QVariantList({ "Inner", "Soups" }));
    EXPECT_EQ(MyExtensions::siblingObjectsAtArrangedIndexPath(model, { 2 }),
        QVariantList({ "Library", "Folder", "Desserts" }));
    for (const QList<int>& nowhere :
        { QList<int> { 3 }, QList<int> { 1, 5 }, QList<int> { -1 }, QList<int> { 0, 0 } }) {
        EXPECT_FALSE(at(nowhere).isValid());
        EXPECT_TRUE(MyExtensions::siblingObjectsAtArrangedIndexPath(model, nowhere).isEmpty());
    }
    EXPECT_EQ(MyExtensions::objectsForOutlineItems({ at({ 2 }), at({ 1, 0 }) }),
        QVariantList({ "Desserts", "Inner" }));
}

TEST_F(OutlineFixture, RestoringExpandedStateOpensFoldersBeforeTheirChildren)
{
    EXPECT_TRUE(KitchoraExtensions::restoreExpandedStateFromArray(view, {}, byName));
    EXPECT_FALSE(view.isExpanded(at({ 1 })));
    EXPECT_FALSE(KitchoraExtensions::restoreExpandedStateFromArray(view, { "Folder" }, nullptr));
    EXPECT_FALSE(view.isExpanded(at({ 1 })));

    // The inner folder is no row until its parent opens.
    EXPECT_TRUE(KitchoraExtensions::restoreExpandedStateFromArray(view, { "Inner", "Folder" }, byName));
    EXPECT_TRUE(view.isExpanded(at({ 1 })));
    EXPECT_FALSE(view.isExpanded(at({ 1, 0 })));

    view.collapse(at({ 1 }));
    EXPECT_TRUE(KitchoraExtensions::restoreExpandedStateFromArray(view, { "Folder", "Inner" }, byName));
    EXPECT_TRUE(view.isExpanded(at({ 1 })));
    EXPECT_TRUE(view.isExpanded(at({ 1, 0 })));
    EXPECT_EQ(KitchoraExtensions::expandedStateArray(view, byName), QVariantList({ "Folder", "Inner" }));
    EXPECT_EQ(KitchoraExtensions::expandedStateArray(view, nullptr), std::nullopt);

    view.collapse(at({ 1 }));
    EXPECT_EQ(KitchoraExtensions::expandedStateArray(view, byName), QVariantList());
    // Expanding every top-level row leaves the rows without children out.
    view.expandToDepth(0);
    EXPECT_EQ(KitchoraExtensions::expandedStateArray(view, byName), QVariantList({ "Folder" }));
}

TEST_F(OutlineFixture, SelectionOfItemsInRowOrder)
{
    view.expand(at({ 1 }));
    KitchoraExtensions::selectOneItem(view, at({ 2 }));
    KitchoraExtensions::selectOneItem(view, at({ 1, 1 }), true);
    KitchoraExtensions::selectOneItem(view, at({ 0 }), true);
    EXPECT_EQ(
        names(KitchoraExtensions::allSelectedItems(view)), QStringList({ "Library", "Soups", "Desserts" }));
    EXPECT_EQ(KitchoraExtensions::selectedItem(view).data().toString(), "Library");

    // An item inside a collapsed folder is no row: extending leaves the selection, else it is cleared.
    KitchoraExtensions::selectOneItem(view, at({ 1, 0, 0 }), true);
    EXPECT_EQ(names(KitchoraExtensions::allSelectedItems(view)).size(), 3);
    KitchoraExtensions::selectOneItem(view, at({ 1, 0, 0 }));
    EXPECT_TRUE(KitchoraExtensions::allSelectedItems(view).isEmpty());
    EXPECT_FALSE(KitchoraExtensions::selectedItem(view).isValid());

    KitchoraExtensions::selectOneItem(view, at({ 1, 1 }));
    EXPECT_EQ(names(KitchoraExtensions::allSelectedItems(view)), QStringList({ "Soups" }));
}

TEST(ManagedObjectToNameOneWayTransformer, ShowsAnObjectByItsName)
{
    struct Named : KeyValueCoding {
        QVariant valueForKey(const QString& key) const override
        {
            return key == "name" ? QVariant("Soups") : QVariant();
        }
    } named;
    const ManagedObjectToNameOneWayTransformer transformer;
    const QVariant object = QVariant::fromValue<KeyValueCoding*>(&named);
    EXPECT_EQ(transformer.transformedValue(object), QVariant("Soups"));
    EXPECT_FALSE(transformer.transformedValue(QVariant("Soups")).isValid());
    EXPECT_FALSE(transformer.transformedValue(QVariant()).isValid());
    EXPECT_EQ(transformer.reverseTransformedValue(QVariant(4)), QVariant(4));
}
