#include "QLMDropboxRequest.h"

#include "DBRestClient.h"
#include "DBSession.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "QLMBlocks.h"
#include "QLMDropboxNotifications.h"
#include "UUID.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QLMDropboxRequest::QLMDropboxRequest()
    : m_client(std::make_unique<DBRestClient>(DBSession::sharedSession()))
{
    m_client->setDelegate(this);
}

QLMDropboxRequest::~QLMDropboxRequest()
{
    RunLoop::cancel(m_later);
}

void QLMDropboxRequest::postSuccess(const QVariantMap& userInfo)
{
    NotificationCenter::defaultCenter().postNotificationName(QLMDropboxSuccessNotification, this, userInfo);
}

void QLMDropboxRequest::postError(const QVariantMap& userInfo)
{
    NotificationCenter::defaultCenter().postNotificationName(QLMDropboxErrorNotification, this, userInfo);
}

void QLMDropboxRequest::later(std::function<void()> task)
{
    m_later = RunLoop::postToMain(std::move(task));
}

QString QLMDropboxRequest::temporaryPathFor(const QString& dropboxPath)
{
    const QString name = dropboxPath.section(u'/', -1);
    const QString folder = QDir::tempPath();
    if (folder.isEmpty()) // a temporary folder that does not exist; not the working directory
        return {};
    return QDir(folder).filePath(QStringLiteral("%1-%2").arg(name, UUID::mg_stringWithNewUUID()));
}

void QLMDropboxRequest::deleteTemporaryFile(const QString& path)
{
    QLMBlocks::performBlockInBackground(
        [path] {
            QFile file(path);
            if (!file.remove())
                Log::logf(
                    QStringLiteral("Error deleting temporary data at %1: %2"), path, file.errorString());
        },
        {});
}

QVariant QLMDropboxRequest::errorValue(const Error& error)
{
    return QVariant::fromValue(error);
}
