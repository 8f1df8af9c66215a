#include "QLMKitchoraDevice.h"

#include "PropertyList.h"
#include "QLMDropboxPathConstants.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace QLMDropboxPathConstants;

// A record read from what another device wrote, as it travels through a binary property list.
TEST(QLMKitchoraDevice, ReadsEveryFieldOfADeviceInfoPlist)
{
    const QDateTime accessed(QDate(2026, 3, 14), QTime(9, 26, 53), Qt::UTC);
    const QVariantMap written {
        { QLMDropboxDeviceUDIDKey, QStringLiteral("0123456789ABCDEF0123456789ABCDEF01234567") },
        { QLMDropboxDeviceTypeKey, QStringLiteral("iPad") },
        { QLMDropboxDeviceNameKey, QStringLiteral("Kitchen iPad") },
        { QLMDropboxDeviceKitchoraVersionKey, QStringLiteral("412") },
        { QLMDropboxDeviceGroceryListSupportKey, true },
        { QLMDropboxDeviceLastDropboxAccessDateKey, accessed },
        { QLMDropboxDeviceAPNSDeviceTokenKey, QStringLiteral("f00dcafe") },
    };
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(written, PropertyList::Format::Binary, &error);
    ASSERT_FALSE(data.isEmpty()) << error.localizedDescription.toStdString();
    const std::optional<QVariantMap> read = PropertyList::dictionaryWithData(data, &error);
    ASSERT_TRUE(read);

    const QLMKitchoraDevice device = QLMKitchoraDevice::deviceFromDeviceInfoPlist(
        *read, QStringLiteral("/Kitchora/Devices/Kitchen iPad"));
    EXPECT_EQ(device.dropboxPath(), QStringLiteral("/Kitchora/Devices/Kitchen iPad"));
    EXPECT_EQ(device.deviceUDID(), QStringLiteral("0123456789ABCDEF0123456789ABCDEF01234567"));
    EXPECT_EQ(device.deviceType(), QStringLiteral("iPad"));
    EXPECT_EQ(device.deviceName(), QStringLiteral("Kitchen iPad"));
    EXPECT_EQ(device.lastAccessedDate(), accessed);
    EXPECT_EQ(device.deviceToken(), QStringLiteral("f00dcafe"));
    EXPECT_TRUE(device.supportsGroceryLists());
}

TEST(QLMKitchoraDevice, GroceryListSupportFollowsThePlatformsBooleanReading)
{
    const struct {
        QVariant value;
        bool expected;
    } cases[] = {
        { QVariant(), false },
        { false, false },
        { true, true },
        { qint64(0), false },
        { qint64(1), true },
        { 0.5, true },
        { QStringLiteral("YES"), true },
        { QStringLiteral("true"), true },
        { QStringLiteral("NO"), false },
        { QStringLiteral("  12"), true },
        { QStringLiteral("007"), true },
        { QStringLiteral("0"), false },
        { QStringLiteral(""), false },
        { QVariantList { true }, false },
    };
    for (const auto& c : cases) {
        QVariantMap info;
        if (c.value.isValid())
            info.insert(QLMDropboxDeviceGroceryListSupportKey, c.value);
        EXPECT_EQ(
            QLMKitchoraDevice::deviceFromDeviceInfoPlist(info, QString()).supportsGroceryLists(), c.expected)
            << c.value.toString().toStdString();
    }
}

// A damaged file from another device must not put numbers or lists where callers expect text.
TEST(QLMKitchoraDevice, ValuesOfTheWrongTypeCountAsMissing)
{
    const QVariantMap info {
        { QLMDropboxDeviceUDIDKey, qint64(42) },
        { QLMDropboxDeviceTypeKey, QVariantList { QStringLiteral("iPhone") } },
        { QLMDropboxDeviceNameKey, QByteArray("name") },
        { QLMDropboxDeviceLastDropboxAccessDateKey, QStringLiteral("yesterday") },
        { QLMDropboxDeviceAPNSDeviceTokenKey, QVariantMap {} },
    };
    const QLMKitchoraDevice device = QLMKitchoraDevice::deviceFromDeviceInfoPlist(info, QStringLiteral("/x"));
    EXPECT_EQ(device, [] {
        QLMKitchoraDevice expected;
        expected.setDropboxPath(QStringLiteral("/x"));
        return expected;
    }());
    EXPECT_TRUE(device.deviceUDID().isNull());
    EXPECT_FALSE(device.lastAccessedDate().isValid());
}

TEST(QLMKitchoraDevice, RecordsAreEqualWhenEveryFieldIs)
{
    QLMKitchoraDevice a;
    a.setDeviceName(QStringLiteral("Phone"));
    a.setDeviceUDID(QStringLiteral("ABC"));
    a.setLastAccessedDate(QDateTime(QDate(2026, 1, 2), QTime(3, 4), Qt::UTC));
    QLMKitchoraDevice b = a;
    EXPECT_EQ(a, b);
    b.setSupportsGroceryLists(true);
    EXPECT_NE(a, b);
    b = a;
    b.setLastAccessedDate(a.lastAccessedDate().addMSecs(1));
    EXPECT_NE(a, b);
    // The same instant in another zone is the same date.
    b.setLastAccessedDate(a.lastAccessedDate().toTimeZone(QTimeZone(3600)));
    EXPECT_EQ(a, b);
}
