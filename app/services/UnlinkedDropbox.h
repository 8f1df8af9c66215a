#pragma once

#include "DropboxService.h"

// Device sharing until it is built: no account is linked and this computer has no device
// folder, so nothing is deleted, sent or received and no completion is called.
class UnlinkedDropbox : public DropboxService
{
public:
    bool isLinked() const override { return false; }
    void authenticate() override { }
    void deleteOwnFolderAndUnlink(std::function<void()>) override { }
    void readArrayOfDevicePlists(std::function<void(const QList<QLMKitchoraDevice>&)>) override { }
    void processRecipePlistsAndImagesIndividuallyWithBlock(RecipeProcessor) override { }
    void addRecipesToDevice(const QVariantList&, const QLMKitchoraDevice&) override { }
    void checkDropboxAndIfNewGroceriesProcessWithBlock(GroceryListsProcessor) override { }
    void addGroceryListPlistToDevice(const QVariantMap&, const QLMKitchoraDevice&) override { }
    void uploadRecipeImageDataToDevice(const QByteArray&, const QLMKitchoraDevice&, const QString&) override
    {
    }
    void plistFromRecipeMO(ManagedObject*, PlistCompletion) override { }
    ManagedObject* recipeManagedObjectFromPlist(const QVariantMap&, const QByteArray&) override
    {
        return nullptr;
    }
};
