#pragma once

#include "DBMetadata.h"
#include "Error.h"

#include <QString>

class DBRestClient;

// Told the outcome of each call of a DBRestClient, once per call, on the main thread, never from
// inside the call. What the delegate does not take is ignored. The delegate may delete the
// client from inside these.
class DBRestClientDelegate
{
public:
    virtual ~DBRestClientDelegate() = default;

    virtual void restClientLoadedMetadata(DBRestClient&, const DBMetadata&) { }
    virtual void restClientLoadMetadataFailedWithError(DBRestClient&, const Error&) { }
    virtual void restClientCreatedFolder(DBRestClient&, const DBMetadata&) { }
    virtual void restClientCreateFolderFailedWithError(DBRestClient&, const Error&) { }
    virtual void restClientUploadedFile(
        DBRestClient&, const QString& /*destPath*/, const QString& /*srcPath*/)
    {
    }
    virtual void restClientUploadFileFailedWithError(DBRestClient&, const Error&) { }
    virtual void restClientLoadedFile(DBRestClient&, const QString& /*destPath*/) { }
    virtual void restClientLoadFileFailedWithError(DBRestClient&, const Error&) { }
    virtual void restClientDeletedPath(DBRestClient&, const QString& /*path*/) { }
    virtual void restClientDeletePathFailedWithError(DBRestClient&, const Error&) { }
    virtual void restClientMovedPath(DBRestClient&, const QString& /*from*/, const QString& /*to*/) { }
    virtual void restClientMovePathFailedWithError(DBRestClient&, const Error&) { }
    virtual void restClientCopiedPath(DBRestClient&, const QString& /*from*/, const QString& /*to*/) { }
    virtual void restClientCopyPathFailedWithError(DBRestClient&, const Error&) { }
};
