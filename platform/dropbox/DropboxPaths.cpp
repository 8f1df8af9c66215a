#include "DropboxPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace
{

// Deepest part of `path` that exists, resolved through links; empty when none does.
QString canonicalExistingPart(QString path)
{
    while (true) {
        const QString canonical = QFileInfo(path).canonicalFilePath();
        if (!canonical.isEmpty())
            return canonical;
        const QString up = QFileInfo(path).path();
        if (up == path)
            return {};
        path = up;
    }
}

bool isInside(const QString& root, const QString& canonical)
{
    return canonical == root || canonical.startsWith(root.endsWith(u'/') ? root : root + u'/');
}

} // namespace

std::optional<QString> DropboxPaths::normalized(const QString& dropboxPath)
{
    if (dropboxPath.contains(QChar(0)))
        return std::nullopt;
    QStringList components;
    for (const QString& component : dropboxPath.split(u'/', Qt::SkipEmptyParts)) {
        if (component == QStringLiteral(".") || component == QStringLiteral(".."))
            return std::nullopt;
        components << component;
    }
    return u'/' + components.join(u'/');
}

std::optional<QString> DropboxPaths::localPath(const QString& root, const QString& normalizedPath)
{
    const QString local = normalizedPath == QStringLiteral("/") ? root : root + normalizedPath;
    // A link inside the folder may point anywhere; only what resolves inside the root is ours.
    // (A dangling one too: writing through it would create its target.)
    const QFileInfo info(local);
    if (info.isSymLink() && !isInside(root, canonicalExistingPart(info.symLinkTarget())))
        return std::nullopt;
    const QString existing = canonicalExistingPart(local);
    if (existing.isEmpty() || !isInside(root, existing))
        return std::nullopt;
    return local;
}

QString DropboxPaths::join(const QString& folder, const QString& name)
{
    return folder.endsWith(u'/') ? folder + name : folder + u'/' + name;
}

QString DropboxPaths::parent(const QString& normalizedPath)
{
    const qsizetype slash = normalizedPath.lastIndexOf(u'/');
    return slash <= 0 ? QStringLiteral("/") : normalizedPath.left(slash);
}

bool DropboxPaths::isDeletedName(const QString& name)
{
    static const QStringList markers { QStringLiteral("conflicted copy"), QStringLiteral(".sync-conflict-"),
        QStringLiteral("(SFConflict ") };
    for (const QString& marker : markers) {
        if (name.contains(marker, Qt::CaseInsensitive))
            return true;
    }
    static const QStringList folders { QStringLiteral(".dropbox.cache"), QStringLiteral(".stversions"),
        QStringLiteral(".Trash") };
    for (const QString& folder : folders) {
        if (name == folder || name.startsWith(folder + u'-'))
            return true;
    }
    return (name.startsWith(QStringLiteral(".syncthing.")) && name.endsWith(QStringLiteral(".tmp")))
        || name.startsWith(QStringLiteral(".~"));
}

bool DropboxPaths::isDeletedPath(const QString& normalizedPath)
{
    const QStringList components = normalizedPath.split(u'/', Qt::SkipEmptyParts);
    return std::any_of(components.begin(), components.end(), isDeletedName);
}
