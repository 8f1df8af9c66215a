#include "KitchoraImporter.h"

#include "ImporterInstance.h"
#include "PlugInRegistry.h"
#include "PlugInUUID.h"

#include <QUuid>
#include <thread>
#include <vector>

namespace
{

const QUuid factoryID(QStringLiteral(KITCHORA_IMPORTER_FACTORY_UUID));

PlugInUUIDBytes bytesOf(const char* uuid)
{
    return bytesFromUuid(QUuid(QString::fromLatin1(uuid)));
}

const MDImporterInterfaceStruct* table(void* instance)
{
    return ImporterInstance::table(instance);
}

TEST(KitchoraImporterTest, IdentifiersAreThoseOfTheImporterTypeAndInterfaces)
{
    EXPECT_EQ(
        uuidFromBytes(kMDImporterTypeID), QUuid(QStringLiteral("8B08C4BF-415B-11D8-B3F9-0003936726FC")));
    EXPECT_EQ(
        uuidFromBytes(kMDImporterInterfaceID), QUuid(QStringLiteral("6EBC27C4-899C-11D8-84AE-0003936726FC")));
    EXPECT_EQ(uuidFromBytes(IUnknownUUID), QUuid(QStringLiteral("00000000-0000-0000-C000-000000000046")));
}

TEST(KitchoraImporterTest, FactoryAnswersOnlyTheImporterType)
{
    const struct {
        const char* name;
        PlugInUUIDBytes type;
    } others[] = {
        { "importer interface", kMDImporterInterfaceID },
        { "IUnknown", IUnknownUUID },
        { "the factory itself", bytesOf(KITCHORA_IMPORTER_FACTORY_UUID) },
        { "null", PlugInUUIDBytes {} },
    };
    for (const auto& other : others) {
        SCOPED_TRACE(other.name);
        EXPECT_EQ(MetadataImporterPluginFactory(nullptr, other.type), nullptr);
    }
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 0);

    void* instance = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
    ASSERT_TRUE(instance);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 1);
    EXPECT_EQ(table(instance)->Release(instance), 0u);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 0);
}

TEST(KitchoraImporterTest, InstanceLeadsWithItsInterfaceTable)
{
    void* instance = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
    ASSERT_TRUE(instance);
    const MDImporterInterfaceStruct* functions = table(instance);
    EXPECT_EQ(functions->_reserved, nullptr);
    EXPECT_EQ(functions->QueryInterface, &MetadataImporterQueryInterface);
    EXPECT_EQ(functions->AddRef, &MetadataImporterPluginAddRef);
    EXPECT_EQ(functions->Release, &MetadataImporterPluginRelease);
    EXPECT_EQ(functions->ImporterImportData, &GetMetadataForFile);
    functions->Release(instance);
}

TEST(KitchoraImporterTest, QueryInterfaceAnswersTheImporterAndIUnknownOnly)
{
    void* instance = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
    ASSERT_TRUE(instance);
    const struct {
        const char* name;
        PlugInUUIDBytes iid;
        PlugInResult result;
    } cases[] = {
        { "importer interface", kMDImporterInterfaceID, PLUGIN_S_OK },
        { "IUnknown", IUnknownUUID, PLUGIN_S_OK },
        { "importer type", kMDImporterTypeID, PLUGIN_E_NOINTERFACE },
        { "factory", bytesOf(KITCHORA_IMPORTER_FACTORY_UUID), PLUGIN_E_NOINTERFACE },
        { "null", PlugInUUIDBytes {}, PLUGIN_E_NOINTERFACE },
    };
    uint32_t count = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        void* answer = &count; // anything but null, to see it overwritten
        EXPECT_EQ(table(instance)->QueryInterface(instance, c.iid, &answer), c.result);
        if (c.result == PLUGIN_S_OK) {
            EXPECT_EQ(answer, instance);
            ++count;
        } else {
            EXPECT_EQ(answer, nullptr);
        }
        // The count shows whether a reference was added.
        EXPECT_EQ(table(instance)->AddRef(instance), count + 1);
        EXPECT_EQ(table(instance)->Release(instance), count);
    }
    EXPECT_EQ(uint32_t(0x80000004), uint32_t(PLUGIN_E_NOINTERFACE));
    while (count > 0)
        EXPECT_EQ(table(instance)->Release(instance), --count);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 0);
}

TEST(KitchoraImporterTest, ReferencesCountDownToDeallocation)
{
    void* instance = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
    ASSERT_TRUE(instance);
    EXPECT_EQ(table(instance)->AddRef(instance), 2u);
    EXPECT_EQ(table(instance)->AddRef(instance), 3u);
    EXPECT_EQ(table(instance)->Release(instance), 2u);
    EXPECT_EQ(table(instance)->Release(instance), 1u);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 1);
    // The last release frees the record (ASan would report a later use) and unregisters it.
    EXPECT_EQ(table(instance)->Release(instance), 0u);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 0);
}

TEST(KitchoraImporterTest, InstanceOfAnotherFactoryIsRegisteredForItsOwn)
{
    const PlugInUUIDBytes other = bytesOf("0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0");
    MetadataImporterPluginType* instance = AllocMetadataImporterPluginType(other);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(uuidFromBytes(other)), 1);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 0);
    DeallocMetadataImporterPluginType(instance);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(uuidFromBytes(other)), 0);

    // Without a factory nothing is registered, and nothing is removed.
    MetadataImporterPluginType* unowned = AllocMetadataImporterPluginType(PlugInUUIDBytes {});
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(QUuid()), 0);
    EXPECT_EQ(MetadataImporterPluginRelease(unowned), 0u);
}

TEST(KitchoraImporterTest, CountsAndRegistryHoldUnderCallsFromSeveralThreads)
{
    constexpr int threads = 8;
    constexpr int rounds = 20000;
    void* shared = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
    ASSERT_TRUE(shared);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([shared] {
            for (int i = 0; i < rounds; ++i) {
                void* again = nullptr;
                table(shared)->QueryInterface(shared, kMDImporterInterfaceID, &again);
                table(shared)->AddRef(shared);
                table(shared)->Release(shared);
                table(again)->Release(again);
                // Instances of their own come and go meanwhile.
                if (i % 16 == 0) {
                    void* own = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
                    table(own)->Release(own);
                }
            }
        });
    }
    for (std::thread& worker : workers)
        worker.join();
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 1);
    EXPECT_EQ(table(shared)->AddRef(shared), 2u);
    EXPECT_EQ(table(shared)->Release(shared), 1u);
    EXPECT_EQ(table(shared)->Release(shared), 0u);
    EXPECT_EQ(PlugInRegistry::instanceCountForFactory(factoryID), 0);
}

} // namespace
