#pragma once

/* What a host and the metadata importer plug-in share, in plain C so that any indexer can load the
 * plug-in: 16-byte UUIDs, the COM-style IUnknown slots and the importer's interface table. A host
 * calls the factory by name, queries the importer interface on the instance it gets, calls the
 * import slot once per file and releases the instance. */

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A UUID as 16 bytes in the order of its text form. */
typedef struct PlugInUUIDBytes {
    uint8_t bytes[16];
} PlugInUUIDBytes;

typedef int32_t PlugInResult;
#define PLUGIN_S_OK ((PlugInResult)0)
#define PLUGIN_E_NOINTERFACE ((PlugInResult)0x80000004)

/* The attribute dictionary the import slot fills. In C++ it is a QVariantMap (see
 * AttributeDictionary.h); other hosts only pass it through. */
typedef struct AttributeDictionaryOpaque* AttributeDictionaryRef;

/* The importer type a factory is asked for: 8B08C4BF-415B-11D8-B3F9-0003936726FC. */
static const PlugInUUIDBytes kMDImporterTypeID
    = { { 0x8B, 0x08, 0xC4, 0xBF, 0x41, 0x5B, 0x11, 0xD8, 0xB3, 0xF9, 0x00, 0x03, 0x93, 0x67, 0x26, 0xFC } };
/* The importer interface: 6EBC27C4-899C-11D8-84AE-0003936726FC. */
static const PlugInUUIDBytes kMDImporterInterfaceID
    = { { 0x6E, 0xBC, 0x27, 0xC4, 0x89, 0x9C, 0x11, 0xD8, 0x84, 0xAE, 0x00, 0x03, 0x93, 0x67, 0x26, 0xFC } };
/* IUnknown: 00000000-0000-0000-C000-000000000046. */
static const PlugInUUIDBytes IUnknownUUID
    = { { 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46 } };

/* The importer's interface table. An instance pointer points at a pointer to it; every slot takes
 * the instance pointer first. The first four slots are IUnknown's. */
typedef struct MDImporterInterfaceStruct {
    void* _reserved;
    PlugInResult (*QueryInterface)(void* thisInstance, PlugInUUIDBytes iid, void** interfaceOut);
    uint32_t (*AddRef)(void* thisInstance);
    uint32_t (*Release)(void* thisInstance);
    /* Content type and path as UTF-8 (the path in the file system's encoding); true when attributes
     * were produced. */
    bool (*ImporterImportData)(void* thisInstance, AttributeDictionaryRef attributes,
        const char* contentTypeUTI, const char* pathToFile);
} MDImporterInterfaceStruct;

/* The factory's signature; the allocator is not used. */
typedef void* (*PlugInFactoryFunction)(void* allocator, PlugInUUIDBytes typeID);

#ifdef __cplusplus
}
#endif
