#include "DropboxErrors.h"
#include "DropboxFixture.h"

#include <memory>

using DBFaultsTest = DropboxFixture;

TEST_F(DBFaultsTest, TheNextRequestsOfAKindOnAPathFailAndTheRestGoThrough)
{
    write("/src", "s");
    DBFaults& faults = session->faults();
    faults.failNext(2, DBOperation::UploadFile, "/Kitchora/Devices", DropboxErrors::NotFound);
    faults.failNext(1, DBOperation::MovePath, "/Target");

    client.uploadFile("a", "/Elsewhere", local("/src")); // another path
    client.createFolder("/Kitchora/Devices/Mac"); // another kind
    client.uploadFile("a", "/Kitchora/Devices/Mac", local("/src"));
    client.uploadFile("b", "/Kitchora/Devices", local("/src"));
    client.uploadFile("c", "/Kitchora/Devices", local("/src"));
    client.moveFrom("/src", "/Target/src"); // matched by its destination
    client.moveFrom("/src", "/Target/src");
    EXPECT_EQ(answer(),
        (QStringList { "uploaded /Elsewhere/a", "created /Kitchora/Devices/Mac", "failed 4", "failed 4",
            "uploaded /Kitchora/Devices/c", "failed 1", "moved /src /Target/src" }));
    EXPECT_FALSE(exists("/Kitchora/Devices/Mac/a"));
    EXPECT_FALSE(exists("/Kitchora/Devices/b"));

    faults.failNext(1, DBOperation::Any);
    faults.reset();
    client.deletePath("/Target");
    EXPECT_EQ(answer(), QStringList { "deleted /Target" });
}

TEST_F(DBFaultsTest, HeldRequestsWaitUnperformedAndAnswerInTheOrderReleased)
{
    write("/Devices/A/DeviceInfo.plist", "A");
    write("/Devices/B/DeviceInfo.plist", "B");
    write("/src", "new");
    DBFaults& faults = session->faults();
    faults.hold(DBOperation::LoadFile, "/Devices");
    faults.hold(DBOperation::UploadFile);

    client.loadFile("/Devices/A/DeviceInfo.plist", scratch("A"));
    client.loadFile("/Devices/B/DeviceInfo.plist", scratch("B"));
    client.loadMetadata("/Devices"); // not held
    client.uploadFile("DeviceInfo.plist", "/Devices/A", local("/src"));
    EXPECT_EQ(answer(), QStringList { "metadata /Devices" });
    ASSERT_EQ(faults.held().size(), 3);
    EXPECT_EQ(faults.held()[1].path, "/Devices/B/DeviceInfo.plist");
    EXPECT_EQ(faults.held()[2].kind, DBOperation::UploadFile);

    faults.stopHolding();
    client.loadFile("/Devices/B/DeviceInfo.plist", scratch("again"));
    EXPECT_EQ(answer(), QStringList { "loaded again" });

    faults.release(1);
    faults.release(7); // ignored
    EXPECT_TRUE(answer() == QStringList { "loaded B" });
    faults.releaseAllReversed(); // the upload first: the load of A sees its bytes
    EXPECT_EQ(answer(), (QStringList { "uploaded /Devices/A/DeviceInfo.plist", "loaded A" }));
    QFile loaded(scratch("A"));
    ASSERT_TRUE(loaded.open(QIODevice::ReadOnly));
    EXPECT_EQ(loaded.readAll(), "new");
    EXPECT_TRUE(faults.held().isEmpty());
}

TEST_F(DBFaultsTest, ReleasedRequestsMeetTheFaultsOfTheirTime)
{
    DBFaults& faults = session->faults();
    faults.hold(DBOperation::CreateFolder);
    client.createFolder("/a");
    client.createFolder("/b");
    faults.stopHolding();
    faults.failNext(1, DBOperation::CreateFolder);
    faults.releaseAll();
    EXPECT_EQ(answer(), (QStringList { "failed 1", "created /b" }));
}

TEST_F(DBFaultsTest, AClientThatGoesAwayIsToldNothingMore)
{
    session->faults().hold(DBOperation::DeletePath);
    write("/x", "x");
    {
        DBRestClient shortLived(session);
        shortLived.setDelegate(&delegate);
        shortLived.loadMetadata("/x");
        shortLived.deletePath("/x");
    }
    EXPECT_TRUE(session->faults().held().isEmpty());
    EXPECT_TRUE(answer().isEmpty());
    EXPECT_TRUE(exists("/x"));
}

// The usual owner of a client is the object it reports to, which lets both go once answered.
TEST_F(DBFaultsTest, TheDelegateMayDeleteTheClientWhileBeingAnswered)
{
    struct SelfDeleting : RecordingDelegate {
        std::unique_ptr<DBRestClient> client;
        void restClientLoadedMetadata(DBRestClient& c, const DBMetadata& m) override
        {
            RecordingDelegate::restClientLoadedMetadata(c, m);
            client.reset();
        }
    } owner;
    owner.client = std::make_unique<DBRestClient>(session);
    owner.client->setDelegate(&owner);
    owner.client->loadMetadata("/");
    owner.client->loadMetadata("/"); // dropped with the client
    clock.advance(0);
    EXPECT_EQ(owner.answers, QStringList { "metadata /" });
    EXPECT_EQ(owner.client, nullptr);
}

TEST_F(DBFaultsTest, TwoSessionsOnOneFolderAreTwoComputers)
{
    auto other = std::make_shared<DBSession>("otherkey", "secret", kDBRootDropbox);
    ASSERT_TRUE(other->linkFolder(root));
    RecordingDelegate otherDelegate;
    DBRestClient otherClient(other);
    otherClient.setDelegate(&otherDelegate);
    write("/src", "s");

    other->faults().failNext(1, DBOperation::Any);
    client.uploadFile("DeviceInfo.plist", "/Kitchora/Devices/Mac", local("/src"));
    otherClient.loadMetadata("/Kitchora/Devices/Mac");
    otherClient.loadMetadata("/Kitchora/Devices/Mac");
    clock.advance(0);
    EXPECT_EQ(delegate.answers, QStringList { "uploaded /Kitchora/Devices/Mac/DeviceInfo.plist" });
    EXPECT_EQ(otherDelegate.answers, (QStringList { "failed 1", "metadata /Kitchora/Devices/Mac" }));
    ASSERT_EQ(otherDelegate.metadata.contents.size(), 1u);
    EXPECT_EQ(otherDelegate.metadata.contents[0].path, "/Kitchora/Devices/Mac/DeviceInfo.plist");
}
