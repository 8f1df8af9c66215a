#include "UIDevice.h"

#include "ScratchUserDefaults.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

QString machineIdFile(const QTemporaryDir& dir, const QByteArray& content)
{
    const QString path = dir.filePath(QStringLiteral("machine-id"));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

} // namespace

TEST(UIDeviceTest, TheSaltedIdentifierIsTheUpperCaseSha1OfSaltColonMachineId)
{
    ScratchUserDefaults defaults;
    QTemporaryDir dir;
    UIDevice device("Mac", { machineIdFile(dir, "0123456789abcdef0123456789abcdef\n") });
    EXPECT_EQ(device.uniqueIdentifier(), "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(device.newSaltedUniqueIdentifier("org.kitchora.Kitchora"),
        "2786C40D11F57EBE37A55CA3EE3FF094C856CA40");
    EXPECT_EQ(device.saltedUniqueIdentifier(), "2786C40D11F57EBE37A55CA3EE3FF094C856CA40");
    EXPECT_NE(device.newSaltedUniqueIdentifier("other.salt"), device.saltedUniqueIdentifier());
    EXPECT_EQ(device.model(), "Mac");
    EXPECT_EQ(device.name(), "Mac");
}

TEST(UIDeviceTest, AMachineWithoutAMachineIdKeepsOneRandomIdentifier)
{
    ScratchUserDefaults defaults;
    QTemporaryDir dir;
    // A missing file, then an empty one, as on a fresh image.
    const QStringList files { dir.filePath("absent"), machineIdFile(dir, "") };
    UIDevice first("Mac", files);
    UIDevice second("Mac", files);
    EXPECT_EQ(first.uniqueIdentifier().size(), 36);
    EXPECT_EQ(first.uniqueIdentifier(), second.uniqueIdentifier());
    EXPECT_EQ(first.saltedUniqueIdentifier(), second.saltedUniqueIdentifier());
    ScratchUserDefaults otherMachine;
    EXPECT_NE(UIDevice("Mac", files).uniqueIdentifier(), first.uniqueIdentifier());
}
