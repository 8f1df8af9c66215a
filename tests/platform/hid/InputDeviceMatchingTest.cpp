#include "InputDeviceMatching.h"

#include <gtest/gtest.h>

TEST(InputDeviceMatchingTest, ReadsSysfsIdentifiers)
{
    const struct {
        const char* text;
        int number;
    } cases[] = {
        { "06cd", 1741 }, { "0420\n", 1056 }, { "FFFF", 0xFFFF }, { "", 0 }, { "xyz", 0 },
        { "10000", 0 }, // no 16-bit identifier
    };
    for (const auto& c : cases)
        EXPECT_EQ(InputDeviceIdentifiers::numberFromSysfsText(QString::fromLatin1(c.text)), c.number)
            << c.text;
}

TEST(InputDeviceMatchingTest, MatchesByVendorAndProductOrInfraredReceiver)
{
    const InputDeviceMatching usb = InputDeviceMatching::vendorAndProduct(1741, 1056);
    const InputDeviceMatching infrared = InputDeviceMatching::infraredRemoteReceiver();
    const InputDeviceMatching none;
    const struct {
        InputDeviceProperties device;
        bool usb;
        bool infrared;
    } cases[] = {
        { { 1741, 1056, false }, true, false }, { { 1741, 1057, false }, false, false },
        { { 1740, 1056, false }, false, false }, { { 0, 0, true }, false, true },
        { { 1741, 1056, true }, true, true },
        { { 0, 0, false }, false, false }, // a device without identifiers is not the empty matching's
    };
    for (const auto& c : cases) {
        EXPECT_EQ(usb.matches(c.device), c.usb);
        EXPECT_EQ(infrared.matches(c.device), c.infrared);
        EXPECT_FALSE(none.matches(c.device));
    }
}
