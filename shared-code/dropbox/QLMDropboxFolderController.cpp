#include "QLMDropboxFolderController.h"

#include "DBRestClient.h"
#include "Log.h"
#include "QLMDropboxNotifications.h"

QString QLMDropboxFolderController::description() const
{
    return QStringLiteral("QLMDropboxFolderController -- %1, %2").arg(m_path, m_pathString);
}

void QLMDropboxFolderController::makePathIfNecessary(const QString& dropboxPath)
{
    m_path = dropboxPath;
    if (dropboxPath.isEmpty()) {
        later([this] { postError(); });
        return;
    }
    // The root, then the folder names below it.
    m_components = QStringList { QStringLiteral("/") } + dropboxPath.split(u'/', Qt::SkipEmptyParts);
    m_indexOfPathComponent = 0;
    m_pathString = m_components.first();
    client().loadMetadata(m_pathString);
}

bool QLMDropboxFolderController::atLastComponent() const
{
    return m_indexOfPathComponent + 1 >= quint64(m_components.size());
}

void QLMDropboxFolderController::appendNextComponent()
{
    ++m_indexOfPathComponent;
    const QString& component = m_components.at(qsizetype(m_indexOfPathComponent));
    m_pathString = m_pathString.endsWith(u'/') ? m_pathString + component : m_pathString + u'/' + component;
}

void QLMDropboxFolderController::succeed()
{
    const QString path = m_path;
    m_path.clear();
    m_pathString.clear();
    postSuccess({ { QLMDropboxNotificationUserInfoKeyForPath, path } });
}

void QLMDropboxFolderController::restClientLoadedMetadata(DBRestClient& client, const DBMetadata& metadata)
{
    if (metadata.isDeleted)
        return client.createFolder(m_pathString);
    if (!metadata.isDirectory) {
        // A caller's mistake: a folder cannot be made where a file is.
        Log::log(QStringLiteral("Don't use folder creator to make files"));
        return postError({ { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
    }
    if (atLastComponent())
        return succeed();
    appendNextComponent();
    client.loadMetadata(m_pathString);
}

void QLMDropboxFolderController::restClientLoadMetadataFailedWithError(DBRestClient& client, const Error&)
{
    client.createFolder(m_pathString);
}

void QLMDropboxFolderController::restClientCreatedFolder(DBRestClient& client, const DBMetadata&)
{
    if (atLastComponent())
        return succeed();
    appendNextComponent();
    client.createFolder(m_pathString);
}

void QLMDropboxFolderController::restClientCreateFolderFailedWithError(DBRestClient&, const Error& error)
{
    postError({ { QLMDropboxNotificationUserInfoKeyForError, errorValue(error) },
        { QLMDropboxNotificationUserInfoKeyForPath, m_path } });
}
