#include "DBAuthHelperOSX.h"

#include "DBSession.h"
#include "NotificationCenter.h"

DBAuthHelperOSX::DBAuthHelperOSX(FolderChooser chooseFolder)
    : m_chooseFolder(std::move(chooseFolder))
{
}

bool DBAuthHelperOSX::authenticate()
{
    const std::shared_ptr<DBSession> session = DBSession::sharedSession();
    if (!session || !m_chooseFolder)
        return false;
    const QString folder = m_chooseFolder();
    if (folder.isEmpty() || !session->linkFolder(folder))
        return false;
    NotificationCenter::defaultCenter().postNotificationName(
        DBAuthHelperOSXStateChangedNotification, nullptr);
    return true;
}

void DBAuthHelperOSX::unlinkAll()
{
    if (const std::shared_ptr<DBSession> session = DBSession::sharedSession())
        session->unlinkAll();
    NotificationCenter::defaultCenter().postNotificationName(
        DBAuthHelperOSXStateChangedNotification, nullptr);
}
