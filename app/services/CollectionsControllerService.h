#pragma once

#include "QLMKitchoraDevice.h"

#include <QList>

class ManagedObject;

// What the application controller asks of the collections source list's controller. Main
// thread only; nothing returned is owned by the caller.
class CollectionsControllerService
{
public:
    virtual ~CollectionsControllerService() = default;

    // The last selected collection of the source list, or nullptr.
    virtual ManagedObject* selectedCollection() = 0;
    // Smart collections refetch after a recipe left a collection.
    virtual void updateSmartCollections() = 0;
    // The source list re-sorts its tree after a rename.
    virtual void rearrangeCollections() = 0;
    // Takes in the recipes other devices left in Dropbox for this computer.
    virtual void fetchRecipesFromDropbox() = 0;
    // Brings the device collections in line with the devices found in Dropbox.
    virtual void updateDeviceCollectionsWithDeviceArray(const QList<QLMKitchoraDevice>& devices) = 0;
};
