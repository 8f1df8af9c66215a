#include "DeviceSharing.h"

#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "DBSession.h"
#include "KitchoraController.h"
#include "QLMDropboxController.h"
#include "UIDevice.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <algorithm>

QString DeviceSharing::chooseSyncedFolder()
{
    return QFileDialog::getExistingDirectory(
        nullptr, QCoreApplication::translate("DBAuthHelperOSX", "Choose the folder your sync client keeps"));
}

DeviceSharing::DeviceSharing(FolderChooser chooseFolder)
    : m_session(std::make_shared<DBSession>(QStringLiteral("kitchora"), QString(), kDBRootDropbox))
{
    DBSession::setSharedSession(m_session);
    m_controller = std::make_unique<QLMDropboxController>(
        QLMDropboxController::Identity { UIDevice::currentDevice().name(),
            UIDevice::currentDevice().saltedUniqueIdentifier(), KitchoraController::buildVersion() });
    m_controller->setFolderChooser(std::move(chooseFolder));
}

DeviceSharing::~DeviceSharing()
{
    m_controller.reset();
    if (DBSession::sharedSession() == m_session)
        DBSession::setSharedSession(nullptr);
}

DropboxService& DeviceSharing::service()
{
    return *m_controller;
}

void DeviceSharing::showFetchesOn(CollectionsController& sourceList)
{
    m_sourceList = &sourceList;
    m_controller->setFetchCountObserver([this](int change) {
        if (!m_sourceList)
            return;
        const int count = std::max(0, int(m_sourceList->dropboxProgressIndicatorCounter()) + change);
        m_sourceList->setDropboxProgressIndicatorCounter(unsigned(count));
    });
}
