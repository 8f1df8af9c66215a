#include "QLMDropboxDeleteController.h"

#include "DBRestClient.h"
#include "QLMDropboxNotifications.h"

QLMDropboxDeleteController::QLMDropboxDeleteController(
    QLMDropboxSuccessBlock completionSuccess, QLMDropboxErrorBlock completionError)
    : m_completionSuccess(std::move(completionSuccess))
    , m_completionError(std::move(completionError))
{
}

QString QLMDropboxDeleteController::description() const
{
    return QStringLiteral("QLMDropboxDeleteController -- %1").arg(m_path);
}

void QLMDropboxDeleteController::deletePath(const QString& dropboxPath)
{
    m_path = dropboxPath;
    if (dropboxPath.isEmpty()) {
        later([this] {
            if (m_completionError)
                m_completionError(std::nullopt);
            postError();
        });
        return;
    }
    client().deletePath(dropboxPath);
}

void QLMDropboxDeleteController::restClientDeletedPath(DBRestClient&, const QString&)
{
    if (m_completionSuccess)
        m_completionSuccess();
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}

void QLMDropboxDeleteController::restClientDeletePathFailedWithError(DBRestClient&, const Error& error)
{
    if (m_completionError)
        m_completionError(error);
    postError({ { QLMDropboxNotificationUserInfoKeyForPath, m_path },
        { QLMDropboxNotificationUserInfoKeyForError, errorValue(error) } });
}
