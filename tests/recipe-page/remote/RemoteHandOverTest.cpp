#include "AppleRemote.h"
#include "FakeInputDeviceBackend.h"
#include "KeyspanFrontRowControl.h"
#include "PrivateSessionBus.h"

#include <gtest/gtest.h>

namespace
{

// This program's remote on one connection, "another program" on a second one of the same bus.
class RemoteHandOverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!bus.isRunning())
            GTEST_SKIP() << "dbus-daemon is not available: the hand-over between programs is not tested";
        ours = std::make_unique<ScopedNotificationCenter>(bus.connect(QStringLiteral("remote-ours")));
        theirs
            = std::make_unique<DistributedNotificationCenter>(bus.connect(QStringLiteral("remote-theirs")));
        for (const QString& name : { RemoteControl::RequestForRemoteControlNotification,
                 RemoteControl::FinishedUsingRemoteControlNotification })
            theirs->addObserver(name, [this](const QString& n, const QVariantMap& info) {
                heard.append({ n, info });
            });
        infrared = backend.plugInInfraredReceiver();
        remote = AppleRemote::create([](int, bool, RemoteControl*) {});
    }

    bool heardName(const QString& name) const
    {
        for (const auto& [n, info] : heard)
            if (n == name)
                return true;
        return false;
    }

    PrivateSessionBus bus;
    std::unique_ptr<ScopedNotificationCenter> ours;
    std::unique_ptr<DistributedNotificationCenter> theirs;
    QList<std::pair<QString, QVariantMap>> heard;
    FakeInputDeviceBackend backend;
    std::shared_ptr<FakeRemoteHardware> infrared;
    std::unique_ptr<AppleRemote> remote;
};

TEST_F(RemoteHandOverTest, AsksForAHeldRemoteAndStartsWhenTheHolderIsDone)
{
    infrared->heldElsewhere = true;
    remote->startListening();
    EXPECT_FALSE(remote->isListeningToRemote());
    EXPECT_TRUE(remote->isWaitingForRemote());
    ASSERT_TRUE(waitUntil([&] { return heardName(RemoteControl::RequestForRemoteControlNotification); }));
    const QVariantMap request = heard.first().second;
    EXPECT_EQ(request.value(QStringLiteral("RemoteControlDeviceName")).toString(), "AppleIRController");
    EXPECT_EQ(request.value(QStringLiteral("CFBundleIdentifier")).toString(), "org.kitchora.KitchoraTests");
    EXPECT_FALSE(request.contains(QStringLiteral("TargetBundleIdentifier")));

    infrared->heldElsewhere = false;
    ASSERT_TRUE(theirs->postNotificationName(RemoteControl::FinishedUsingRemoteControlNotification));
    ASSERT_TRUE(waitUntil([&] { return remote->isListeningToRemote(); }));
    EXPECT_TRUE(infrared->seized);
    EXPECT_FALSE(remote->isWaitingForRemote());

    // Done with it, this program hands it back in turn.
    heard.clear();
    remote->stopListening();
    ASSERT_TRUE(waitUntil([&] { return heardName(RemoteControl::FinishedUsingRemoteControlNotification); }));
    EXPECT_FALSE(heard.first().second.contains(QStringLiteral("TargetBundleIdentifier")));
}

// Once told to stop, a device that was waiting does not seize the remote when it comes free:
// nobody would be listening, and the other programs could not have it.
TEST_F(RemoteHandOverTest, StoppingEndsTheWait)
{
    infrared->heldElsewhere = true;
    remote->startListening();
    ASSERT_TRUE(remote->isWaitingForRemote());
    remote->stopListening();
    EXPECT_FALSE(remote->isWaitingForRemote());

    infrared->heldElsewhere = false;
    bool delivered = false;
    // Heard on this program's connection, where the device would be told.
    ours->center().addObserver(RemoteControl::FinishedUsingRemoteControlNotification,
        [&](const QString&, const QVariantMap&) { delivered = true; });
    ASSERT_TRUE(theirs->postNotificationName(RemoteControl::FinishedUsingRemoteControlNotification));
    ASSERT_TRUE(waitUntil([&] { return delivered; }));
    EXPECT_FALSE(remote->isListeningToRemote());
    EXPECT_FALSE(infrared->seized);
}

// Without a session bus the request cannot be made: the device stays idle, not waiting.
TEST(RemoteWithoutBusTest, AHeldRemoteWithoutABusLeavesTheDeviceIdle)
{
    ScopedNotificationCenter noBus;
    FakeInputDeviceBackend backend;
    const auto usb = backend.plugInUsbRemote();
    usb->heldElsewhere = true;
    auto remote = KeyspanFrontRowControl::create([](int, bool, RemoteControl*) {});
    remote->startListening();
    EXPECT_FALSE(remote->isListeningToRemote());
    EXPECT_FALSE(remote->isWaitingForRemote());
    EXPECT_EQ(usb->openInterfaces, 0);
}

} // namespace
