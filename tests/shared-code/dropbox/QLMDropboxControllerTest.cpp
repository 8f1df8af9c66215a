#include "DropboxControllerFixture.h"
#include "Log.h"
#include "NotificationCenter.h"

namespace
{

class QLMDropboxControllerTest : public DropboxControllerFixture
{
};

struct NamingCase {
    QStringList existing;
    QString expected;
};

} // namespace

TEST(QLMDropboxControllerNaming, NewFolderNameNeverCollides)
{
    const QList<NamingCase> cases {
        { {}, "Mac" },
        { { "Kitchen" }, "Mac" },
        { { "Mac" }, "Mac 1" },
        { { "Mac", "Macintosh" }, "Mac 1" },
        { { "Mac", "Mac 1", "Mac 9" }, "Mac 10" },
        { { "Mac", "Mac 1", "Mac 9", "Mac 10" }, "Mac 11" },
        { { "Mac", "Mac 1", "Mac9" }, "Mac 10" },
        { { "Mac", "Mac 0", "Mac -4" }, "Mac 1" },
        { { "Mac", "Mac 2 (old)" }, "Mac 3" },
        { { "Mac", "Mac 1", "Mac 99999999999999999999" }, "Mac 2" },
    };
    for (const NamingCase& c : cases) {
        EXPECT_EQ(
            QLMDropboxController::deviceFolderNameGivenExistingFolderNames("Mac", c.existing), c.expected)
            << c.existing.join(", ").toStdString();
    }
}

TEST_F(QLMDropboxControllerTest, FirstRunOnAnEmptyTreeClaimsTheFolderNamedAfterTheComputer)
{
    auto mac = computer("Mac", "OURS");
    EXPECT_EQ(gate(*mac), device("Mac"));
    const QVariantMap info = readPlist(device("Mac") + "/DeviceInfo.plist").toMap();
    EXPECT_EQ(info.value("UDID"), "OURS");
    EXPECT_EQ(info.value("Device type"), "Mac");
    EXPECT_EQ(info.value("User provided device name"), "Mac");
    EXPECT_EQ(info.value("Kitchora version"), "7");
    EXPECT_EQ(info.value("Device supports grocery lists"), true);
    EXPECT_EQ(info.value("Device last accessed Dropbox on date").typeId(), QMetaType::QDateTime);
}

TEST_F(QLMDropboxControllerTest, OwnIdentifierUnderANumberedNameIsUsedWhereItIs)
{
    writeDevice("Mac", "OTHER");
    writeDevice("Mac 2", "OURS");
    auto mac = computer("Mac", "OURS");
    EXPECT_EQ(gate(*mac), device("Mac 2"));
    EXPECT_EQ(udidIn("Mac"), "OTHER");
    EXPECT_EQ(names("/Kitchora/Devices"), QStringList({ "Mac", "Mac 2" }));
}

TEST_F(QLMDropboxControllerTest, OwnIdentifierUnderAnotherNameMovesToANewNameWhenTheDefaultIsTaken)
{
    writeDevice("Mac", "OTHER");
    writeDevice("Kitchen", "OURS");
    write(device("Kitchen") + "/Recipes/Recipes.plist", "waiting");
    auto mac = computer("Mac", "OURS");
    EXPECT_EQ(gate(*mac), device("Mac 1"));
    EXPECT_EQ(udidIn("Mac"), "OTHER");
    EXPECT_EQ(udidIn("Mac 1"), "OURS");
    EXPECT_EQ(read(device("Mac 1") + "/Recipes/Recipes.plist"), "waiting");
}

TEST_F(QLMDropboxControllerTest, ARenamedComputerMovesItsFolderToTheNewName)
{
    writeDevice("Old Name", "OURS");
    write(device("Old Name") + "/Recipes/Recipes.plist", "waiting");
    writeDevice("Phone", "PHONE");
    auto mac = computer("Mac", "OURS");
    EXPECT_EQ(gate(*mac), device("Mac"));
    EXPECT_FALSE(exists(device("Old Name")));
    EXPECT_EQ(read(device("Mac") + "/Recipes/Recipes.plist"), "waiting");
    EXPECT_EQ(udidIn("Phone"), "PHONE");
}

TEST_F(QLMDropboxControllerTest, TakenNamesGiveTheNextNumber)
{
    writeDevice("Mac", "A");
    writeDevice("Mac 1", "B");
    writeDevice("Mac 9", "C");
    auto mac = computer("Mac", "OURS");
    EXPECT_EQ(gate(*mac), device("Mac 10"));
    EXPECT_EQ(udidIn("Mac 10"), "OURS");
    EXPECT_EQ(udidIn("Mac 9"), "C");
}

TEST_F(QLMDropboxControllerTest, ARecordThatCannotBeReadIsNeverTakenOver)
{
    write(device("Mac") + "/DeviceInfo.plist", "not a property list");
    auto mac = computer("Mac", "OURS");
    Log::Capture log;
    EXPECT_EQ(gate(*mac), device("Mac 1"));
    EXPECT_EQ(read(device("Mac") + "/DeviceInfo.plist"), "not a property list");
}

