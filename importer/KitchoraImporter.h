#pragma once

/* The metadata importer plug-in's entry points, in C. A host needs only the factory; the others
 * are reached through the interface table of the instance it returns, and are exported as well. */

#include "PlugInInterface.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The plug-in's own factory; every instance is registered for it. */
#define KITCHORA_IMPORTER_FACTORY_UUID "C9909650-F125-4896-9989-44C683CECC38"

/* One importer instance (opaque to hosts): its first field points at the interface table. */
typedef struct MetadataImporterPluginType MetadataImporterPluginType;

/* A new instance with a count of 1 for the importer type; null for any other type. */
void* MetadataImporterPluginFactory(void* allocator, PlugInUUIDBytes typeID);

/* A new instance with a count of 1, registered for the factory (unless the ID is null). */
MetadataImporterPluginType* AllocMetadataImporterPluginType(PlugInUUIDBytes factoryID);
/* Frees the instance and unregisters it from its factory. */
void DeallocMetadataImporterPluginType(MetadataImporterPluginType* thisInstance);

/* PLUGIN_S_OK with the instance (and one more reference) for the importer interface and IUnknown;
 * PLUGIN_E_NOINTERFACE with null for any other interface. */
PlugInResult MetadataImporterQueryInterface(void* thisInstance, PlugInUUIDBytes iid, void** interfaceOut);
/* The new count. Both are safe to call from several threads at once. */
uint32_t MetadataImporterPluginAddRef(void* thisInstance);
/* The new count; the instance is deallocated when it reaches 0. */
uint32_t MetadataImporterPluginRelease(void* thisInstance);

/* The import slot: fills the attributes for one file of the given content type; true when
 * attributes were produced. The file is only read. */
bool GetMetadataForFile(void* thisInstance, AttributeDictionaryRef attributes, const char* contentTypeUTI,
    const char* pathToFile);

#ifdef __cplusplus
}
#endif
