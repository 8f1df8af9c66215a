#include "QLMDropboxFolderMovingController.h"

#include "DBRestClient.h"
#include "Log.h"

QLMDropboxFolderMovingController::QLMDropboxFolderMovingController(
    QLMDropboxSuccessBlock completionSuccess, QLMDropboxErrorBlock completionError)
    : m_completionSuccess(std::move(completionSuccess))
    , m_completionError(std::move(completionError))
{
}

QString QLMDropboxFolderMovingController::description() const
{
    return QStringLiteral("QLMDropboxFolderMovingController -- %1").arg(m_sourcePath);
}

void QLMDropboxFolderMovingController::moveFolder(const QString& sourcePath, const QString& destinationPath)
{
    m_sourcePath = sourcePath;
    m_destinationPath = destinationPath;
    client().moveFrom(sourcePath, destinationPath);
}

void QLMDropboxFolderMovingController::succeeded()
{
    if (m_completionSuccess)
        m_completionSuccess();
    postSuccess();
}

void QLMDropboxFolderMovingController::restClientMovedPath(DBRestClient&, const QString&, const QString&)
{
    succeeded();
}

void QLMDropboxFolderMovingController::restClientMovePathFailedWithError(
    DBRestClient& client, const Error& error)
{
    Log::logf(QStringLiteral("Move failed: %1"), error.localizedDescription);
    client.copyFrom(m_sourcePath, m_destinationPath);
}

void QLMDropboxFolderMovingController::restClientCopiedPath(DBRestClient&, const QString&, const QString&)
{
    succeeded();
}

void QLMDropboxFolderMovingController::restClientCopyPathFailedWithError(DBRestClient&, const Error& error)
{
    if (m_completionError)
        m_completionError(error);
    Log::logf(QStringLiteral("Copy also failed: %1"), error.localizedDescription);
    postError();
}
