#include "AppleRemote.h"
#include "FakeInputDeviceBackend.h"
#include "KeyspanFrontRowControl.h"
#include "Log.h"

#include <gtest/gtest.h>

namespace
{

class HIDRemoteControlDeviceTest : public ::testing::Test
{
protected:
    RemoteControlDelegate recorder()
    {
        return [this](int identifier, bool pressedDown, RemoteControl* remote) {
            events.push_back({ identifier, pressedDown });
            senders.push_back(remote);
        };
    }

    ScopedNotificationCenter noBus;
    FakeInputDeviceBackend backend;
    std::vector<ButtonEvent> events;
    std::vector<RemoteControl*> senders;
};

// The USB remote's plus is "11_18_99_10_", its minus "11_18_98_10_".
TEST_F(HIDRemoteControlDeviceTest, CookieStringsWithAndWithoutBacklog)
{
    backend.plugInUsbRemote();
    auto remote = KeyspanFrontRowControl::create(recorder());
    ASSERT_TRUE(remote);
    const struct {
        const char* cookies;
        int sum;
        bool backlog;
        std::vector<ButtonEvent> expected;
        const char* unknown; // the rest that is logged, or nullptr
    } cases[] = {
        { "11_18_99_10_", 1, false, { { 2, true } }, nullptr },
        { "11_18_99_10_", 0, false, { { 2, false } }, nullptr },
        { "", 1, false, {}, nullptr },
        // Two presses of plus ran together: without backlog processing still a press.
        { "11_18_99_10_11_18_99_10_", 2, false, { { 2, true } }, nullptr },
        { "11_18_99_10_11_18_99_10_", 2, true, { { 2, true }, { 2, true } }, nullptr },
        { "11_18_99_10_11_18_99_10_", 0, false, { { 2, false } }, nullptr },
        { "11_18_99_10_11_18_98_10_", 1, false, { { 4, true } }, nullptr },
        { "11_18_99_10_11_18_98_10_", 1, true, { { 2, true }, { 4, true } }, nullptr },
        { "11_18_99_10_42_", 1, true, { { 2, true } }, "42_" },
        { "11_18_99_10_42_", 1, false, { { 2, true } }, "42_" },
        { "42_11_18_99_10_", 1, false, {}, "42_11_18_99_10_" },
    };
    for (const auto& c : cases) {
        events.clear();
        Log::Capture log;
        remote->setProcessesBacklog(c.backlog);
        remote->handleEventWithCookieString(QString::fromLatin1(c.cookies), c.sum);
        EXPECT_EQ(events, c.expected) << c.cookies << " backlog " << c.backlog;
        const QStringList expectedLog = c.unknown
            ? QStringList { QStringLiteral("Unknown button for cookiestring ")
                  + QString::fromLatin1(c.unknown) }
            : QStringList();
        EXPECT_EQ(log.lines(), expectedLog) << c.cookies;
    }
    ASSERT_FALSE(senders.empty());
    EXPECT_EQ(senders.front(), remote.get());
}

TEST_F(HIDRemoteControlDeviceTest, CookieFiveIsLeftOutOfStringAndSum)
{
    backend.plugInUsbRemote();
    auto remote = KeyspanFrontRowControl::create(recorder());
    remote->handleElementEvents({ { 5, 1 }, { 11, 0 }, { 18, 0 }, { 5, 1 }, { 99, 0 }, { 10, 0 } });
    remote->handleElementEvents({ { 11, 1 }, { 5, 0 }, { 18, 0 }, { 98, 0 }, { 10, 0 } });
    EXPECT_EQ(events, (std::vector<ButtonEvent> { { 2, false }, { 4, true } }));
}

TEST_F(HIDRemoteControlDeviceTest, InfraredRemoteReleasesClickButtonsAtOnce)
{
    backend.plugInInfraredReceiver();
    auto remote = AppleRemote::create(recorder());
    ASSERT_TRUE(remote);
    EXPECT_EQ(remote->remoteControlDeviceName(), "AppleIRController");
    const struct {
        const char* cookies;
        int sum;
        std::vector<ButtonEvent> expected;
    } cases[] = {
        { "31_20_19_18_31_20_19_18_", 8, { { 8, true }, { 8, false } } }, // menu
        { "31_21_19_18_31_21_19_18_", 8, { { 16, true }, { 16, false } } }, // play
        { "31_22_19_18_31_22_19_18_", 8, { { 32, true }, { 32, false } } },
        { "31_23_19_18_31_23_19_18_", 8, { { 64, true }, { 64, false } } },
        { "35_31_19_18_35_31_19_18_", 8, { { 1024, true }, { 1024, false } } },
        { "31_29_28_19_18_", 5, { { 2, true } } }, // plus is held until released
        { "31_29_28_19_18_", 0, { { 2, false } } },
        { "31_30_28_19_18_", 5, { { 4, true } } },
        { "31_19_18_31_19_18_", 0, { { 512, true }, { 512, false } } },
        { "31_19_18_31_19_18_", 3, { { 512, true } } },
        { "31_19_18_4_2_", 1, { { 2048, true } } },
        { "19_", 1, { { 8192, true } } },
    };
    for (const auto& c : cases) {
        events.clear();
        remote->handleEventWithCookieString(QString::fromLatin1(c.cookies), c.sum);
        EXPECT_EQ(events, c.expected) << c.cookies;
    }
    // The earlier receivers' table keeps the same buttons under other cookies.
    const QMap<QString, int> earlier = AppleRemote::cookieTable(AppleRemote::CookieTable::Earlier);
    EXPECT_EQ(earlier.value(QStringLiteral("14_7_6_14_7_6_")), 8);
    EXPECT_EQ(earlier.value(QStringLiteral("19_")), 8192);
    EXPECT_EQ(QSet<int>(earlier.cbegin(), earlier.cend()),
        QSet<int>(remote->cookieToButtonMapping().cbegin(), remote->cookieToButtonMapping().cend()));
}

TEST_F(HIDRemoteControlDeviceTest, SendsOnlyEventsOfItsButtons)
{
    backend.plugInUsbRemote();
    auto remote = KeyspanFrontRowControl::create(recorder());
    EXPECT_EQ(remote->supportedButtonEvents(), 2u | 4 | 8 | 16 | 32 | 64);
    EXPECT_TRUE(remote->sendsEventForButtonIdentifier(16));
    EXPECT_TRUE(remote->sendsEventForButtonIdentifier(2 | 64));
    EXPECT_FALSE(remote->sendsEventForButtonIdentifier(1024));
    EXPECT_FALSE(remote->sendsEventForButtonIdentifier(2 | 1024));
}

TEST_F(HIDRemoteControlDeviceTest, NoDeviceWithoutItsRemote)
{
    backend.plugIn({ 1741, 1057, false }, { KEY_UP });
    EXPECT_FALSE(KeyspanFrontRowControl::create(recorder()));
    EXPECT_FALSE(AppleRemote::create(recorder()));
}

TEST_F(HIDRemoteControlDeviceTest, KeysOfTheDeviceBecomeButtonEvents)
{
    const auto usb = backend.plugInUsbRemote();
    const auto infrared = backend.plugInInfraredReceiver();
    auto keyspan = KeyspanFrontRowControl::create(recorder());
    auto apple = AppleRemote::create(recorder());
    keyspan->startListening();
    apple->startListening();
    ASSERT_TRUE(keyspan->isListeningToRemote());
    ASSERT_TRUE(apple->isListeningToRemote());

    usb->key(KEY_UP, 1);
    usb->key(KEY_UP, 2); // auto-repeat
    usb->key(KEY_UP, 0);
    usb->key(KEY_ENTER, 1);
    usb->key(KEY_F1, 1); // not a button
    EXPECT_EQ(events, (std::vector<ButtonEvent> { { 2, true }, { 2, false }, { 16, true } }));

    events.clear();
    infrared->key(KEY_MENU, 1);
    infrared->key(KEY_MENU, 0); // the click's release came with its press
    infrared->key(KEY_VOLUMEDOWN, 1);
    infrared->key(KEY_VOLUMEDOWN, 0);
    EXPECT_EQ(events, (std::vector<ButtonEvent> { { 8, true }, { 8, false }, { 4, true }, { 4, false } }));

    // A press and a release read at one wake-up run together: one press of plus is reported.
    events.clear();
    infrared->send({ { EV_KEY, KEY_VOLUMEUP, 1 }, { EV_SYN, SYN_REPORT, 0 }, { EV_KEY, KEY_VOLUMEUP, 0 },
        { EV_SYN, SYN_REPORT, 0 } });
    EXPECT_EQ(events, (std::vector<ButtonEvent> { { 2, true } }));
    EXPECT_EQ(senders.back(), apple.get());
}

TEST_F(HIDRemoteControlDeviceTest, StartingSeizesAndStoppingGivesTheRemoteBack)
{
    const auto usb = backend.plugInUsbRemote();
    auto remote = KeyspanFrontRowControl::create(recorder());
    int changes = 0;
    remote->setListeningToRemoteObserver([&] { ++changes; });
    remote->setListeningToRemote(true);
    EXPECT_TRUE(remote->isListeningToRemote());
    EXPECT_TRUE(usb->seized);
    EXPECT_EQ(changes, 1);
    remote->startListening(); // already listening: nothing opened twice
    EXPECT_EQ(usb->openInterfaces, 1);

    remote->setListeningToRemote(false);
    EXPECT_FALSE(remote->isListeningToRemote());
    EXPECT_FALSE(usb->seized);
    EXPECT_EQ(usb->openInterfaces, 0);
    EXPECT_EQ(changes, 2);
    remote->stopListening();
    EXPECT_EQ(changes, 2);

    remote->setOpenInExclusiveMode(false);
    remote->startListening();
    EXPECT_TRUE(remote->isListeningToRemote());
    EXPECT_FALSE(usb->seized);
}

// Every way an open can fail leaves the device not listening and gives back what it took, so the
// next start (or another program) finds the remote free.
TEST_F(HIDRemoteControlDeviceTest, AFailedOpenReleasesTheDevice)
{
    const struct {
        bool FakeRemoteHardware::*fault;
        const char* logged; // nullptr: fails silently
    } cases[] = {
        { &FakeRemoteHardware::interfaceFails, "Error: Couldn't create HID class device interface" },
        { &FakeRemoteHardware::openFails, nullptr },
        { &FakeRemoteHardware::eventsFail, "Error when creating async event source" },
    };
    for (const auto& c : cases) {
        const auto usb = backend.plugInUsbRemote();
        auto remote = KeyspanFrontRowControl::create(recorder());
        ASSERT_TRUE(remote);
        (*usb).*c.fault = true;
        {
            Log::Capture log;
            remote->startListening();
            EXPECT_EQ(log.lines(), c.logged ? QStringList { QString::fromLatin1(c.logged) } : QStringList());
        }
        EXPECT_FALSE(remote->isListeningToRemote());
        EXPECT_FALSE(remote->isWaitingForRemote());
        EXPECT_FALSE(usb->seized);
        EXPECT_EQ(usb->openInterfaces, 0);

        (*usb).*c.fault = false;
        remote->startListening();
        EXPECT_TRUE(remote->isListeningToRemote());
        EXPECT_TRUE(usb->seized);
        remote.reset();
        EXPECT_FALSE(usb->seized);
        usb->properties.productID = 0; // unplugged for the next case
    }
}

// The delegate may stop the remote from inside a button event (the menu button leaves the cooking
// mode); the burst being handled must not touch the closed device.
TEST_F(HIDRemoteControlDeviceTest, DelegateMayStopListeningDuringAnEvent)
{
    const auto infrared = backend.plugInInfraredReceiver();
    std::unique_ptr<AppleRemote> remote;
    remote = AppleRemote::create([&](int identifier, bool pressedDown, RemoteControl*) {
        events.push_back({ identifier, pressedDown });
        if (identifier == RemoteControlButton::menu && pressedDown)
            remote->stopListening();
    });
    remote->startListening();
    infrared->key(KEY_MENU, 1);
    EXPECT_EQ(events, (std::vector<ButtonEvent> { { 8, true }, { 8, false } }));
    EXPECT_FALSE(remote->isListeningToRemote());
    EXPECT_EQ(infrared->openInterfaces, 0);
}

} // namespace
