#include "DBSession.h"

#include "UserDefaults.h"

#include <QFileInfo>

namespace
{
std::shared_ptr<DBSession>& shared()
{
    static std::shared_ptr<DBSession> session;
    return session;
}
} // namespace

DBSession::DBSession(const QString& appKey, const QString& appSecret, const QString& root)
    : m_appKey(appKey)
{
    // No account server to show the secret to; the root is always the whole folder.
    Q_UNUSED(appSecret);
    Q_UNUSED(root);
    // A folder missing now (an unmounted disk) stays linked; requests fail until it is back.
    m_folder = UserDefaults::standardUserDefaults().stringForKey(defaultsKey());
}

std::shared_ptr<DBSession> DBSession::sharedSession()
{
    return shared();
}

void DBSession::setSharedSession(std::shared_ptr<DBSession> session)
{
    shared() = std::move(session);
}

bool DBSession::isLinked() const
{
    return !m_folder.isEmpty();
}

bool DBSession::linkFolder(const QString& folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
    m_folder = info.canonicalFilePath();
    UserDefaults::standardUserDefaults().setObject(m_folder, defaultsKey());
    return true;
}

void DBSession::unlinkAll()
{
    m_folder.clear();
    UserDefaults::standardUserDefaults().removeObjectForKey(defaultsKey());
}

QString DBSession::linkedFolder() const
{
    return m_folder;
}

QString DBSession::defaultsKey() const
{
    return QStringLiteral("DBSyncedFolder %1").arg(m_appKey);
}
