#include "QLMDropboxFolderQueryController.h"

#include "DBRestClient.h"
#include "QLMDropboxNotifications.h"

QLMDropboxFolderQueryController::QLMDropboxFolderQueryController(
    QLMDropboxListingBlock completionSuccess, QLMDropboxErrorBlock completionError)
    : m_completionSuccess(std::move(completionSuccess))
    , m_completionError(std::move(completionError))
{
}

QString QLMDropboxFolderQueryController::description() const
{
    return QStringLiteral("QLMDropboxFolderQueryController -- %1").arg(m_path);
}

void QLMDropboxFolderQueryController::listFolder(const QString& dropboxPath)
{
    m_path = dropboxPath;
    client().loadMetadata(dropboxPath);
}

void QLMDropboxFolderQueryController::restClientLoadedMetadata(DBRestClient&, const DBMetadata& metadata)
{
    if (metadata.isDeleted) {
        if (m_completionError)
            m_completionError(std::nullopt);
        postError({ { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
        return;
    }
    QList<DBMetadata> entries;
    for (const DBMetadata& entry : metadata.contents) {
        if (!entry.isDeleted)
            entries << entry;
    }
    if (m_completionSuccess)
        m_completionSuccess(entries);
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForData, QVariant::fromValue(entries) },
        { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}

void QLMDropboxFolderQueryController::restClientLoadMetadataFailedWithError(DBRestClient&, const Error& error)
{
    if (m_completionError)
        m_completionError(error);
    postError({ { QLMDropboxNotificationUserInfoKeyForPath, m_path },
        { QLMDropboxNotificationUserInfoKeyForError, errorValue(error) } });
}
