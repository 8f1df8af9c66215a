#pragma once

#include "CollectionsControllerService.h"

// The source list until it is built: nothing selected, nothing to update.
class IdleCollectionsController : public CollectionsControllerService
{
public:
    ManagedObject* selectedCollection() override { return nullptr; }
    void updateSmartCollections() override { }
    void rearrangeCollections() override { }
    void fetchRecipesFromDropbox() override { }
    void updateDeviceCollectionsWithDeviceArray(const QList<QLMKitchoraDevice>&) override { }
};
