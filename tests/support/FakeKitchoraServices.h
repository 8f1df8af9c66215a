#pragma once

#include "KitchoraServices.h"
#include "ManagedObjectContext.h"

#include <QList>
#include <QStringList>

// Services double: answers from plain members that a test sets, and records what the model
// asked of it. Installs itself while alive.
class FakeKitchoraServices : public KitchoraServices
{
public:
    FakeKitchoraServices() { setShared(this); }
    ~FakeKitchoraServices() override
    {
        if (shared() == this)
            setShared(nullptr);
    }

    ManagedObjectContext* managedObjectContext() override { return context; }
    void presentError(const Error& error) override { presentedErrors.append(error); }
    ManagedObject* libraryCollection() override { return library; }
    ManagedObject* importedCollection() override { return imported; }
    ManagedObject* devicesFolder() override { return devices; }
    QStringList modifiersArray() override { return modifiers; }
    void updateSmartCollections() override { ++updateSmartCollectionsCount; }
    void rearrangeCollections() override { ++rearrangeCollectionsCount; }
    ManagedObject* searchCache() override { return searchCacheCollection; }

    ManagedObjectContext* context = nullptr;
    ManagedObject* library = nullptr;
    ManagedObject* imported = nullptr;
    ManagedObject* devices = nullptr;
    ManagedObject* searchCacheCollection = nullptr;
    QStringList modifiers;

    QList<Error> presentedErrors;
    int updateSmartCollectionsCount = 0;
    int rearrangeCollectionsCount = 0;
};
