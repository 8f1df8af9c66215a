#pragma once

#include "Error.h"

#include <QStringList>

class ManagedObject;
class ManagedObjectContext;
class ManagedObjectModel;

// What the model needs of the application controller and of the neighbouring subsystems it
// calls (search engine, collections controller). The application controller implements it and
// installs itself at launch; tests install a double. Nothing returned is owned by the caller.
class KitchoraServices
{
public:
    virtual ~KitchoraServices();

    // The installed services, or nullptr before launch has installed them.
    static KitchoraServices* shared();
    // Not owned; pass nullptr to uninstall.
    static void setShared(KitchoraServices* services);

    // The main thread's context on the library store.
    virtual ManagedObjectContext* managedObjectContext() = 0;
    // The model of the library store (by default, that of the main context's coordinator).
    virtual const ManagedObjectModel* managedObjectModel();
    // Shows an error to the user. Main thread only; see presentErrorOnMainThread.
    virtual void presentError(const Error& error) = 0;

    // Built-in collections of the main context (nullptr while not set up).
    virtual ManagedObject* libraryCollection() = 0;
    virtual ManagedObject* importedCollection() = 0;
    virtual ManagedObject* devicesFolder() = 0;

    // The ingredient modifier words read at launch.
    virtual QStringList modifiersArray() = 0;

    // Collections controller: smart collections refetch after a recipe left a collection.
    virtual void updateSmartCollections() = 0;
    // Collections controller: the source list re-sorts its tree after a rename.
    virtual void rearrangeCollections() = 0;

    // Search engine: its search-results cache collection, or nullptr when it holds none.
    virtual ManagedObject* searchCache() = 0;

    // Hands the error to the installed services' presentError on the main thread's next turn,
    // without waiting; from any thread. Dropped when no services are installed by then.
    static void presentErrorOnMainThread(const Error& error);
};
