#pragma once

#include "QLMKitchoraDevice.h"

#include <QList>
#include <functional>

// What the application controller asks of device sharing through Dropbox. Main thread only;
// every completion is called on the main thread, later, never from inside the call.
class DropboxService
{
public:
    virtual ~DropboxService() = default;

    // True while a Dropbox account is linked to the program.
    virtual bool isLinked() const = 0;
    // When this computer has a device folder: deletes it, unlinks every account (also when
    // deleting failed, which is logged) and calls `completion` (may be empty). Without a device
    // folder nothing happens and `completion` is not called.
    virtual void deleteOwnFolderAndUnlink(std::function<void()> completion) = 0;
    // Reads the record of every other device and calls `processDevices` once with them.
    // `processDevices` must not be empty.
    virtual void readArrayOfDevicePlists(std::function<void(const QList<QLMKitchoraDevice>&)> processDevices)
        = 0;
};
