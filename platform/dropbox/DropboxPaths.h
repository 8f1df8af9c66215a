#pragma once

#include <QString>
#include <optional>

// Dropbox paths and the local files they stand for. A Dropbox path is read from the synced
// folder's root: "/", "a/b" and "/a//b/" are "/", "/a/b" and "/a/b". Nothing may leave the root:
// "." and ".." components, NUL characters, and links that lead out of the folder are refused.
namespace DropboxPaths
{

// The path in its one written form, or nothing when it is refused.
std::optional<QString> normalized(const QString& dropboxPath);

// The local file of a normalized path under `root` (an absolute, canonical folder), or nothing
// when the existing part of it resolves (through links) outside the root.
std::optional<QString> localPath(const QString& root, const QString& normalizedPath);

// "/a/b" and "c" give "/a/b/c"; "/" and "c" give "/c".
QString join(const QString& folder, const QString& name);
QString parent(const QString& normalizedPath);

// True for names a sync client gives to what is not live content: conflicted copies, its trash
// and version folders, partial transfers. Such entries are listed as deleted, and so is
// everything inside them.
bool isDeletedName(const QString& name);
bool isDeletedPath(const QString& normalizedPath);

} // namespace DropboxPaths
