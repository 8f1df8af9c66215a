#pragma once

#include <QUuid>

// The instances alive per factory, as the plug-in host would keep them to know when the plug-in
// may be unloaded. Safe to call from any thread.
class PlugInRegistry
{
public:
    PlugInRegistry() = delete;

    static void addInstanceForFactory(const QUuid& factoryID);
    // Removing more instances than were added leaves the count at 0.
    static void removeInstanceForFactory(const QUuid& factoryID);
    static int instanceCountForFactory(const QUuid& factoryID);
};
