#pragma once

#include "AttributeDictionary.h"
#include "KitchoraImporter.h"

#include <QFile>
#include <QString>
#include <QVariantMap>
#include <gtest/gtest.h>

// An importer as a host gets it: made by the factory, asked for the importer interface, and
// released when done. Calls go through the instance's interface table.
class ImporterInstance
{
public:
    ImporterInstance()
    {
        void* unknown = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
        EXPECT_TRUE(unknown);
        if (!unknown)
            return;
        const PlugInResult result
            = table(unknown)->QueryInterface(unknown, kMDImporterInterfaceID, &m_importer);
        EXPECT_EQ(result, PLUGIN_S_OK);
        table(unknown)->Release(unknown);
    }
    ~ImporterInstance()
    {
        if (m_importer)
            table(m_importer)->Release(m_importer);
    }
    ImporterInstance(const ImporterInstance&) = delete;
    ImporterInstance& operator=(const ImporterInstance&) = delete;

    static const MDImporterInterfaceStruct* table(void* instance)
    {
        return *static_cast<const MDImporterInterfaceStruct**>(instance);
    }

    bool import(QVariantMap& attributes, const QString& contentType, const QString& path) const
    {
        if (!m_importer)
            return false;
        return table(m_importer)
            ->ImporterImportData(m_importer, attributeDictionaryRef(&attributes),
                contentType.toUtf8().constData(), QFile::encodeName(path).constData());
    }

private:
    void* m_importer = nullptr;
};
