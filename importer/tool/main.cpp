// kitchora-mdimport [--type CONTENT-TYPE] FILE...
// Stands in for the desktop indexer: loads kitchora-importer.so from beside its own executable, asks
// the factory for an importer, imports each file with the given content type (else the one its
// extension names) and prints one JSON object per file on its own line:
//   {"attributes": {...}, "contentType": "...", "file": "...", "imported": true}
// Exits 0 when every file gave attributes, 1 when one gave none, 2 on a usage error or a plug-in
// that cannot be loaded or gives no importer.
#include "AttributeDictionary.h"
#include "AttributesJson.h"
#include "PlugInInterface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <optional>

namespace
{

constexpr int usageError = 2;
const char* const pluginFileName = "kitchora-importer.so";
const char* const factoryName = "MetadataImporterPluginFactory";

struct Arguments {
    QByteArray contentType;
    QList<const char*> files;
};

int usage()
{
    std::fprintf(stderr, "usage: kitchora-mdimport [--type CONTENT-TYPE] FILE...\n");
    return usageError;
}

// Options come first; "--" ends them.
std::optional<Arguments> parse(int argc, char** argv)
{
    Arguments arguments;
    int i = 1;
    for (; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            ++i;
            break;
        }
        if (std::strcmp(argv[i], "--type") == 0) {
            if (i + 1 >= argc || argv[i + 1][0] == '\0')
                return std::nullopt;
            arguments.contentType = argv[++i];
            continue;
        }
        if (argv[i][0] == '-')
            return std::nullopt;
        break;
    }
    for (; i < argc; ++i)
        arguments.files.append(argv[i]);
    if (arguments.files.isEmpty())
        return std::nullopt;
    return arguments;
}

QByteArray contentTypeForExtension(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toLower();
    if (extension == u"recipemetadata")
        return "com.quillmoor.recipemetadata";
    if (extension == u"vrc")
        return "com.quillmoor.virtual-recipe-card";
    if (extension == u"recipedb")
        return "com.quillmoor.recipedatabase";
    return {};
}

// The plug-in beside the real executable (a link to the tool finds it too).
QString pluginPath()
{
    const QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return QFileInfo(executable).dir().filePath(QString::fromLatin1(pluginFileName));
}

// The importer interface of a new instance, holding one reference; null with the reason on stderr.
void* loadImporter()
{
    const QString path = pluginPath();
    // Kept loaded until the process ends, as an indexer keeps its plug-ins.
    void* plugin = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    if (!plugin) {
        std::fprintf(stderr, "kitchora-mdimport: cannot load the plug-in: %s\n", dlerror());
        return nullptr;
    }
    const auto factory = reinterpret_cast<PlugInFactoryFunction>(dlsym(plugin, factoryName));
    if (!factory) {
        std::fprintf(stderr, "kitchora-mdimport: %s has no %s\n", qPrintable(path), factoryName);
        return nullptr;
    }
    void* instance = factory(nullptr, kMDImporterTypeID);
    if (!instance) {
        std::fprintf(stderr, "kitchora-mdimport: the plug-in makes no importer\n");
        return nullptr;
    }
    const MDImporterInterfaceStruct* unknown = *static_cast<MDImporterInterfaceStruct**>(instance);
    void* importer = nullptr;
    const PlugInResult result = unknown->QueryInterface(instance, kMDImporterInterfaceID, &importer);
    unknown->Release(instance);
    if (result != PLUGIN_S_OK || !importer) {
        std::fprintf(stderr, "kitchora-mdimport: the plug-in's instance is no importer\n");
        return nullptr;
    }
    return importer;
}

} // namespace

int main(int argc, char** argv)
{
    const std::optional<Arguments> arguments = parse(argc, argv);
    if (!arguments)
        return usage();
    void* importer = loadImporter();
    if (!importer)
        return usageError;
    const MDImporterInterfaceStruct* table = *static_cast<MDImporterInterfaceStruct**>(importer);

    int status = 0;
    for (const char* file : arguments->files) {
        const QString path = QFile::decodeName(file);
        const QByteArray contentType
            = arguments->contentType.isEmpty() ? contentTypeForExtension(path) : arguments->contentType;
        QVariantMap attributes;
        const bool imported = table->ImporterImportData(
            importer, attributeDictionaryRef(&attributes), contentType.constData(), file);
        if (!imported)
            status = 1;
        const QJsonObject line { { QStringLiteral("file"), path },
            { QStringLiteral("contentType"), QString::fromUtf8(contentType) },
            { QStringLiteral("imported"), imported },
            { QStringLiteral("attributes"), AttributesJson::jsonValue(attributes) } };
        const QByteArray json = QJsonDocument(line).toJson(QJsonDocument::Compact);
        std::fwrite(json.constData(), 1, size_t(json.size()), stdout);
        std::fputc('\n', stdout);
    }
    table->Release(importer);
    return std::fflush(stdout) == 0 ? status : 1;
}
