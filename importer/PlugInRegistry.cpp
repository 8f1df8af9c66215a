#include "PlugInRegistry.h"

#include <QHash>
#include <QMutex>

namespace
{

struct Instances {
    QMutex mutex;
    QHash<QUuid, int> counts;
};

Instances& instances()
{
    static Instances registry;
    return registry;
}

} // namespace

void PlugInRegistry::addInstanceForFactory(const QUuid& factoryID)
{
    Instances& registry = instances();
    QMutexLocker lock(&registry.mutex);
    ++registry.counts[factoryID];
}

void PlugInRegistry::removeInstanceForFactory(const QUuid& factoryID)
{
    Instances& registry = instances();
    QMutexLocker lock(&registry.mutex);
    const auto found = registry.counts.find(factoryID);
    if (found == registry.counts.end())
        return;
    if (--found.value() <= 0)
        registry.counts.erase(found);
}

int PlugInRegistry::instanceCountForFactory(const QUuid& factoryID)
{
    Instances& registry = instances();
    QMutexLocker lock(&registry.mutex);
    return registry.counts.value(factoryID);
}
