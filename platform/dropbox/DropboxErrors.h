#pragma once

#include "Error.h"

#include <QString>

// Error domain and codes of the synced-folder client. Every error's userInfo holds the Dropbox
// path it concerns under pathKey.
namespace DropboxErrors
{
inline const QString domain = QStringLiteral("KitchoraDropboxErrorDomain");

constexpr int Failed = 1; // the folder refused the change (permissions, full disk, an injected fault)
constexpr int InvalidPath = 2; // the path leaves the synced folder or names no file
constexpr int Conflict = 3; // something of the other kind, or already there, stands in the way
constexpr int NotFound = 4; // nothing at the path
constexpr int NotLinked = 5; // no synced folder is linked
constexpr int LocalFile = 6; // the local file of a transfer could not be read or written

inline const QString pathKey = QStringLiteral("path");

inline Error make(int code, const QString& message, const QString& path)
{
    Error error;
    error.domain = domain;
    error.code = code;
    error.localizedDescription = message;
    error.userInfo.insert(pathKey, path);
    return error;
}
} // namespace DropboxErrors
