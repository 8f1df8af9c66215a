#include "KitchoraImporter.h"

#include "PlugInRegistry.h"
#include "PlugInUUID.h"

#include <QUuid>
#include <atomic>

// Plain record in the COM layout: hosts reach the table through the first field.
struct MetadataImporterPluginType {
    const MDImporterInterfaceStruct* conduitInterface;
    QUuid factoryID;
    // Hosts may add and drop references from several threads.
    std::atomic<uint32_t> refCount;
};

namespace
{

const MDImporterInterfaceStruct importerInterfaceFunctionTable = {
    nullptr,
    MetadataImporterQueryInterface,
    MetadataImporterPluginAddRef,
    MetadataImporterPluginRelease,
    GetMetadataForFile,
};

MetadataImporterPluginType* instanceOf(void* thisInstance)
{
    return static_cast<MetadataImporterPluginType*>(thisInstance);
}

} // namespace

extern "C" {

void* MetadataImporterPluginFactory(void* /*allocator*/, PlugInUUIDBytes typeID)
{
    if (uuidFromBytes(typeID) != uuidFromBytes(kMDImporterTypeID))
        return nullptr;
    const QUuid factoryID(QStringLiteral(KITCHORA_IMPORTER_FACTORY_UUID));
    return AllocMetadataImporterPluginType(bytesFromUuid(factoryID));
}

MetadataImporterPluginType* AllocMetadataImporterPluginType(PlugInUUIDBytes factoryID)
{
    auto* instance
        = new MetadataImporterPluginType { &importerInterfaceFunctionTable, uuidFromBytes(factoryID), 1 };
    if (!instance->factoryID.isNull())
        PlugInRegistry::addInstanceForFactory(instance->factoryID);
    return instance;
}

void DeallocMetadataImporterPluginType(MetadataImporterPluginType* thisInstance)
{
    // Copied first: the record is gone once freed.
    const QUuid factoryID = thisInstance->factoryID;
    delete thisInstance;
    if (!factoryID.isNull())
        PlugInRegistry::removeInstanceForFactory(factoryID);
}

PlugInResult MetadataImporterQueryInterface(void* thisInstance, PlugInUUIDBytes iid, void** interfaceOut)
{
    const QUuid interfaceID = uuidFromBytes(iid);
    if (interfaceID == uuidFromBytes(kMDImporterInterfaceID) || interfaceID == uuidFromBytes(IUnknownUUID)) {
        instanceOf(thisInstance)->conduitInterface->AddRef(thisInstance);
        *interfaceOut = thisInstance;
        return PLUGIN_S_OK;
    }
    *interfaceOut = nullptr;
    return PLUGIN_E_NOINTERFACE;
}

uint32_t MetadataImporterPluginAddRef(void* thisInstance)
{
    return instanceOf(thisInstance)->refCount.fetch_add(1, std::memory_order_relaxed) + 1;
}

uint32_t MetadataImporterPluginRelease(void* thisInstance)
{
    MetadataImporterPluginType* instance = instanceOf(thisInstance);
    // Acquire-release, so that the thread that frees the record sees every other thread's use of it.
    const uint32_t count = instance->refCount.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (count == 0)
        DeallocMetadataImporterPluginType(instance);
    return count;
}

} // extern "C"
