#pragma once

#include "DBSession.h"
#include "DropboxPaths.h"
#include "PropertyList.h"
#include "QLMDropboxController.h"
#include "QLMDropboxPathConstants.h"
#include "ScratchUserDefaults.h"
#include "VirtualClock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <gtest/gtest.h>

// A synced folder linked through the shared session, on the virtual clock. Each controller made
// here stands for one computer sharing the folder; companion devices are files written into it.
class DropboxControllerFixture : public ::testing::Test
{
protected:
    DropboxControllerFixture()
    {
        root = QFileInfo(rootDir.path()).canonicalFilePath();
        session->linkFolder(root);
        DBSession::setSharedSession(session);
    }
    ~DropboxControllerFixture() override
    {
        QThreadPool::globalInstance()->waitForDone();
        DBSession::setSharedSession(nullptr);
    }

    std::unique_ptr<QLMDropboxController> computer(const QString& name, const QString& identifier)
    {
        return std::make_unique<QLMDropboxController>(
            QLMDropboxController::Identity { name, identifier, QStringLiteral("7") },
            [this](const QString& address) { pushes << address; });
    }
    // Runs every answer due now, and what those answers start.
    void run()
    {
        for (int pass = 0; pass < 30; ++pass) {
            clock.advance(0);
            QThreadPool::globalInstance()->waitForDone();
        }
    }
    void write(const QString& path, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(root + path).path());
        QFile file(root + path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    void writePlist(const QString& path, const QVariant& plist) const
    {
        write(path, PropertyList::dataWithPropertyList(plist, PropertyList::Format::Binary));
    }
    QByteArray read(const QString& path) const
    {
        QFile file(root + path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QVariant readPlist(const QString& path) const { return PropertyList::propertyListWithData(read(path)); }
    bool exists(const QString& path) const { return QFileInfo::exists(root + path); }
    // The names in a folder, sorted.
    QStringList names(const QString& folder) const
    {
        return QDir(root + folder)
            .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
    }
    static QString device(const QString& name) { return QStringLiteral("/Kitchora/Devices/") + name; }
    // A companion device's folder with its record.
    void writeDevice(
        const QString& name, const QString& udid, const QString& token = {}, bool groceries = true)
    {
        QVariantMap info { { QLMDropboxPathConstants::QLMDropboxDeviceUDIDKey, udid },
            { QLMDropboxPathConstants::QLMDropboxDeviceTypeKey, QStringLiteral("iPhone") },
            { QLMDropboxPathConstants::QLMDropboxDeviceNameKey, name },
            { QLMDropboxPathConstants::QLMDropboxDeviceGroceryListSupportKey, groceries } };
        if (!token.isEmpty())
            info.insert(QLMDropboxPathConstants::QLMDropboxDeviceAPNSDeviceTokenKey, token);
        writePlist(device(name) + "/DeviceInfo.plist", info);
    }
    QString udidIn(const QString& name) const
    {
        return readPlist(device(name) + "/DeviceInfo.plist").toMap().value("UDID").toString();
    }
    // Passes the gate and answers the folder found.
    QString gate(QLMDropboxController& controller)
    {
        QString found = QStringLiteral("<not run>");
        controller.determineCurrentDeviceDirectoryAndThenPerformBlock(
            [&] { found = controller.pathToCurrentDeviceDirectory(); });
        run();
        return found;
    }

    ScratchUserDefaults defaults;
    VirtualClock clock;
    QTemporaryDir rootDir;
    QString root;
    std::shared_ptr<DBSession> session
        = std::make_shared<DBSession>("controllerkey", "secret", kDBRootDropbox);
    QStringList pushes;
};
