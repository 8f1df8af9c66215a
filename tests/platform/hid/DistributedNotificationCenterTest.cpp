#include "DistributedNotificationCenter.h"

#include "PrivateSessionBus.h"

#include <gtest/gtest.h>

TEST(DistributedNotificationCenterTest, WithoutABusNothingIsPostedOrObserved)
{
    DistributedNotificationCenter center(QDBusConnection(QStringLiteral("no such bus")));
    EXPECT_FALSE(center.postNotificationName(QStringLiteral("a.b.C")));
    EXPECT_EQ(center.addObserver(QStringLiteral("a.b.C"), [](const QString&, const QVariantMap&) {}), 0u);
    center.removeObserver(0); // harmless
}

TEST(DistributedNotificationCenterTest, ReachesOtherProgramsAndThePosterByName)
{
    PrivateSessionBus bus;
    if (!bus.isRunning())
        GTEST_SKIP() << "dbus-daemon is not available: notifications between programs are not tested";
    DistributedNotificationCenter first(bus.connect(QStringLiteral("hid-first")));
    DistributedNotificationCenter second(bus.connect(QStringLiteral("hid-second")));

    QList<QVariantMap> atSecond;
    QStringList atFirst;
    int otherName = 0;
    ASSERT_NE(second.addObserver(QStringLiteral("mac.remotecontrols.Finished"),
                  [&](const QString&, const QVariantMap& info) { atSecond.append(info); }),
        0u);
    second.addObserver(QStringLiteral("other"), [&](const QString&, const QVariantMap&) { ++otherName; });
    const auto own = first.addObserver(QStringLiteral("mac.remotecontrols.Finished"),
        [&](const QString& name, const QVariantMap&) { atFirst.append(name); });

    const QVariantMap info { { QStringLiteral("RemoteControlDeviceName"),
                                 QStringLiteral("AppleIRController") },
        { QStringLiteral("Count"), 3 } };
    ASSERT_TRUE(first.postNotificationName(QStringLiteral("mac.remotecontrols.Finished"), info));
    ASSERT_TRUE(waitUntil([&] { return !atSecond.isEmpty() && !atFirst.isEmpty(); }));
    EXPECT_EQ(
        atSecond.value(0).value(QStringLiteral("RemoteControlDeviceName")).toString(), "AppleIRController");
    EXPECT_EQ(atSecond.value(0).value(QStringLiteral("Count")).toInt(), 3);
    EXPECT_EQ(atFirst, QStringList { "mac.remotecontrols.Finished" });

    // A removed observer hears nothing more; the other still does.
    first.removeObserver(own);
    ASSERT_TRUE(first.postNotificationName(QStringLiteral("mac.remotecontrols.Finished")));
    ASSERT_TRUE(waitUntil([&] { return atSecond.size() == 2; }));
    EXPECT_EQ(atFirst.size(), 1);
    EXPECT_EQ(otherName, 0);
}
