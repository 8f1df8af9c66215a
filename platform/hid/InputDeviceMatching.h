#pragma once

#include <QString>

// What an input device tells about itself, as far as finding a remote control needs it.
struct InputDeviceProperties {
    int vendorID = 0;
    int productID = 0;
    bool infraredReceiver = false; // the input device of a remote-control receiver (rc-core)
};

// Which devices a remote-control class looks for: a USB device by its vendor and product
// numbers, or the input device of an infrared receiver. An empty matching finds nothing.
struct InputDeviceMatching {
    int vendorID = 0;
    int productID = 0;
    bool infraredReceiver = false;

    static InputDeviceMatching vendorAndProduct(int vendorID, int productID)
    {
        return { vendorID, productID, false };
    }
    static InputDeviceMatching infraredRemoteReceiver() { return { 0, 0, true }; }

    bool isEmpty() const { return !infraredReceiver && vendorID == 0 && productID == 0; }
    bool matches(const InputDeviceProperties& device) const;
};

namespace InputDeviceIdentifiers
{

// A vendor or product number as the kernel writes it in sysfs ("06cd"); 0 when unreadable.
int numberFromSysfsText(const QString& text);

} // namespace InputDeviceIdentifiers
