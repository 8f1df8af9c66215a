#include "AppleRemote.h"

#include <linux/input-event-codes.h>

namespace
{

// The unnamed events whose release comes without a press.
constexpr int ReleasedWithoutPress = 512;

bool isClickButton(int identifier)
{
    using namespace RemoteControlButton;
    return identifier == menu || identifier == play || identifier == right || identifier == left
        || identifier == playhold;
}

} // namespace

AppleRemote::AppleRemote(RemoteControlDelegate delegate)
    : HIDRemoteControlDevice(std::move(delegate), deviceMatching())
{
}

std::unique_ptr<AppleRemote> AppleRemote::create(RemoteControlDelegate delegate)
{
    return makeDevice<AppleRemote>(std::move(delegate));
}

InputDeviceMatching AppleRemote::deviceMatching()
{
    return InputDeviceMatching::infraredRemoteReceiver();
}

QMap<QString, int> AppleRemote::cookieTable(CookieTable table)
{
    if (table == CookieTable::Earlier)
        return {
            { QStringLiteral("14_12_11_6_"), 2 },
            { QStringLiteral("14_13_11_6_"), 4 },
            { QStringLiteral("14_7_6_14_7_6_"), 8 },
            { QStringLiteral("14_8_6_14_8_6_"), 16 },
            { QStringLiteral("14_9_6_14_9_6_"), 32 },
            { QStringLiteral("14_10_6_14_10_6_"), 64 },
            { QStringLiteral("14_6_4_2_"), 2048 },
            { QStringLiteral("14_6_3_2_"), 4096 },
            { QStringLiteral("14_6_14_6_"), 512 },
            { QStringLiteral("18_14_6_18_14_6_"), 1024 },
            { QStringLiteral("19_"), 8192 },
        };
    return {
        { QStringLiteral("31_29_28_19_18_"), 2 },
        { QStringLiteral("31_30_28_19_18_"), 4 },
        { QStringLiteral("31_20_19_18_31_20_19_18_"), 8 },
        { QStringLiteral("31_21_19_18_31_21_19_18_"), 16 },
        { QStringLiteral("31_22_19_18_31_22_19_18_"), 32 },
        { QStringLiteral("31_23_19_18_31_23_19_18_"), 64 },
        { QStringLiteral("31_19_18_4_2_"), 2048 },
        { QStringLiteral("31_19_18_3_2_"), 4096 },
        { QStringLiteral("31_19_18_31_19_18_"), 512 },
        { QStringLiteral("35_31_19_18_35_31_19_18_"), 1024 },
        { QStringLiteral("19_"), 8192 },
    };
}

void AppleRemote::setCookieMappingInDictionary(QMap<QString, int>& mapping)
{
    mapping.insert(cookieTable(CookieTable::Later));
}

QMap<int, int> AppleRemote::keyCodeToButtonMapping() const
{
    // The keys infrared receivers' keymaps give the remote's buttons.
    using namespace RemoteControlButton;
    return {
        { KEY_VOLUMEUP, plus },
        { KEY_UP, plus },
        { KEY_VOLUMEDOWN, minus },
        { KEY_DOWN, minus },
        { KEY_MENU, menu },
        { KEY_PLAYPAUSE, play },
        { KEY_PLAY, play },
        { KEY_ENTER, play },
        { KEY_OK, play },
        { KEY_FORWARD, right },
        { KEY_NEXTSONG, right },
        { KEY_RIGHT, right },
        { KEY_BACK, left },
        { KEY_PREVIOUSSONG, left },
        { KEY_LEFT, left },
    };
}

QList<HIDElementEvent> AppleRemote::elementEventsForInputEvent(const InputEvent& event) const
{
    // A click button's burst carries press and release at once; the key's own release would be a
    // second one.
    if (event.type == EV_KEY && event.value == 0 && isClickButton(keyCodeToButtonMapping().value(event.code)))
        return {};
    return HIDRemoteControlDevice::elementEventsForInputEvent(event);
}

void AppleRemote::sendRemoteButtonEvent(int identifier, bool pressedDown)
{
    if (identifier == ReleasedWithoutPress && !pressedDown)
        HIDRemoteControlDevice::sendRemoteButtonEvent(identifier, true);
    HIDRemoteControlDevice::sendRemoteButtonEvent(identifier, pressedDown);
    if (pressedDown && isClickButton(identifier))
        HIDRemoteControlDevice::sendRemoteButtonEvent(identifier, false);
}
