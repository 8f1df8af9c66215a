#pragma once

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class CollectionsController;
class DBSession;
class DropboxService;
class QLMDropboxController;

// Device sharing as the program wires it: a session on the synced folder the user chose (kept in
// the user defaults from run to run), this computer as the other devices know it, the folder
// chooser of signing in, and the devices folder's spinner in the source list while files arrive.
// Made once before the application controller, which reaches it through service().
class DeviceSharing
{
public:
    using FolderChooser = std::function<QString()>;

    // The chooser of signing in: a folder dialog.
    static QString chooseSyncedFolder();

    explicit DeviceSharing(FolderChooser chooseFolder = chooseSyncedFolder);
    // Leaves the shared session when it is still the one made here.
    ~DeviceSharing();
    DeviceSharing(const DeviceSharing&) = delete;
    DeviceSharing& operator=(const DeviceSharing&) = delete;

    DropboxService& service();
    QLMDropboxController& controller() { return *m_controller; }

    // Files fetched from the devices' folders count on the source list's devices folder while
    // it lives.
    void showFetchesOn(CollectionsController& sourceList);

private:
    std::shared_ptr<DBSession> m_session;
    std::unique_ptr<QLMDropboxController> m_controller;
    QPointer<CollectionsController> m_sourceList;
};
