#pragma once

#include <QString>

// The calls of DBRestClient, as the fault and hold rules of DBFaults name them.
enum class DBOperation {
    Any,
    LoadMetadata,
    CreateFolder,
    UploadFile,
    LoadFile,
    DeletePath,
    MovePath,
    CopyPath
};

// One call of a client, as it waits to be performed.
struct DBRequest {
    DBOperation kind = DBOperation::Any;
    QString path; // the Dropbox path (an upload's whole file path; a move's or copy's source)
    QString destination; // a move's or copy's destination
    QString localPath; // an upload's source file, a load's destination file
};
