#pragma once

#include "HIDRemoteControlDevice.h"

// The infrared remote, read through the system's infrared receiver. Its menu, play, left, right
// and play-hold buttons arrive as one burst per click, so a press of those is followed at once by
// its release.
class AppleRemote : public HIDRemoteControlDevice
{
public:
    // The two generations of the receiver's element cookies; this system has the later one.
    enum class CookieTable { Earlier, Later };

    // Null when there is no infrared receiver.
    static std::unique_ptr<AppleRemote> create(RemoteControlDelegate delegate);
    static InputDeviceMatching deviceMatching();
    static bool isRemoteAvailable() { return HIDRemoteControlDevice::isRemoteAvailable(deviceMatching()); }
    static QString deviceName() { return QStringLiteral("AppleIRController"); }
    static QMap<QString, int> cookieTable(CookieTable table);

    QString remoteControlDeviceName() const override { return deviceName(); }
    void sendRemoteButtonEvent(int identifier, bool pressedDown) override;

protected:
    void setCookieMappingInDictionary(QMap<QString, int>& mapping) override;
    QMap<int, int> keyCodeToButtonMapping() const override;
    QList<HIDElementEvent> elementEventsForInputEvent(const InputEvent& event) const override;

private:
    friend class HIDRemoteControlDevice;
    explicit AppleRemote(RemoteControlDelegate delegate);
};
