#include "DropboxControllerFixture.h"
#include "Log.h"

namespace
{

class QLMDropboxControllerGroceriesTest : public DropboxControllerFixture
{
protected:
    QLMDropboxControllerGroceriesTest()
    {
        defaults.defaults().setObject(
            QStringLiteral("http://push.example.test"), QLMDropboxController::QLMPushServiceAddressKey);
    }
    static QLMKitchoraDevice phone(bool groceries)
    {
        QLMKitchoraDevice device;
        device.setDropboxPath(DropboxControllerFixture::device("Phone"));
        device.setDeviceToken(QStringLiteral("tok"));
        device.setSupportsGroceryLists(groceries);
        return device;
    }
    static QVariantMap list(const QString& name)
    {
        return { { "name", name },
            { "items", QVariantList { QVariantMap { { "name", "eggs" }, { "haveit", false } } } } };
    }
};

} // namespace

TEST_F(QLMDropboxControllerGroceriesTest, ASlashInTheNameNeverMakesASubfolder)
{
    auto mac = computer("Mac", "OURS");
    mac->addGroceryListPlistToDevice(list("Mon/Tue"), phone(true));
    mac->addGroceryListPlistToDevice(list("Mon/Tue"), phone(true));
    run();
    const QStringList files = names(device("Phone") + "/Grocery Lists");
    ASSERT_EQ(files.size(), 2);
    for (const QString& file : files) {
        EXPECT_TRUE(file.startsWith("Mon_Tue-")) << file.toStdString();
        EXPECT_EQ(readPlist(device("Phone") + "/Grocery Lists/" + file).toMap(), list("Mon/Tue"));
    }
    ASSERT_EQ(pushes.size(), 2);
    EXPECT_NE(pushes[0], pushes[1]);
    const QString uuid = files.first().mid(8, 36);
    EXPECT_TRUE(
        pushes.contains("http://push.example.test/apns-kitchora/client/sendMessageToDevice.php?appId=2"
                        "&deviceToken=tok&message=Mac%20just%20shared%20a%20grocery%20list%20with%20you%21"
                        "&itemId="
            + uuid + "&itemType=1"));
}

TEST_F(QLMDropboxControllerGroceriesTest, ADeviceWithoutGroceryListsGetsNoList)
{
    auto mac = computer("Mac", "OURS");
    mac->addGroceryListPlistToDevice(list("Week"), phone(false));
    run();
    EXPECT_FALSE(exists(device("Phone") + "/Grocery Lists"));
    EXPECT_TRUE(pushes.isEmpty());
}

TEST_F(QLMDropboxControllerGroceriesTest, ListsLeftForThisComputerAreReadAndTheFilesDeleted)
{
    auto mac = computer("Mac", "OURS");
    writePlist(device("Mac") + "/Grocery Lists/Week-1.plist", list("Week"));
    writePlist(
        device("Mac") + "/Grocery Lists/Party-2.plist", QVariantList { list("Party"), list("Brunch") });
    QStringList received;
    int calls = 0;
    mac->checkDropboxAndIfNewGroceriesProcessWithBlock([&](const QVariantList& lists) {
        ++calls;
        for (const QVariant& l : lists)
            received << l.toMap().value("name").toString();
    });
    run();
    received.sort();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(received, QStringList({ "Brunch", "Party", "Week" }));
    EXPECT_EQ(names(device("Mac") + "/Grocery Lists"), QStringList());
}

TEST_F(QLMDropboxControllerGroceriesTest, AnEmptyFolderGivesNoLists)
{
    auto mac = computer("Mac", "OURS");
    QDir().mkpath(root + device("Mac") + "/Grocery Lists");
    int calls = 0;
    Log::Capture log;
    mac->checkDropboxAndIfNewGroceriesProcessWithBlock([&](const QVariantList& lists) {
        ++calls;
        EXPECT_TRUE(lists.isEmpty());
    });
    run();
    EXPECT_EQ(calls, 1);
}
