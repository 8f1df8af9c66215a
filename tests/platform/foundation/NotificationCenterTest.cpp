#include "NotificationCenter.h"

#include <gtest/gtest.h>

TEST(NotificationCenter, DeliversByNameAndSenderWithUserInfo)
{
    NotificationCenter center;
    int sender = 0;
    int otherSender = 0;
    QStringList seen;
    center.addObserver("Saved", &sender,
        [&](const Notification& n) { seen << "by-sender:" + n.userInfo.value("count").toString(); });
    center.addObserver("Saved", nullptr, [&](const Notification& n) {
        seen << QString("any-sender:%1").arg(n.object == &otherSender ? "other" : "first");
    });
    center.addObserver(QString(), nullptr, [&](const Notification& n) { seen << "all:" + n.name; });

    center.postNotificationName("Saved", &sender, { { "count", 3 } });
    center.postNotificationName("Saved", &otherSender);
    center.postNotificationName("Opened");

    EXPECT_EQ(seen,
        (QStringList {
            "by-sender:3", "any-sender:first", "all:Saved", "any-sender:other", "all:Saved", "all:Opened" }));
}

TEST(NotificationCenter, RemovedObserverHearsNothingMore)
{
    NotificationCenter center;
    int calls = 0;
    const auto token = center.addObserver("Ping", nullptr, [&](const Notification&) { ++calls; });
    center.postNotificationName("Ping");
    center.removeObserver(token);
    center.removeObserver(token); // twice is harmless
    center.postNotificationName("Ping");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserverMayRemoveItselfOrALaterOneDuringDelivery)
{
    NotificationCenter center;
    QStringList seen;
    NotificationCenter::Token self = 0;
    NotificationCenter::Token later = 0;
    self = center.addObserver("Ping", nullptr, [&](const Notification&) {
        seen << "self";
        center.removeObserver(self); // destroys nothing it still runs on
        center.removeObserver(later);
    });
    later = center.addObserver("Ping", nullptr, [&](const Notification&) { seen << "later"; });
    center.addObserver("Ping", nullptr, [&](const Notification&) { seen << "last"; });

    center.postNotificationName("Ping");
    center.postNotificationName("Ping");
    EXPECT_EQ(seen, (QStringList { "self", "last", "last" }));
}

TEST(NotificationCenter, ObserverAddedDuringDeliveryHearsOnlyLaterPosts)
{
    NotificationCenter center;
    int lateCalls = 0;
    bool added = false;
    center.addObserver("Ping", nullptr, [&](const Notification&) {
        if (!added) {
            added = true;
            center.addObserver("Ping", nullptr, [&](const Notification&) { ++lateCalls; });
        }
    });
    center.postNotificationName("Ping");
    EXPECT_EQ(lateCalls, 0);
    center.postNotificationName("Ping");
    EXPECT_EQ(lateCalls, 1);
}

TEST(NotificationCenter, ScopedObserverRemovesOnDestructionAndMove)
{
    NotificationCenter center;
    int calls = 0;
    {
        ScopedObserver outer;
        {
            ScopedObserver inner(
                center, center.addObserver("Ping", nullptr, [&](const Notification&) { ++calls; }));
            outer = std::move(inner);
        }
        center.postNotificationName("Ping"); // the moved-from one removed nothing
        EXPECT_EQ(calls, 1);
    }
    center.postNotificationName("Ping");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, DefaultCenterIsOneInstance)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}
