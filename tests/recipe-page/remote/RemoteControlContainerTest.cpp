#include "RemoteControlContainer.h"

#include "AppleRemote.h"
#include "FakeInputDeviceBackend.h"
#include "KeyspanFrontRowControl.h"
#include "VirtualClock.h"

#include <gtest/gtest.h>

namespace
{

// A device that records what it is told, in one log shared by all of them.
class RecordingRemote : public RemoteControl
{
public:
    static inline QStringList* journal = nullptr;
    static inline int made = 0;
    static inline bool available = true;
    static inline bool listensWhenStarted = true;

    static std::unique_ptr<RecordingRemote> create(RemoteControlDelegate delegate)
    {
        if (!available)
            return nullptr;
        return std::unique_ptr<RecordingRemote>(new RecordingRemote(std::move(delegate), ++made));
    }

    void startListening() override
    {
        note(QStringLiteral("start"));
        if (m_listensWhenStarted && !m_listening) {
            m_listening = true;
            didChangeListeningToRemote();
        }
    }
    void stopListening() override
    {
        note(QStringLiteral("stop"));
        if (m_listening) {
            m_listening = false;
            didChangeListeningToRemote();
        }
    }
    void setListeningToRemote(bool listening) override { listening ? startListening() : stopListening(); }
    void setOpenInExclusiveMode(bool exclusive) override
    {
        note(exclusive ? QStringLiteral("exclusive") : QStringLiteral("shared"));
        m_exclusive = exclusive;
    }
    bool isListeningToRemote() const override { return m_listening; }
    bool isOpenInExclusiveMode() const override { return m_exclusive; }
    void press(int identifier) { delegate()(identifier, true, this); }

private:
    RecordingRemote(RemoteControlDelegate delegate, int number)
        : RemoteControl(std::move(delegate))
        , m_number(number)
        , m_listensWhenStarted(listensWhenStarted)
    {
    }
    void note(const QString& what)
    {
        if (journal)
            journal->append(QStringLiteral("%1 %2").arg(what).arg(m_number));
    }

    int m_number;
    bool m_listensWhenStarted;
    bool m_listening = false;
    bool m_exclusive = true;
};

class RemoteControlContainerTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RecordingRemote::journal = &journal;
        RecordingRemote::made = 0;
        RecordingRemote::available = true;
        RecordingRemote::listensWhenStarted = true;
    }
    void TearDown() override { RecordingRemote::journal = nullptr; }

    ScopedNotificationCenter noBus;
    FakeInputDeviceBackend backend;
    QStringList journal;
    std::vector<std::pair<ButtonEvent, RemoteControl*>> events;
    RemoteControlDelegate delegate = [this](int identifier, bool pressedDown, RemoteControl* remote) {
        events.push_back({ { identifier, pressedDown }, remote });
    };
};

TEST_F(RemoteControlContainerTest, WithoutRemotesHoldsNoDevicesAndDoesNothing)
{
    RemoteControlContainer container(delegate);
    EXPECT_FALSE(container.instantiateAndAddRemoteControlDeviceWithClass<AppleRemote>());
    EXPECT_FALSE(container.instantiateAndAddRemoteControlDeviceWithClass<KeyspanFrontRowControl>());
    EXPECT_EQ(container.count(), 0);
    container.startListening();
    EXPECT_FALSE(container.isListeningToRemote());
    EXPECT_TRUE(container.isOpenInExclusiveMode());
    container.stopListening();
}

TEST_F(RemoteControlContainerTest, PassesEverythingToEveryDeviceInOrder)
{
    RemoteControlContainer container(delegate);
    ASSERT_TRUE(container.instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>());
    ASSERT_TRUE(container.instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>());
    RecordingRemote::available = false;
    EXPECT_FALSE(container.instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>());
    EXPECT_EQ(container.count(), 2);

    container.startListening();
    container.setOpenInExclusiveMode(false);
    container.stopListening();
    EXPECT_EQ(journal, (QStringList { "start 1", "start 2", "shared 1", "shared 2", "stop 1", "stop 2" }));
    EXPECT_FALSE(container.isOpenInExclusiveMode());
}

TEST_F(RemoteControlContainerTest, ListensWhenAnyDeviceListens)
{
    RemoteControlContainer container(delegate);
    container.instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>();
    RecordingRemote::listensWhenStarted = false;
    container.instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>();
    int changes = 0;
    container.setListeningToRemoteObserver([&] { ++changes; });

    container.startListening(); // only the first device comes up
    EXPECT_TRUE(container.isListeningToRemote());
    EXPECT_EQ(changes, 1); // a device's change is the container's
    container.stopListening();
    EXPECT_FALSE(container.isListeningToRemote());
    EXPECT_EQ(changes, 2);
}

TEST_F(RemoteControlContainerTest, DevicesReportToTheContainersDelegate)
{
    const auto usb = backend.plugInUsbRemote();
    RemoteControlContainer container(delegate);
    EXPECT_FALSE(container.instantiateAndAddRemoteControlDeviceWithClass<AppleRemote>());
    ASSERT_TRUE(container.instantiateAndAddRemoteControlDeviceWithClass<KeyspanFrontRowControl>());
    container.startListening();
    EXPECT_TRUE(container.isListeningToRemote());
    usb->key(KEY_ESC, 1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].first, (ButtonEvent { RemoteControlButton::menu, true }));
    EXPECT_NE(events[0].second, &container); // the device itself
    EXPECT_NE(events[0].second, nullptr);
    container.stopListening();
    EXPECT_FALSE(usb->seized);
}

TEST_F(RemoteControlContainerTest, ListeningThatFailsAnnouncesItselfShortlyAfter)
{
    VirtualClock clock;
    RecordingRemote::listensWhenStarted = false;
    auto container = std::make_unique<RemoteControlContainer>(delegate);
    container->instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>();
    int changes = 0;
    container->setListeningToRemoteObserver([&] { ++changes; });
    container->setListeningToRemote(true);
    EXPECT_EQ(changes, 0);
    clock.advance(0.005);
    EXPECT_EQ(changes, 0);
    clock.advance(0.006);
    EXPECT_EQ(changes, 1);

    // Gone before the announcement: nothing runs on a dead container.
    container->setListeningToRemote(true);
    container.reset();
    clock.advance(1);
    EXPECT_EQ(changes, 1);
}

TEST_F(RemoteControlContainerTest, GoingAwayStopsEveryDevice)
{
    const auto usb = backend.plugInUsbRemote();
    {
        RemoteControlContainer container(delegate);
        container.instantiateAndAddRemoteControlDeviceWithClass<RecordingRemote>();
        container.instantiateAndAddRemoteControlDeviceWithClass<KeyspanFrontRowControl>();
        container.startListening();
        ASSERT_TRUE(usb->seized);
        journal.clear();
    }
    EXPECT_EQ(journal, QStringList { "stop 1" });
    EXPECT_FALSE(usb->seized);
    EXPECT_EQ(usb->openInterfaces, 0);
}

} // namespace
