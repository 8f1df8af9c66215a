#pragma once

#include "BackgroundUploaderService.h"
#include "CollectionsControllerService.h"
#include "DropboxService.h"
#include "GroceryListControllerService.h"
#include "MainWindowAccess.h"
#include "RecipeControllerService.h"

// Doubles of the subsystems around the application controller: each counts what it was asked.

class FakeRecipeController : public RecipeControllerService
{
public:
    ManagedObject* currentRecipe() override { return nullptr; }
    bool editable() const override { return false; }
    bool fullScreen() const override { return inFullScreen; }
    void toggleFullScreen() override
    {
        inFullScreen = !inFullScreen;
        ++toggles;
    }
    bool inFullScreen = false;
    int toggles = 0;
};

class FakeCollectionsController : public CollectionsControllerService
{
public:
    ManagedObject* selectedCollection() override { return selected; }
    void updateSmartCollections() override { }
    void rearrangeCollections() override { }
    void fetchRecipesFromDropbox() override { ++recipeFetches; }
    void updateDeviceCollectionsWithDeviceArray(const QList<QLMKitchoraDevice>& devices) override
    {
        deviceUpdates.append(devices.size());
    }
    ManagedObject* selected = nullptr;
    int recipeFetches = 0;
    QList<qsizetype> deviceUpdates;
};

class FakeGroceryListController : public GroceryListControllerService
{
public:
    void fetchGroceryListCollection() override { ++collectionFetches; }
    void fetchGroceryListsFromDropbox() override { ++dropboxFetches; }
    int collectionFetches = 0;
    int dropboxFetches = 0;
};

class FakeDropbox : public DropboxService
{
public:
    bool isLinked() const override { return linked; }
    void deleteOwnFolderAndUnlink(std::function<void()>) override { ++unlinks; }
    void readArrayOfDevicePlists(std::function<void(const QList<QLMKitchoraDevice>&)> processDevices) override
    {
        processDevices(QList<QLMKitchoraDevice>(devices));
    }
    bool linked = false;
    int unlinks = 0;
    int devices = 0;
};

class FakeUploader : public BackgroundUploaderService
{
public:
    explicit FakeUploader(int* starts)
        : m_starts(starts)
    {
    }
    void start() override { ++*m_starts; }

private:
    int* m_starts;
};

class FakeMainWindow : public MainWindowAccess
{
public:
    bool commitEditing() override { return commits; }
    void centerWindow() override { ++centered; }
    QString outlineAutosaveName() const override { return QStringLiteral("Collections"); }
    QVariantList expandedStateArray() const override { return expanded; }
    void restoreExpandedStateFromArray(const QVariantList& state) override { restored = state; }
    void collapseAllSearchFields() override { ++collapsed; }
    bool commits = true;
    int centered = 0;
    int collapsed = 0;
    QVariantList expanded;
    QVariantList restored;
};
