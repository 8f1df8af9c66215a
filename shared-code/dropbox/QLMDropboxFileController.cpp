#include "QLMDropboxFileController.h"

#include "DBRestClient.h"
#include "Log.h"
#include "QLMDropboxNotifications.h"

#include <QFile>
#include <QSaveFile>

QLMDropboxFileController::QLMDropboxFileController(QLMDropboxSuccessBlock completionSuccess,
    QLMDropboxDataBlock completionSuccessWithData, QLMDropboxErrorBlock completionError)
    : m_completionSuccess(std::move(completionSuccess))
    , m_completionSuccessWithData(std::move(completionSuccessWithData))
    , m_completionError(std::move(completionError))
{
}

QString QLMDropboxFileController::description() const
{
    return QStringLiteral("QLMDropboxFileController -- path: %1 source path: %2, destination path: %3")
        .arg(m_path, m_sourcePath, m_destPath);
}

void QLMDropboxFileController::uploadData(const QByteArray& data, const QString& dropboxPath)
{
    m_path = dropboxPath;
    m_sourcePath = temporaryPathFor(dropboxPath);
    QSaveFile file(m_sourcePath);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
        Log::logf(QStringLiteral("Can't save file at %1"), m_sourcePath);
        later([this] { failWithoutError(); });
        return;
    }
    const QString name = dropboxPath.section(u'/', -1);
    const QString parent = dropboxPath.section(u'/', 0, -2);
    client().uploadFile(name, parent.isEmpty() ? QStringLiteral("/") : parent, m_sourcePath);
}

void QLMDropboxFileController::loadData(const QString& dropboxPath)
{
    m_path = dropboxPath;
    m_destPath = temporaryPathFor(dropboxPath);
    client().loadFile(dropboxPath, m_destPath);
}

void QLMDropboxFileController::failWithoutError()
{
    if (m_completionError)
        m_completionError(std::nullopt);
    postError();
}

void QLMDropboxFileController::restClientUploadedFile(DBRestClient&, const QString&, const QString&)
{
    deleteTemporaryFile(m_sourcePath);
    if (m_completionSuccess)
        m_completionSuccess();
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}

void QLMDropboxFileController::restClientUploadFileFailedWithError(DBRestClient&, const Error& error)
{
    deleteTemporaryFile(m_sourcePath);
    if (m_completionError)
        m_completionError(error);
    postError({ { QLMDropboxNotificationUserInfoKeyForError, errorValue(error) },
        { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}

void QLMDropboxFileController::restClientLoadedFile(DBRestClient&, const QString&)
{
    QFile file(m_destPath);
    if (!file.open(QIODevice::ReadOnly)) {
        Log::logf(QStringLiteral("No file at destination path %1"), m_destPath);
        return failWithoutError();
    }
    const QByteArray data = file.readAll();
    file.close();
    deleteTemporaryFile(m_destPath);
    if (m_completionSuccessWithData)
        m_completionSuccessWithData(data);
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForData, data },
        { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}

void QLMDropboxFileController::restClientLoadFileFailedWithError(DBRestClient&, const Error& error)
{
    if (m_completionError)
        m_completionError(error);
    postError({ { QLMDropboxNotificationUserInfoKeyForError, errorValue(error) },
        { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}
