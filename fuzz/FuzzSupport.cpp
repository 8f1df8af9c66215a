#include "FuzzSupport.h"

#include "ManagedObjectModel.h"
#include "ModelClasses.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

// Plain strings and std::filesystem: Qt may already be gone when these are removed at exit.
std::vector<std::string>& scratchFolders()
{
    static auto* folders = new std::vector<std::string>;
    return *folders;
}

void removeScratchFolders()
{
    for (const std::string& folder : scratchFolders()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
}

} // namespace

namespace FuzzSupport
{

void require(bool condition)
{
    if (condition)
        return;
    removeScratchFolders();
    std::abort();
}

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Never deleted: libFuzzer leaves through exit(), after which Qt must not tear down.
    static int argc = 1;
    static char name[] = "kitchora-fuzz";
    static char* argv[] = { name, nullptr };
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

QString scratchFolderTemplate()
{
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isDir() && shm.isWritable())
        return QStringLiteral("/dev/shm/kitchora-fuzz-XXXXXX");
    return QDir::tempPath() + QStringLiteral("/kitchora-fuzz-XXXXXX");
}

void removeAtExit(const QString& path)
{
    static const bool registered = [] {
        std::atexit(removeScratchFolders);
        return true;
    }();
    (void)registered;
    scratchFolders().push_back(QFile::encodeName(path).toStdString());
}

const ManagedObjectModel& libraryModel()
{
    static const ManagedObjectModel* model = [] {
        registerModelClasses();
        return ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json")).release();
    }();
    require(model != nullptr);
    return *model;
}

QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

QString textFromInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return {};
    const char* rest = reinterpret_cast<const char*>(data + 1);
    const auto restSize = static_cast<qsizetype>(size - 1);
    if (data[0] & 1)
        return QString(reinterpret_cast<const QChar*>(rest), restSize / 2);
    return QString::fromUtf8(rest, restSize);
}

} // namespace FuzzSupport
