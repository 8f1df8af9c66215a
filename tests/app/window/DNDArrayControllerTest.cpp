#include "DNDArrayController.h"

#include "CountOfIndexesInRange.h"
#include "KitchoraController.h"
#include "RecordingPresenter.h"
#include "ScratchUserDefaults.h"

#include <QMimeData>
#include <gtest/gtest.h>

namespace
{

// Rows are maps {"kind", "name"}; the controller's class makes objects of its own kind.
class DNDArrayControllerTest : public ::testing::Test
{
protected:
    void SetUp() override { defaults.defaults().setBool(true, KRConfirmsGroceryListDelete); }

    void fill(DNDArrayController& controller, const QString& kind, const QStringList& names)
    {
        DNDArrayController::Outlets outlets;
        outlets.tableView = &table;
        outlets.presenter = &presenter;
        controller.setOutlets(outlets);
        controller.setObjectClass(kind);
        controller.setPropertyListRepresentation([](const QVariant& object) {
            return QVariantMap { { QStringLiteral("name"), object.toMap().value(QStringLiteral("name")) } };
        });
        controller.setObjectWithPropertyListRepresentation([kind](const QVariant& plist) {
            QVariantMap object = plist.toMap();
            if (!object.contains(QStringLiteral("name")))
                return QVariant();
            object.insert(QStringLiteral("kind"), kind);
            return QVariant(object);
        });
        QVariantList content;
        for (const QString& name : names)
            content.append(
                QVariantMap { { QStringLiteral("kind"), kind }, { QStringLiteral("name"), name } });
        controller.setContent(content);
    }

    static QStringList names(
        const DNDArrayController& controller, const QString& key = QStringLiteral("name"))
    {
        QStringList result;
        for (const QVariant& object : controller.arrangedObjects())
            result.append(object.toMap().value(key).toString());
        return result;
    }

    ScratchUserDefaults defaults;
    RecordingPresenter presenter;
    int table = 0;
    int otherTable = 0;
};

} // namespace

TEST_F(DNDArrayControllerTest, RowsMoveAboveTheDropRowAndCopyInThere)
{
    const struct {
        const char* what;
        QList<qsizetype> dragged;
        qsizetype row;
        bool option;
        QStringList expected;
        QList<qsizetype> selected;
    } cases[] = {
        { "down", { 1, 2 }, 4, false, { "a", "d", "b", "c", "e" }, { 2, 3 } },
        { "up", { 3 }, 0, false, { "d", "a", "b", "c", "e" }, { 0 } },
        { "onto itself", { 1 }, 1, false, { "a", "b", "c", "d", "e" }, { 1 } },
        { "to the end", { 0, 2 }, 5, false, { "b", "d", "e", "a", "c" }, { 3, 4 } },
        { "negative row", { 4 }, -3, false, { "e", "a", "b", "c", "d" }, { 0 } },
        { "copy", { 1, 2 }, 4, true, { "a", "b", "c", "d", "b", "c", "e" }, { 4, 5 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DNDArrayController controller;
        fill(controller, GroceryListClassName, { "a", "b", "c", "d", "e" });
        QMimeData data;
        controller.writeRows(c.dragged, data);
        const DNDArrayController::DropTarget target = controller.validateDrop(&table, c.row, c.option);
        EXPECT_EQ(target.operation,
            c.option ? DNDArrayController::DragOperation::Copy : DNDArrayController::DragOperation::Move);
        EXPECT_TRUE(controller.acceptDrop(data, &table, c.row, c.option));
        EXPECT_EQ(names(controller), c.expected);
        EXPECT_EQ(controller.selectionIndexes(), c.selected);
        EXPECT_TRUE(presenter.alerts.isEmpty()) << "moving asks nothing";
        EXPECT_FALSE(controller.isMovingObjects());
    }
}

TEST_F(DNDArrayControllerTest, CopiesAreOfTheTablesOwnClass)
{
    DNDArrayController lists;
    fill(lists, GroceryListClassName, { "Monday", "Party" });
    QMimeData data;
    lists.writeRows({ 1 }, data);
    ASSERT_TRUE(lists.acceptDrop(data, &table, 0, true));
    EXPECT_EQ(names(lists, QStringLiteral("kind")), QStringList(3, GroceryListClassName));
    EXPECT_EQ(names(lists), (QStringList { "Party", "Monday", "Party" }));
}

TEST_F(DNDArrayControllerTest, DropsFromElsewhereOrWithoutRowsAreRefused)
{
    DNDArrayController controller;
    fill(controller, QStringLiteral("GroceryItem"), { "a", "b" });
    QMimeData rows;
    controller.writeRows({ 0 }, rows);
    EXPECT_EQ(
        controller.validateDrop(&otherTable, 1, false).operation, DNDArrayController::DragOperation::None);
    EXPECT_EQ(controller.validateDrop(nullptr, 1, true).operation, DNDArrayController::DragOperation::None);
    EXPECT_FALSE(controller.acceptDrop(rows, &otherTable, 1, false));

    QMimeData empty;
    EXPECT_FALSE(controller.acceptDrop(empty, &table, 1, false));
    EXPECT_FALSE(controller.acceptDrop(empty, &table, 1, true));
    QMimeData garbage;
    garbage.setData(QStringLiteral("application/x-kitchora-moved-rows"), "not a list");
    garbage.setData(QStringLiteral("application/x-kitchora-copied-rows"), "nor this");
    EXPECT_FALSE(controller.acceptDrop(garbage, &table, 1, false));
    EXPECT_FALSE(controller.acceptDrop(garbage, &table, 1, true));
    EXPECT_EQ(names(controller), (QStringList { "a", "b" }));
}

TEST_F(DNDArrayControllerTest, RemovingGroceryListsAsksOnceAndCancelKeepsThem)
{
    DNDArrayController lists;
    fill(lists, GroceryListClassName, { "a", "b", "c" });
    presenter.alertAnswers.enqueue(1);
    lists.removeObjectsAtArrangedObjectIndexes({ 0, 1 });
    EXPECT_EQ(presenter.alerts.size(), 1);
    EXPECT_EQ(names(lists), (QStringList { "a", "b", "c" }));
    lists.removeObjectsAtArrangedObjectIndexes({ 0, 1 });
    EXPECT_EQ(presenter.alerts.size(), 2);
    EXPECT_EQ(names(lists), QStringList { "c" });
    lists.removeObjectAtArrangedObjectIndex(0);
    EXPECT_EQ(presenter.alerts.size(), 3);
    EXPECT_TRUE(names(lists).isEmpty());

    // Items are removed without asking.
    DNDArrayController items;
    fill(items, QStringLiteral("GroceryItem"), { "eggs", "milk" });
    items.removeObjectsAtArrangedObjectIndexes({ 0, 1 });
    EXPECT_EQ(presenter.alerts.size(), 3);
    EXPECT_TRUE(names(items).isEmpty());
}

TEST(CountOfIndexesInRangeTest, CountsTheIndexesInsideTheRange)
{
    const QList<qsizetype> indexes { 1, 2, 5, 9 };
    const struct {
        qsizetype location, length, expected;
    } cases[] = { { 0, 4, 2 }, { 0, 0, 0 }, { 2, 4, 2 }, { 9, 1, 1 }, { 10, 5, 0 }, { 0, -1, 0 } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.location);
        EXPECT_EQ(CountOfIndexesInRange::countOfIndexesInRange(indexes, c.location, c.length), c.expected);
    }
}
