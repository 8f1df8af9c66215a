#include "GroceryListsFile.h"

#include "Log.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

namespace
{

class GroceryListsFileTest : public ::testing::Test
{
protected:
    QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    void writeFile(const QByteArray& data)
    {
        QFile file(folder.filePath(GroceryListsFile::fileName));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }

    QTemporaryDir folder;
    const QDateTime date = QDateTime(QDate(2026, 3, 14), QTime(9, 30, 15), Qt::UTC);
};

GroceryList soupList(const QDateTime& date)
{
    GroceryItem carrots;
    carrots.setItemName(QStringLiteral("carrots, diced"));
    carrots.setAmount(QStringLiteral("500 ml"));
    carrots.setIngredientManagedObjectURL(QUrl(QStringLiteral("x-coredata://ABC/Ingredient/p7")));
    GroceryItem bread; // typed by hand
    bread.setHaveIt(true);
    return GroceryList(QStringLiteral("Soup Grocery List (03/14)"), date, { carrots, bread });
}

TEST_F(GroceryListsFileTest, ListsRoundTripThroughTheFileInOrder)
{
    GroceryListsFile file(folder.path());
    GroceryListsFile::GroceryLists lists;
    lists.push_back(std::make_unique<GroceryList>(soupList(date).propertyListRepresentation()));
    lists.push_back(
        std::make_unique<GroceryList>(QStringLiteral("Party"), date.addDays(1), QList<GroceryItem> {}));
    ASSERT_TRUE(file.writeGroceryLists(lists));
    EXPECT_TRUE(contents(file.path()).startsWith("<?xml"));

    const GroceryListsFile::GroceryLists read = GroceryListsFile(folder.path()).restoreGroceryLists();
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0]->name(), QStringLiteral("Soup Grocery List (03/14)"));
    EXPECT_EQ(read[0]->date(), date);
    EXPECT_EQ(read[0]->items(), soupList(date).items());
    EXPECT_EQ(read[1]->name(), QStringLiteral("Party"));
    EXPECT_EQ(read[1]->countItems(), 0u);

    // A hand-typed item keeps its placeholders and has no "url".
    const QVariantMap handTyped = read[0]->items().at(1).propertyListRepresentation();
    EXPECT_EQ(
        handTyped, (QVariantMap { { "name", "Item Name" }, { "amount", "Amount" }, { "haveit", true } }));
}

TEST_F(GroceryListsFileTest, ListWithoutANameKeepsItsDateAndItems)
{
    GroceryList unnamed = soupList(date);
    unnamed.setName(QString());
    const QVariantMap plist = unnamed.propertyListRepresentation();
    EXPECT_FALSE(plist.contains(QStringLiteral("name")));

    GroceryListsFile file(folder.path());
    ASSERT_TRUE(file.writeGroceryLists(QList<const GroceryList*> { &unnamed }));
    const GroceryListsFile::GroceryLists read = file.restoreGroceryLists();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0]->date(), date);
    EXPECT_EQ(read[0]->items(), unnamed.items());

    // An item without a name keeps its amount and mark too.
    GroceryItem nameless;
    nameless.setItemName(QString());
    nameless.setHaveIt(true);
    EXPECT_EQ(GroceryItem(nameless.propertyListRepresentation()), nameless);
}

TEST_F(GroceryListsFileTest, FileWithoutListsOrWithForeignEntriesLoadsWhatIsThere)
{
    GroceryListsFile file(folder.path());
    int told = 0;
    file.setUnreadableFileHandler([&](const Error&) { ++told; });
    EXPECT_TRUE(file.restoreGroceryLists().empty()); // no file

    writeFile(
        PropertyList::dataWithPropertyList(QVariantMap { { "other", 1 } }, PropertyList::Format::Binary));
    EXPECT_TRUE(file.restoreGroceryLists().empty());

    const QVariantList entries { 5,
        QVariantMap { { "name", 7 }, { "items", QVariantList { "x", QVariantMap {} } } } };
    writeFile(PropertyList::dataWithPropertyList(
        QVariantMap { { "grocerylists", entries } }, PropertyList::Format::Xml));
    const GroceryListsFile::GroceryLists read = file.restoreGroceryLists();
    ASSERT_EQ(read.size(), 1u);
    EXPECT_TRUE(read[0]->name().isNull());
    EXPECT_FALSE(read[0]->date().isValid());
    ASSERT_EQ(read[0]->countItems(), 1u);
    EXPECT_FALSE(read[0]->items().first().haveIt());
    EXPECT_EQ(told, 0);
}

TEST_F(GroceryListsFileTest, UnreadableFileIsSetAsideAndTheUserTold)
{
    for (const QByteArray& damaged : { QByteArray("<?xml version=\"1.0\"?><plist><dict><key>gro"),
             PropertyList::dataWithPropertyList(QVariantList { 1 }, PropertyList::Format::Xml),
             PropertyList::dataWithPropertyList(
                 QVariantMap { { "grocerylists", "no" } }, PropertyList::Format::Xml) }) {
        QDir(folder.path()).removeRecursively();
        QDir().mkpath(folder.path());
        writeFile(damaged);
        GroceryListsFile file(folder.path());
        QList<Error> told;
        file.setUnreadableFileHandler([&](const Error& error) { told.append(error); });
        Log::Capture log;
        EXPECT_TRUE(file.restoreGroceryLists().empty());
        EXPECT_TRUE(
            log.contains(QStringLiteral("-[GroceryListController restoreGroceryListsFromProperyList]: error "
                                        "converting property lists data into dictionary: ")));
        ASSERT_EQ(told.size(), 1);
        EXPECT_TRUE(told[0].localizedDescription.contains(QStringLiteral("grocerylists (unreadable).plist")));
        EXPECT_EQ(file.movedAsidePath(), folder.filePath(QStringLiteral("grocerylists (unreadable).plist")));
        EXPECT_EQ(contents(file.movedAsidePath()), damaged);

        // Quitting stores the lists of this run beside the kept file.
        GroceryList list;
        ASSERT_TRUE(file.writeGroceryLists(QList<const GroceryList*> { &list }));
        EXPECT_EQ(GroceryListsFile(folder.path()).restoreGroceryLists().size(), 1u);
        EXPECT_EQ(contents(file.movedAsidePath()), damaged);
    }
}

TEST_F(GroceryListsFileTest, SecondUnreadableFileDoesNotReplaceTheFirstKeptOne)
{
    Log::Capture log;
    writeFile("first damage");
    GroceryListsFile(folder.path()).restoreGroceryLists();
    writeFile("second damage");
    GroceryListsFile file(folder.path());
    file.restoreGroceryLists();
    EXPECT_EQ(file.movedAsidePath(), folder.filePath(QStringLiteral("grocerylists (unreadable 2).plist")));
    EXPECT_EQ(contents(folder.filePath(QStringLiteral("grocerylists (unreadable).plist"))), "first damage");
    EXPECT_EQ(contents(file.movedAsidePath()), "second damage");
}

TEST_F(GroceryListsFileTest, FailedWriteIsLoggedAndReported)
{
    QDir(folder.path()).mkpath(GroceryListsFile::fileName + QStringLiteral("/inside")); // a folder in the way
    GroceryListsFile file(folder.path());
    GroceryList list;
    Log::Capture log;
    EXPECT_FALSE(file.writeGroceryLists(QList<const GroceryList*> { &list }));
    EXPECT_TRUE(log.contains(QStringLiteral(
        "-[GroceryListController applicationWillTerminate:]: error writing property list data: ")));
}

} // namespace
