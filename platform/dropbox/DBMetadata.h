#pragma once

#include <QString>
#include <vector>

// What the client tells of one entry of the synced folder. A deleted entry is one the folder
// still shows but that is not live content: a sync client's conflicted copy, trash or partial
// transfer.
struct DBMetadata {
    QString path; // the Dropbox path, from "/"
    bool isDirectory = false;
    bool isDeleted = false;
    std::vector<DBMetadata> contents; // a folder's entries (deleted ones included), by name

    // The last component of the path ("/" for the root).
    QString filename() const;
};
