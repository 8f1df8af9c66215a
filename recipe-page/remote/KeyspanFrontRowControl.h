#pragma once

#include "HIDRemoteControlDevice.h"

// The USB front-row remote, found by its vendor and product numbers.
class KeyspanFrontRowControl : public HIDRemoteControlDevice
{
public:
    static constexpr int VendorID = 1741;
    static constexpr int ProductID = 1056;

    // Null when the remote is not plugged in.
    static std::unique_ptr<KeyspanFrontRowControl> create(RemoteControlDelegate delegate);
    static InputDeviceMatching deviceMatching();
    static bool isRemoteAvailable() { return HIDRemoteControlDevice::isRemoteAvailable(deviceMatching()); }

protected:
    void setCookieMappingInDictionary(QMap<QString, int>& mapping) override;
    QMap<int, int> keyCodeToButtonMapping() const override;

private:
    friend class HIDRemoteControlDevice;
    explicit KeyspanFrontRowControl(RemoteControlDelegate delegate);
};
