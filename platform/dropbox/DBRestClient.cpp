#include "DBRestClient.h"

#include "DBRestClientDelegate.h"
#include "DBSession.h"
#include "DropboxErrors.h"
#include "DropboxFolder.h"
#include "DropboxPaths.h"

namespace
{

// A file name must name one entry of the folder it goes into.
bool isPlainName(const QString& name)
{
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(0)) && name != QStringLiteral(".")
        && name != QStringLiteral("..");
}

void reportFailure(DBRestClient& client, DBRestClientDelegate* delegate, DBOperation kind, const Error& error)
{
    if (!delegate)
        return;
    switch (kind) {
    case DBOperation::LoadMetadata:
        delegate->restClientLoadMetadataFailedWithError(client, error);
        break;
    case DBOperation::CreateFolder:
        delegate->restClientCreateFolderFailedWithError(client, error);
        break;
    case DBOperation::UploadFile:
        delegate->restClientUploadFileFailedWithError(client, error);
        break;
    case DBOperation::LoadFile:
        delegate->restClientLoadFileFailedWithError(client, error);
        break;
    case DBOperation::DeletePath:
        delegate->restClientDeletePathFailedWithError(client, error);
        break;
    case DBOperation::MovePath:
        delegate->restClientMovePathFailedWithError(client, error);
        break;
    case DBOperation::CopyPath:
        delegate->restClientCopyPathFailedWithError(client, error);
        break;
    case DBOperation::Any:
        break;
    }
}

} // namespace

DBRestClient::DBRestClient(std::shared_ptr<DBSession> session)
    : m_session(std::move(session))
{
}

DBRestClient::~DBRestClient()
{
    for (const auto& [id, token] : m_scheduled)
        RunLoop::cancel(token);
    if (m_session)
        m_session->faults().forget(this);
}

void DBRestClient::loadMetadata(const QString& path)
{
    submit(DBRequest { DBOperation::LoadMetadata, path, {}, {} });
}

void DBRestClient::createFolder(const QString& path)
{
    submit(DBRequest { DBOperation::CreateFolder, path, {}, {} });
}

void DBRestClient::uploadFile(const QString& filename, const QString& toPath, const QString& fromPath)
{
    // A name that is not one plain entry gives a path that the folder refuses.
    const QString path = isPlainName(filename) ? DropboxPaths::join(toPath, filename) : QStringLiteral("/..");
    submit(DBRequest { DBOperation::UploadFile, path, {}, fromPath });
}

void DBRestClient::loadFile(const QString& path, const QString& intoPath)
{
    submit(DBRequest { DBOperation::LoadFile, path, {}, intoPath });
}

void DBRestClient::deletePath(const QString& path)
{
    submit(DBRequest { DBOperation::DeletePath, path, {}, {} });
}

void DBRestClient::moveFrom(const QString& fromPath, const QString& toPath)
{
    submit(DBRequest { DBOperation::MovePath, fromPath, toPath, {} });
}

void DBRestClient::copyFrom(const QString& fromPath, const QString& toPath)
{
    submit(DBRequest { DBOperation::CopyPath, fromPath, toPath, {} });
}

void DBRestClient::submit(const DBRequest& request)
{
    if (m_session && m_session->faults().holdIfMatching(this, request))
        return;
    schedule(request);
}

void DBRestClient::schedule(const DBRequest& request)
{
    const quint64 id = ++m_lastId;
    m_scheduled[id] = RunLoop::postToMain([this, id, request] {
        m_scheduled.erase(id);
        perform(request);
    });
}

// The delegate may delete the client while it is told the outcome: nothing here touches the
// client after that.
void DBRestClient::perform(const DBRequest& request)
{
    DBRestClientDelegate* delegate = m_delegate;
    if (!m_session || !m_session->isLinked())
        return reportFailure(*this, delegate, request.kind,
            DropboxErrors::make(
                DropboxErrors::NotLinked, QStringLiteral("No synced folder is linked."), request.path));
    if (const std::optional<Error> injected = m_session->faults().takeFailure(request))
        return reportFailure(*this, delegate, request.kind, *injected);

    DropboxFolder folder(m_session->linkedFolder());
    Error error;
    bool done = false;
    std::optional<DBMetadata> metadata;
    switch (request.kind) {
    case DBOperation::LoadMetadata:
        metadata = folder.metadata(request.path, &error);
        done = metadata.has_value();
        break;
    case DBOperation::CreateFolder:
        metadata = folder.createFolder(request.path, &error);
        done = metadata.has_value();
        break;
    case DBOperation::UploadFile:
        done = folder.upload(request.path, request.localPath, &error);
        break;
    case DBOperation::LoadFile:
        done = folder.load(request.path, request.localPath, &error);
        break;
    case DBOperation::DeletePath:
        done = folder.remove(request.path, &error);
        break;
    case DBOperation::MovePath:
        done = folder.move(request.path, request.destination, &error);
        break;
    case DBOperation::CopyPath:
        done = folder.copy(request.path, request.destination, &error);
        break;
    case DBOperation::Any:
        break;
    }
    if (!done)
        return reportFailure(*this, delegate, request.kind, error);
    if (!delegate)
        return;
    const QString path = DropboxPaths::normalized(request.path).value_or(request.path);
    const QString destination = DropboxPaths::normalized(request.destination).value_or(request.destination);
    switch (request.kind) {
    case DBOperation::LoadMetadata:
        delegate->restClientLoadedMetadata(*this, *metadata);
        break;
    case DBOperation::CreateFolder:
        delegate->restClientCreatedFolder(*this, *metadata);
        break;
    case DBOperation::UploadFile:
        delegate->restClientUploadedFile(*this, path, request.localPath);
        break;
    case DBOperation::LoadFile:
        delegate->restClientLoadedFile(*this, request.localPath);
        break;
    case DBOperation::DeletePath:
        delegate->restClientDeletedPath(*this, path);
        break;
    case DBOperation::MovePath:
        delegate->restClientMovedPath(*this, path, destination);
        break;
    case DBOperation::CopyPath:
        delegate->restClientCopiedPath(*this, path, destination);
        break;
    case DBOperation::Any:
        break;
    }
}
