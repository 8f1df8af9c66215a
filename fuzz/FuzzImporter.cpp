#include "FuzzImporter.h"

#include "AttributeDictionary.h"
#include "FuzzSupport.h"
#include "GetMetadataForFile.h"
#include "KitchoraImporter.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

using FuzzSupport::require;

namespace
{

const QString fileName = QStringLiteral("input");

// One importer and one scratch folder for the whole run, as an indexer keeps its plug-in.
struct Importer {
    Importer()
        : dir(FuzzSupport::scratchFolderTemplate())
    {
        require(dir.isValid());
        FuzzSupport::removeAtExit(dir.path());
        void* unknown = MetadataImporterPluginFactory(nullptr, kMDImporterTypeID);
        require(unknown != nullptr);
        require(table(unknown)->QueryInterface(unknown, kMDImporterInterfaceID, &importer) == PLUGIN_S_OK);
        table(unknown)->Release(unknown);
    }

    static const MDImporterInterfaceStruct* table(void* instance)
    {
        return *static_cast<const MDImporterInterfaceStruct**>(instance);
    }

    bool import(QVariantMap& attributes, const QString& contentType, const QString& path) const
    {
        return table(importer)->ImporterImportData(importer, attributeDictionaryRef(&attributes),
            contentType.toUtf8().constData(), QFile::encodeName(path).constData());
    }

    QTemporaryDir dir;
    void* importer = nullptr;
};

Importer& sharedImporter()
{
    static auto* importer = new Importer;
    return *importer;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    require(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

QString kindOf(const QVariantMap& attributes)
{
    return attributes.value(kMDItemKind).toMap().value(QString()).toString();
}

// What each kind must give when it answers true.
bool hasItsAttributes(const QString& contentType, const QVariantMap& attributes)
{
    if (contentType == RecipeDatabaseContentType)
        return attributes.contains(QStringLiteral("NSStoreUUID"));
    if (contentType == VirtualRecipeCardContentType)
        return attributes.value(kMDItemTitle).typeId() == QMetaType::QString
            && (kindOf(attributes) == QStringLiteral("Virtual Recipe Card")
                || kindOf(attributes) == QStringLiteral("Virtual Recipe Cards"));
    return kindOf(attributes) == QStringLiteral("Kitchora Recipe");
}

// A false answer leaves the host's dictionary as it was, but for the rating and date that a
// metadata file without a recipe still hands over.
bool isUntouched(const QString& contentType, QVariantMap attributes, const QVariantMap& before)
{
    if (contentType == RecipeMetadataContentType) {
        attributes.remove(kMDItemStarRating);
        attributes.remove(kMDItemContentCreationDate);
    }
    return attributes == before;
}

} // namespace

void fuzzImporter(const uint8_t* data, size_t size)
{
    Log::Capture quiet;
    Importer& importer = sharedImporter();
    const QString path = importer.dir.filePath(fileName);
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    {
        QFile file(path);
        require(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        require(file.write(bytes) == bytes.size());
    }
    const QVariantMap before { { QStringLiteral("host key"), QStringLiteral("kept") } };
    for (const QString& contentType :
        { RecipeMetadataContentType, VirtualRecipeCardContentType, RecipeDatabaseContentType }) {
        QVariantMap attributes = before;
        const bool imported = importer.import(attributes, contentType, path);
        require(imported ? hasItsAttributes(contentType, attributes)
                         : isUntouched(contentType, attributes, before));
        // A store's metadata is handed over whole, whatever its keys.
        if (contentType != RecipeDatabaseContentType)
            require(attributes.value(QStringLiteral("host key")) == QStringLiteral("kept"));
        require(contents(path) == bytes);
        require(QDir(importer.dir.path()).entryList(QDir::Files | QDir::Hidden) == QStringList { fileName });
    }
}
