#include "QLMDropboxFileTransferController.h"

#include "DBRestClient.h"
#include "QLMDropboxNotifications.h"

QLMDropboxFileTransferController::QLMDropboxFileTransferController(
    QLMDropboxSuccessBlock completionSuccess, QLMDropboxErrorBlock completionError)
    : m_completionSuccess(std::move(completionSuccess))
    , m_completionError(std::move(completionError))
{
}

QString QLMDropboxFileTransferController::description() const
{
    return QStringLiteral("QLMDropboxFileTransferController -- %1").arg(m_localPath);
}

void QLMDropboxFileTransferController::download(const QString& dropboxPath, const QString& localPath)
{
    m_dropboxPath = dropboxPath;
    m_localPath = localPath;
    client().loadFile(dropboxPath, localPath);
}

void QLMDropboxFileTransferController::upload(const QString& localPath, const QString& dropboxFilePath)
{
    m_dropboxPath = dropboxFilePath;
    m_localPath = localPath;
    const QString parent = dropboxFilePath.section(u'/', 0, -2);
    client().uploadFile(
        dropboxFilePath.section(u'/', -1), parent.isEmpty() ? QStringLiteral("/") : parent, localPath);
}

void QLMDropboxFileTransferController::restClientLoadedFile(DBRestClient&, const QString&)
{
    if (m_completionSuccess)
        m_completionSuccess();
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForPath, m_localPath } });
}

void QLMDropboxFileTransferController::restClientUploadedFile(DBRestClient&, const QString&, const QString&)
{
    if (m_completionSuccess)
        m_completionSuccess();
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForPath, m_dropboxPath } });
}

void QLMDropboxFileTransferController::restClientLoadFileFailedWithError(DBRestClient&, const Error& error)
{
    failed(error);
}

void QLMDropboxFileTransferController::restClientUploadFileFailedWithError(DBRestClient&, const Error& error)
{
    failed(error);
}

void QLMDropboxFileTransferController::failed(const Error& error)
{
    if (m_completionError)
        m_completionError(error);
    postError({ { QLMDropboxNotificationUserInfoKeyForError, errorValue(error) } });
}
