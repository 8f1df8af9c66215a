#pragma once

#include "DBMetadata.h"
#include "Error.h"

#include <QString>
#include <optional>

// The file operations of the synced folder, done at once on the calling thread; DBRestClient
// makes them asynchronous. Every Dropbox path is confined to the root (see DropboxPaths).
class DropboxFolder
{
public:
    explicit DropboxFolder(const QString& root);

    // The entry at `path`; a folder's contents list its entries by name.
    std::optional<DBMetadata> metadata(const QString& path, Error* error) const;
    // Makes the folder and its missing parents; an existing folder is fine.
    std::optional<DBMetadata> createFolder(const QString& path, Error* error);
    // Writes the local file's bytes at `path`, replacing a file there and making missing
    // parents. Readers never see half a file.
    bool upload(const QString& path, const QString& fromLocal, Error* error);
    // Writes the bytes of the file at `path` to the local file, replacing it.
    bool load(const QString& path, const QString& intoLocal, Error* error) const;
    // Removes a file, or a folder with everything in it. The root stays.
    bool remove(const QString& path, Error* error);
    // Fails when something is at `to`; makes the destination's missing parents.
    bool move(const QString& from, const QString& to, Error* error);
    // Copies a file or a folder with everything in it; a folder is merged into an existing one,
    // files there are replaced.
    bool copy(const QString& from, const QString& to, Error* error);

private:
    struct Resolved {
        QString path; // normalized Dropbox path
        QString local;
    };
    std::optional<Resolved> resolve(const QString& path, Error* error) const;
    std::optional<Resolved> resolveExisting(const QString& path, Error* error) const;
    bool makeParents(const Resolved& target, Error* error) const;
    bool copyTree(const QString& fromLocal, const QString& toLocal, const QString& to, Error* error) const;

    QString m_root;
};
