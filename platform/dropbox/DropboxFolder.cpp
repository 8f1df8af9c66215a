#include "DropboxFolder.h"

#include "DropboxErrors.h"
#include "DropboxPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace
{

bool fail(Error* error, int code, const QString& message, const QString& path)
{
    if (error)
        *error = DropboxErrors::make(code, message, path);
    return false;
}

bool isWithin(const QString& path, const QString& folder)
{
    return path == folder || folder == QStringLiteral("/") || path.startsWith(folder + u'/');
}

bool writeFile(const QString& local, const QByteArray& bytes)
{
    QSaveFile file(local);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

DBMetadata entry(const QString& path, const QFileInfo& info)
{
    DBMetadata metadata;
    metadata.path = path;
    metadata.isDirectory = info.isDir();
    metadata.isDeleted = DropboxPaths::isDeletedPath(path);
    return metadata;
}

} // namespace

DropboxFolder::DropboxFolder(const QString& root)
    : m_root(QFileInfo(root).canonicalFilePath())
{
}

std::optional<DropboxFolder::Resolved> DropboxFolder::resolve(const QString& path, Error* error) const
{
    if (m_root.isEmpty() || !QFileInfo(m_root).isDir()) {
        fail(error, DropboxErrors::Failed, QStringLiteral("The synced folder is missing."), path);
        return std::nullopt;
    }
    const std::optional<QString> normalized = DropboxPaths::normalized(path);
    const std::optional<QString> local
        = normalized ? DropboxPaths::localPath(m_root, *normalized) : std::optional<QString>();
    if (!local) {
        fail(error, DropboxErrors::InvalidPath,
            QStringLiteral("The path %1 leaves the synced folder.").arg(path), path);
        return std::nullopt;
    }
    return Resolved { *normalized, *local };
}

std::optional<DropboxFolder::Resolved> DropboxFolder::resolveExisting(const QString& path, Error* error) const
{
    std::optional<Resolved> resolved = resolve(path, error);
    if (resolved && !QFileInfo::exists(resolved->local)) {
        fail(error, DropboxErrors::NotFound, QStringLiteral("Nothing is at %1.").arg(resolved->path),
            resolved->path);
        return std::nullopt;
    }
    return resolved;
}

bool DropboxFolder::makeParents(const Resolved& target, Error* error) const
{
    const QString parent = QFileInfo(target.local).path();
    if (QFileInfo(parent).isDir() || QDir().mkpath(parent))
        return true;
    return fail(error, DropboxErrors::Conflict,
        QStringLiteral("The folder of %1 cannot be made; a file may stand in its way.").arg(target.path),
        target.path);
}

std::optional<DBMetadata> DropboxFolder::metadata(const QString& path, Error* error) const
{
    const std::optional<Resolved> resolved = resolveExisting(path, error);
    if (!resolved)
        return std::nullopt;
    DBMetadata metadata = entry(resolved->path, QFileInfo(resolved->local));
    if (!metadata.isDirectory)
        return metadata;
    const QFileInfoList infos
        = QDir(resolved->local)
              .entryInfoList(
                  QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& info : infos) {
        const QString childPath = DropboxPaths::join(resolved->path, info.fileName());
        // A link out of the folder is no part of it.
        if (!DropboxPaths::localPath(m_root, childPath))
            continue;
        metadata.contents.push_back(entry(childPath, info));
    }
    return metadata;
}

std::optional<DBMetadata> DropboxFolder::createFolder(const QString& path, Error* error)
{
    const std::optional<Resolved> resolved = resolve(path, error);
    if (!resolved)
        return std::nullopt;
    const QFileInfo info(resolved->local);
    if (info.exists() && !info.isDir()) {
        fail(error, DropboxErrors::Conflict, QStringLiteral("A file is at %1.").arg(resolved->path),
            resolved->path);
        return std::nullopt;
    }
    if (!info.exists() && !QDir().mkpath(resolved->local)) {
        fail(error, DropboxErrors::Conflict,
            QStringLiteral("The folder %1 cannot be made; a file may stand in its way.").arg(resolved->path),
            resolved->path);
        return std::nullopt;
    }
    return entry(resolved->path, QFileInfo(resolved->local));
}

bool DropboxFolder::upload(const QString& path, const QString& fromLocal, Error* error)
{
    const std::optional<Resolved> target = resolve(path, error);
    if (!target)
        return false;
    if (target->path == QStringLiteral("/") || QFileInfo(target->local).isDir())
        return fail(error, DropboxErrors::Conflict, QStringLiteral("A folder is at %1.").arg(target->path),
            target->path);
    QFile source(fromLocal);
    if (!source.open(QIODevice::ReadOnly))
        return fail(error, DropboxErrors::LocalFile,
            QStringLiteral("The file %1 cannot be read.").arg(fromLocal), target->path);
    const QByteArray bytes = source.readAll();
    if (!makeParents(*target, error))
        return false;
    if (!writeFile(target->local, bytes))
        return fail(error, DropboxErrors::Failed,
            QStringLiteral("The file %1 cannot be written.").arg(target->path), target->path);
    return true;
}

bool DropboxFolder::load(const QString& path, const QString& intoLocal, Error* error) const
{
    const std::optional<Resolved> resolved = resolveExisting(path, error);
    if (!resolved)
        return false;
    QFile file(resolved->local);
    if (QFileInfo(resolved->local).isDir() || !file.open(QIODevice::ReadOnly))
        return fail(error, DropboxErrors::Conflict, QStringLiteral("%1 is no file.").arg(resolved->path),
            resolved->path);
    if (!writeFile(intoLocal, file.readAll()))
        return fail(error, DropboxErrors::LocalFile,
            QStringLiteral("The file %1 cannot be written.").arg(intoLocal), resolved->path);
    return true;
}

bool DropboxFolder::remove(const QString& path, Error* error)
{
    const std::optional<Resolved> resolved = resolveExisting(path, error);
    if (!resolved)
        return false;
    if (resolved->path == QStringLiteral("/"))
        return fail(error, DropboxErrors::InvalidPath,
            QStringLiteral("The synced folder itself cannot be deleted."), resolved->path);
    const QFileInfo info(resolved->local);
    const bool removed = info.isDir() && !info.isSymLink() ? QDir(resolved->local).removeRecursively()
                                                           : QFile::remove(resolved->local);
    if (!removed)
        return fail(error, DropboxErrors::Failed, QStringLiteral("%1 cannot be deleted.").arg(resolved->path),
            resolved->path);
    return true;
}

bool DropboxFolder::move(const QString& from, const QString& to, Error* error)
{
    const std::optional<Resolved> source = resolveExisting(from, error);
    if (!source)
        return false;
    const std::optional<Resolved> target = resolve(to, error);
    if (!target)
        return false;
    if (source->path == QStringLiteral("/") || isWithin(target->path, source->path))
        return fail(error, DropboxErrors::InvalidPath,
            QStringLiteral("%1 cannot be moved into %2.").arg(source->path, target->path), source->path);
    if (QFileInfo::exists(target->local) || QFileInfo(target->local).isSymLink())
        return fail(error, DropboxErrors::Conflict, QStringLiteral("Something is at %1.").arg(target->path),
            target->path);
    if (!makeParents(*target, error))
        return false;
    if (!QDir().rename(source->local, target->local))
        return fail(error, DropboxErrors::Failed,
            QStringLiteral("%1 cannot be moved to %2.").arg(source->path, target->path), source->path);
    return true;
}

bool DropboxFolder::copy(const QString& from, const QString& to, Error* error)
{
    const std::optional<Resolved> source = resolveExisting(from, error);
    if (!source)
        return false;
    const std::optional<Resolved> target = resolve(to, error);
    if (!target)
        return false;
    if (isWithin(target->path, source->path))
        return fail(error, DropboxErrors::InvalidPath,
            QStringLiteral("%1 cannot be copied into %2.").arg(source->path, target->path), source->path);
    if (!makeParents(*target, error))
        return false;
    return copyTree(source->local, target->local, target->path, error);
}

bool DropboxFolder::copyTree(
    const QString& fromLocal, const QString& toLocal, const QString& to, Error* error) const
{
    const QFileInfo source(fromLocal);
    const QFileInfo target(toLocal);
    if (source.isSymLink())
        return true; // links are not synced content
    if (target.isSymLink()) // writing through it could reach outside the folder
        return fail(error, DropboxErrors::InvalidPath, QStringLiteral("A link is at %1.").arg(to), to);
    if (target.exists() && target.isDir() != source.isDir())
        return fail(error, DropboxErrors::Conflict,
            QStringLiteral("Something of another kind is at %1.").arg(to), to);
    if (!source.isDir()) {
        QFile file(fromLocal);
        if (!file.open(QIODevice::ReadOnly) || !writeFile(toLocal, file.readAll()))
            return fail(error, DropboxErrors::Failed, QStringLiteral("%1 cannot be written.").arg(to), to);
        return true;
    }
    if (!target.exists() && !QDir().mkdir(toLocal))
        return fail(
            error, DropboxErrors::Failed, QStringLiteral("The folder %1 cannot be made.").arg(to), to);
    const QStringList names = QDir(fromLocal).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (!copyTree(fromLocal + u'/' + name, toLocal + u'/' + name, DropboxPaths::join(to, name), error))
            return false;
    }
    return true;
}