TEST_F(QLMDropboxControllerTest, AFailedLoadOfTheRecordLeavesTheFolderUnknownAndUntouched)
{
    writeDevice("Mac", "OTHER");
    session->faults().failNext(1, DBOperation::LoadFile, device("Mac") + "/DeviceInfo.plist");
    auto mac = computer("Mac", "OURS");
    Log::Capture log;
    EXPECT_EQ(gate(*mac), QString());
    EXPECT_EQ(udidIn("Mac"), "OTHER");
    EXPECT_FALSE(mac->dropboxDirectoryIsBeingDetermined());
    // The next gated operation searches again.
    EXPECT_EQ(gate(*mac), device("Mac 1"));
}

TEST_F(QLMDropboxControllerTest, TwoGatedCallsStartOneSearchAndRunBothBlocksOnce)
{
    auto mac = computer("Mac", "OURS");
    session->faults().hold(DBOperation::LoadFile);
    int first = 0;
    int second = 0;
    mac->determineCurrentDeviceDirectoryAndThenPerformBlock([&] { ++first; });
    mac->determineCurrentDeviceDirectoryAndThenPerformBlock([&] { ++second; });
    run();
    EXPECT_EQ(session->faults().held().size(), 1);
    session->faults().stopHolding();
    session->faults().releaseAll();
    run();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(mac->pathToCurrentDeviceDirectory(), device("Mac"));
}

TEST_F(QLMDropboxControllerTest, TheRecordIsWrittenAtMostOnceAMinute)
{
    auto mac = computer("Mac", "OURS");
    ASSERT_EQ(gate(*mac), device("Mac"));
    QFile::remove(root + device("Mac") + "/DeviceInfo.plist");
    clock.advance(10);
    int runs = 0;
    mac->determineCurrentDeviceDirectoryAndThenPerformBlock([&] { ++runs; });
    run();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(exists(device("Mac") + "/DeviceInfo.plist"));
    clock.advance(50);
    mac->determineCurrentDeviceDirectoryAndThenPerformBlock([&] { ++runs; });
    run();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(udidIn("Mac"), "OURS");
}

TEST_F(QLMDropboxControllerTest, OtherDevicesAreReadWithTheirValuesTypeChecked)
{
    writeDevice("Phone", "PHONE", "token-1", true);
    writeDevice("Tablet", "TABLET", {}, false);
    writePlist(device("Odd") + "/DeviceInfo.plist",
        QVariantMap { { "UDID", 12 }, { "User provided device name", QVariantList { 1 } } });
    write(device("Broken") + "/DeviceInfo.plist", "garbage");
    write(device("Bare") + "/Recipes/Recipes.plist", "no record here");
    auto mac = computer("Mac", "OURS");
    // Another computer sharing the folder is a device too.
    auto other = computer("Mac", "SECOND");
    ASSERT_EQ(gate(*other), device("Mac"));
    QList<QLMKitchoraDevice> devices;
    int calls = 0;
    Log::Capture log;
    mac->readArrayOfDevicePlists([&](const QList<QLMKitchoraDevice>& read) {
        devices = read;
        ++calls;
    });
    run();
    ASSERT_EQ(calls, 1);
    std::sort(devices.begin(), devices.end(), [](const QLMKitchoraDevice& a, const QLMKitchoraDevice& b) {
        return a.dropboxPath() < b.dropboxPath();
    });
    ASSERT_EQ(devices.size(), 4);
    EXPECT_EQ(devices[0].dropboxPath(), device("Mac"));
    EXPECT_EQ(devices[0].deviceUDID(), "SECOND");
    EXPECT_EQ(devices[1].dropboxPath(), device("Odd"));
    EXPECT_EQ(devices[1].deviceUDID(), QString());
    EXPECT_EQ(devices[1].deviceName(), QString());
    EXPECT_EQ(devices[2].deviceName(), "Phone");
    EXPECT_EQ(devices[2].deviceToken(), "token-1");
    EXPECT_TRUE(devices[2].supportsGroceryLists());
    EXPECT_EQ(devices[3].deviceType(), "iPhone");
    EXPECT_FALSE(devices[3].supportsGroceryLists());
    EXPECT_EQ(mac->pathToCurrentDeviceDirectory(), device("Mac 1"));
}

TEST_F(QLMDropboxControllerTest, LeavingDeletesTheOwnFolderAndUnlinks)
{
    writeDevice("Phone", "PHONE");
    auto mac = computer("Mac", "OURS");
    ASSERT_EQ(gate(*mac), device("Mac"));
    int changes = 0;
    NotificationCenter& center = NotificationCenter::defaultCenter();
    ScopedObserver observer(center,
        center.addObserver(
            DBAuthHelperOSXStateChangedNotification, nullptr, [&](const Notification&) { ++changes; }));
    int completions = 0;
    mac->deleteOwnFolderAndUnlink([&] { ++completions; });
    run();
    EXPECT_EQ(completions, 1);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(exists(device("Mac")));
    EXPECT_TRUE(exists(device("Phone")));
    EXPECT_FALSE(mac->isLinked());
}

TEST_F(QLMDropboxControllerTest, LeavingWithoutAFolderUnlinksAtOnceAndCompletesLater)
{
    auto mac = computer("Mac", "OURS");
    int completions = 0;
    mac->deleteOwnFolderAndUnlink([&] { ++completions; });
    EXPECT_FALSE(mac->isLinked());
    EXPECT_EQ(completions, 0);
    run();
    EXPECT_EQ(completions, 1);
}
