#pragma once

#include "ManualCollection.h"
#include "QLMKitchoraDevice.h"

#include <QMutex>
#include <optional>

// The collection that stands for one companion device; recipes dropped on it go to the device.
class DeviceCollection : public ManualCollection
{
public:
    // By the stored "deviceType"; an icon override never applies to devices.
    QString collectionImageName() const override;

    // The live device record of the last device update; none for a collection just loaded.
    // Safe to read from any thread.
    std::optional<QLMKitchoraDevice> dropboxDevice() const;
    void setDropboxDevice(const std::optional<QLMKitchoraDevice>& device);

    // Sent after recipes were dropped onto the collection.
    void recipesUpdated() { }

private:
    mutable QMutex m_deviceLock;
    std::optional<QLMKitchoraDevice> m_dropboxDevice;
};
