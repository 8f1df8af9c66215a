#include "KeyspanFrontRowControl.h"

#include <linux/input-event-codes.h>

KeyspanFrontRowControl::KeyspanFrontRowControl(RemoteControlDelegate delegate)
    : HIDRemoteControlDevice(std::move(delegate), deviceMatching())
{
}

std::unique_ptr<KeyspanFrontRowControl> KeyspanFrontRowControl::create(RemoteControlDelegate delegate)
{
    return makeDevice<KeyspanFrontRowControl>(std::move(delegate));
}

InputDeviceMatching KeyspanFrontRowControl::deviceMatching()
{
    return InputDeviceMatching::vendorAndProduct(VendorID, ProductID);
}

void KeyspanFrontRowControl::setCookieMappingInDictionary(QMap<QString, int>& mapping)
{
    mapping.insert(QStringLiteral("11_18_99_10_"), 2);
    mapping.insert(QStringLiteral("11_18_98_10_"), 4);
    mapping.insert(QStringLiteral("11_18_58_10_"), 8);
    mapping.insert(QStringLiteral("11_18_61_10_"), 16);
    mapping.insert(QStringLiteral("11_18_96_10_"), 32);
    mapping.insert(QStringLiteral("11_18_97_10_"), 64);
}

QMap<int, int> KeyspanFrontRowControl::keyCodeToButtonMapping() const
{
    // To the kernel the remote is a small USB keyboard with media keys.
    using namespace RemoteControlButton;
    return {
        { KEY_UP, plus },
        { KEY_VOLUMEUP, plus },
        { KEY_DOWN, minus },
        { KEY_VOLUMEDOWN, minus },
        { KEY_MENU, menu },
        { KEY_ESC, menu },
        { KEY_ENTER, play },
        { KEY_PLAYPAUSE, play },
        { KEY_RIGHT, right },
        { KEY_NEXTSONG, right },
        { KEY_LEFT, left },
        { KEY_PREVIOUSSONG, left },
    };
}
