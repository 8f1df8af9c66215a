#pragma once

#include "BackgroundUploaderService.h"
#include "CollectionsControllerService.h"
#include "DropboxService.h"
#include "GroceryListControllerService.h"
#include "MainWindowAccess.h"
#include "ManagedObject.h"
#include "RecipeControllerService.h"

#include <QVariantMap>
#include <utility>

// Doubles of the subsystems around the application controller: each counts what it was asked.

class FakeRecipeController : public RecipeControllerService
{
public:
    ManagedObject* currentRecipe() override { return current; }
    ManagedObject* current = nullptr;
    QWidget* recipePage() override { return page; }
    QWidget* page = nullptr; // handed to the window, which owns it from then on
    bool editable() const override { return editing; }
    void edit() override
    {
        editing = !editing;
        ++edits;
    }
    bool editing = false;
    int edits = 0;
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
    void createGroceryListWithRecipes(const QList<ManagedObject*>& recipes) override
    {
        listsMade.append(recipes);
    }
    int collectionFetches = 0;
    QList<QList<ManagedObject*>> listsMade;
    int dropboxFetches = 0;
};

class FakeDropbox : public DropboxService
{
public:
    bool isLinked() const override { return linked; }
    void authenticate() override { ++authentications; }
    void deleteOwnFolderAndUnlink(std::function<void()>) override { ++unlinks; }
    void readArrayOfDevicePlists(std::function<void(const QList<QLMKitchoraDevice>&)> processDevices) override
    {
        processDevices(records.isEmpty() ? QList<QLMKitchoraDevice>(devices) : records);
    }
    void processRecipePlistsAndImagesIndividuallyWithBlock(RecipeProcessor processRecipe) override
    {
        for (const QVariantMap& plist : std::as_const(incomingRecipes))
            madeRecipes += processRecipe(plist, QByteArray()) ? 1 : 0;
        incomingRecipes.clear();
    }
    void addRecipesToDevice(const QVariantList& plists, const QLMKitchoraDevice& device) override
    {
        recipeSends.append({ plists, device });
    }
    void addGroceryListPlistToDevice(const QVariantMap& plist, const QLMKitchoraDevice& device) override
    {
        groceryListSends.append({ plist, device });
    }
    void uploadRecipeImageDataToDevice(
        const QByteArray&, const QLMKitchoraDevice&, const QString& fileName) override
    {
        pictureUploads.append(fileName);
    }
    // Answers later, as the real mapping does: runPendingPlists() calls the completions.
    void plistFromRecipeMO(ManagedObject* recipe, PlistCompletion completion) override
    {
        const QString name = recipe->valueForKey(QStringLiteral("name")).toString();
        pendingPlists.append([name, completion] {
            completion({ { QStringLiteral("name"), name }, { QStringLiteral("onlineID"), name } }, QString());
        });
    }
    void runPendingPlists()
    {
        const auto pending = std::exchange(pendingPlists, {});
        for (const auto& complete : pending)
            complete();
    }
    ManagedObject* recipeManagedObjectFromPlist(const QVariantMap& plist, const QByteArray&) override
    {
        return makeRecipe ? makeRecipe(plist) : nullptr;
    }
    // Hands over the waiting grocery lists and forgets them, as reading deletes the files.
    void checkDropboxAndIfNewGroceriesProcessWithBlock(GroceryListsProcessor processGroceries) override
    {
        ++groceryChecks;
        processGroceries(std::exchange(incomingGroceryLists, {}));
    }
    bool linked = false;
    int unlinks = 0;
    int authentications = 0;
    int devices = 0;
    QList<QLMKitchoraDevice> records; // when set, what readArrayOfDevicePlists hands back
    QList<QVariantMap> incomingRecipes;
    int madeRecipes = 0;
    std::function<ManagedObject*(const QVariantMap&)> makeRecipe;
    QList<std::pair<QVariantList, QLMKitchoraDevice>> recipeSends;
    QList<std::pair<QVariantMap, QLMKitchoraDevice>> groceryListSends;
    QStringList pictureUploads;
    QList<std::function<void()>> pendingPlists;
    QVariantList incomingGroceryLists;
    int groceryChecks = 0;
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
    QList<ManagedObject*> selectedRecipes() const override { return selected; }
    void selectRecipe(ManagedObject* recipe) override { shown.append(recipe); }
    bool commits = true;
    int centered = 0;
    int collapsed = 0;
    QVariantList expanded;
    QVariantList restored;
    QList<ManagedObject*> selected;
    QList<ManagedObject*> shown;
};
