// The device folder of this computer (the gate every reading passes), its DeviceInfo.plist, the
// records of the other devices, and leaving.

#include "QLMDropboxController.h"

#include "DBAuthHelperOSX.h"
#include "DBSession.h"
#include "DropboxErrors.h"
#include "DropboxPaths.h"
#include "Log.h"
#include "PropertyList.h"
#include "QLMDropboxPathConstants.h"

#include <QDateTime>
#include <QNetworkAccessManager>
#include <algorithm>
#include <limits>

using namespace QLMDropboxPathConstants;

namespace
{

// The number a folder name carries after the computer name, when it reads as one: white space
// first, then an optional sign and digits; text after the digits is ignored.
std::optional<qint64> numberAfter(const QString& name, const QString& computerName)
{
    if (!name.startsWith(computerName) || name == computerName)
        return std::nullopt;
    const QString rest = name.mid(computerName.size());
    qsizetype i = 0;
    while (i < rest.size() && rest.at(i).isSpace())
        ++i;
    qsizetype end = i;
    if (end < rest.size() && (rest.at(end) == u'-' || rest.at(end) == u'+'))
        ++end;
    const qsizetype digits = end;
    while (end < rest.size() && rest.at(end).isDigit() && rest.at(end).unicode() < 128)
        ++end;
    if (end == digits)
        return std::nullopt;
    bool ok = false;
    const qint64 number = rest.mid(i, end - i).toLongLong(&ok);
    if (!ok || number == 0)
        return std::nullopt;
    return number;
}

} // namespace

QLMDropboxController::QLMDropboxController(Identity identity, PushSender sendPush)
    : m_identity(std::move(identity))
    , m_sendPush(std::move(sendPush))
{
    m_deferDropboxBlocksSet.reserve(2);
}

QLMDropboxController::~QLMDropboxController()
{
    RunLoop::cancel(m_deviceInfoWriteTimer);
}

QString QLMDropboxController::devicesDirectory()
{
    return DropboxPaths::join(
        DropboxPaths::join(QStringLiteral("/"), QLMDropboxRootKitchoraFolder), QLMDropboxDevicesDirectory);
}

QString QLMDropboxController::safeFileName(const QString& name)
{
    QString safe = name;
    safe.replace(u'/', u'_');
    safe.replace(QChar(0), u'_');
    if (safe == QLatin1String(".") || safe == QLatin1String(".."))
        safe.replace(u'.', u'_');
    return safe;
}

QString QLMDropboxController::defaultDevicePath() const
{
    const QString name = safeFileName(m_identity.computerName);
    return DropboxPaths::join(devicesDirectory(), name.isEmpty() ? QStringLiteral("Computer") : name);
}

QString QLMDropboxController::deviceFolderNameGivenExistingFolderNames(
    const QString& computerName, const QStringList& existingNames)
{
    if (!existingNames.contains(computerName))
        return computerName;
    // The highest number in use, read from the names themselves: "Mac9" counts as 9 even though
    // its last word is no number.
    qint64 highest = 0;
    for (const QString& name : existingNames) {
        if (const std::optional<qint64> number = numberAfter(name, computerName))
            highest = std::max(highest, *number);
    }
    qint64 next = highest < std::numeric_limits<qint64>::max() ? highest + 1 : 1;
    QString candidate = QStringLiteral("%1 %2").arg(computerName, QString::number(next));
    while (existingNames.contains(candidate))
        candidate = QStringLiteral("%1 %2").arg(computerName, QString::number(++next));
    return candidate;
}

// --- gate ---

void QLMDropboxController::determineCurrentDeviceDirectoryAndThenPerformBlock(std::function<void()> block)
{
    if (!block)
        return;
    if (!m_currentDropboxPath.isEmpty()) {
        block();
        writeOutDeviceInfoPlist();
        return;
    }
    m_deferDropboxBlocksSet.push_back(std::move(block));
    if (m_dropboxDirectoryIsBeingDetermined)
        return;
    m_dropboxDirectoryIsBeingDetermined = true;
    checkDefaultFolder();
}

void QLMDropboxController::runDeferredBlocks()
{
    // A block may pass the gate again; it then finds the set already emptied.
    std::vector<std::function<void()>> blocks = std::exchange(m_deferDropboxBlocksSet, {});
    for (const auto& block : blocks)
        block();
}

void QLMDropboxController::searchFinishedWithPath(const QString& path)
{
    m_currentDropboxPath = path;
    m_dropboxDirectoryIsBeingDetermined = false;
    // The waiting blocks run once the record is written (and the folder made); when a write ran
    // less than a minute ago they need not wait for the next one.
    if (!m_deviceInfoWriteRecent) {
        writeOutDeviceInfoPlist();
        return;
    }
    runDeferredBlocks();
}

void QLMDropboxController::searchFailed()
{
    m_currentDropboxPath.clear();
    m_dropboxDirectoryIsBeingDetermined = false;
    runDeferredBlocks();
}

std::optional<QVariantMap> QLMDropboxController::parseDeviceInfo(
    const QByteArray& data, const QString& folder) const
{
    Error error;
    std::optional<QVariantMap> info = PropertyList::dictionaryWithData(data, &error);
    if (!info) {
        Log::logf(QStringLiteral("Error %1 processing plist %2 for %3"), error.localizedDescription,
            QString::fromLatin1(data.left(64).toHex()), folder);
    }
    return info;
}

static bool holdsIdentifier(const std::optional<QVariantMap>& info, const QString& identifier)
{
    if (!info)
        return false;
    const QVariant udid = info->value(QLMDropboxDeviceUDIDKey);
    return udid.typeId() == QMetaType::QString && !identifier.isEmpty() && udid.toString() == identifier;
}

void QLMDropboxController::checkDefaultFolder()
{
    const QString folder = defaultDevicePath();
    m_dropboxAgent.contentsOfFileAtDropboxPath(
        DropboxPaths::join(folder, QLMDropboxDevicePlistFilename),
        [this, folder](const QByteArray& data) {
            // A record that is not ours, or that cannot be read, may be another device's: the
            // folder is never taken over.
            if (holdsIdentifier(parseDeviceInfo(data, folder), m_identity.saltedIdentifier))
                searchFinishedWithPath(folder);
            else
                resolveConflictWhereDefaultNameIsAlreadyTaken();
        },
        [this](const std::optional<Error>& error) {
            if (error && error->code == DropboxErrors::NotFound) {
                checkIfOtherFolderHasOurUDIDAndRenameToDefault();
                return;
            }
            Log::logf(QStringLiteral("Error with deviceInfo.plist %1"),
                error ? error->localizedDescription : QStringLiteral("(unreadable)"));
            searchFailed();
        });
}

void QLMDropboxController::loadDeviceInfos(const QList<DBMetadata>& entries,
    std::function<void(const DBMetadata& ours)> found, std::function<void()> noneFound)
{
    QList<DBMetadata> folders;
    for (const DBMetadata& entry : entries) {
        if (entry.isDirectory && !entry.isDeleted)
            folders.append(entry);
    }
    if (folders.isEmpty()) {
        noneFound();
        return;
    }
    struct Answers {
        qsizetype remaining = 0;
        bool decided = false;
    };
    auto answers = std::make_shared<Answers>();
    answers->remaining = folders.size();
    auto answered = [answers, noneFound] {
        if (--answers->remaining == 0 && !answers->decided)
            noneFound();
    };
    for (const DBMetadata& entry : folders) {
        m_dropboxAgent.contentsOfFileAtDropboxPath(
            DropboxPaths::join(entry.path, QLMDropboxDevicePlistFilename),
            [this, entry, answers, found, answered](const QByteArray& data) {
                if (!answers->decided
                    && holdsIdentifier(parseDeviceInfo(data, entry.path), m_identity.saltedIdentifier)) {
                    answers->decided = true;
                    found(entry);
                }
                answered();
            },
            [answered](const std::optional<Error>&) { answered(); });
    }
}

void QLMDropboxController::resolveConflictWhereDefaultNameIsAlreadyTaken()
{
    m_dropboxAgent.contentsOfDirectoryAtDropboxPath(
        devicesDirectory(),
        [this](const QList<DBMetadata>& entries) {
            QStringList names;
            for (const DBMetadata& entry : entries)
                names.append(entry.filename());
            const QString computerName = safeFileName(m_identity.computerName);
            const QString newPath = DropboxPaths::join(
                devicesDirectory(), deviceFolderNameGivenExistingFolderNames(computerName, names));
            loadDeviceInfos(
                entries,
                [this, computerName, newPath](const DBMetadata& ours) {
                    if (numberAfter(ours.filename(), computerName)) {
                        searchFinishedWithPath(ours.path);
                        return;
                    }
                    m_dropboxAgent.renameDropboxFolderFromOldPath(
                        ours.path, newPath, [this, newPath] { searchFinishedWithPath(newPath); },
                        [this, newPath](const std::optional<Error>&) { searchFinishedWithPath(newPath); });
                },
                [this, newPath] { searchFinishedWithPath(newPath); });
        },
        [this](const std::optional<Error>&) { searchFailed(); });
}

void QLMDropboxController::checkIfOtherFolderHasOurUDIDAndRenameToDefault()
{
    const QString folder = defaultDevicePath();
    m_dropboxAgent.contentsOfDirectoryAtDropboxPath(
        devicesDirectory(),
        [this, folder](const QList<DBMetadata>& entries) {
            loadDeviceInfos(
                entries,
                [this, folder](const DBMetadata& ours) {
                    if (ours.path == folder) {
                        searchFinishedWithPath(folder);
                        return;
                    }
                    m_dropboxAgent.renameDropboxFolderFromOldPath(
                        ours.path, folder, [this, folder] { searchFinishedWithPath(folder); },
                        [this, folder](const std::optional<Error>& error) {
                            Log::logf(QStringLiteral("Error moving dropbox directories: %1"),
                                error ? error->localizedDescription : QString());
                            searchFinishedWithPath(folder);
                        });
                },
                [this, folder] { searchFinishedWithPath(folder); });
        },
        [this, folder](const std::optional<Error>&) { searchFinishedWithPath(folder); });
}

// --- DeviceInfo.plist ---

QVariantMap QLMDropboxController::deviceInfoPlistForCurrentDevice() const
{
    return {
        { QLMDropboxDeviceUDIDKey, m_identity.saltedIdentifier },
        { QLMDropboxDeviceTypeKey, QStringLiteral("Mac") },
        { QLMDropboxDeviceNameKey, m_identity.computerName },
        { QLMDropboxDeviceKitchoraVersionKey, m_identity.kitchoraVersion },
        { QLMDropboxDeviceGroceryListSupportKey, true },
        { QLMDropboxDeviceLastDropboxAccessDateKey, QDateTime::currentDateTimeUtc() },
    };
}

void QLMDropboxController::writeOutDeviceInfoPlist()
{
    if (m_deviceInfoWriteRecent)
        return;
    if (m_currentDropboxPath.isEmpty()) {
        Log::log(QStringLiteral("Trying to write out plist despite path being nil"));
        return;
    }
    m_deviceInfoWriteRecent = true;
    m_deviceInfoWriteTimer = RunLoop::postAfterDelay(kDeviceInfoWriteInterval, [this] {
        m_deviceInfoWriteTimer = 0;
        m_deviceInfoWriteRecent = false;
    });
    const QVariantMap info = deviceInfoPlistForCurrentDevice();
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(info, PropertyList::Format::Binary, &error);
    if (data.isEmpty()) {
        Log::logf(QStringLiteral("Error making device plist, %1: %2"), QVariant(info).toString(),
            error.localizedDescription);
        runDeferredBlocks();
        return;
    }
    m_dropboxAgent.uploadFile(
        data, DropboxPaths::join(m_currentDropboxPath, QLMDropboxDevicePlistFilename),
        [this] { runDeferredBlocks(); },
        [this](const std::optional<Error>& error) {
            m_currentDropboxPath.clear();
            m_dropboxDirectoryIsBeingDetermined = false;
            runDeferredBlocks();
            Log::logf(QStringLiteral("Error writing out plist: %1"),
                error ? error->localizedDescription : QString());
        });
}

// --- other devices ---

void QLMDropboxController::readArrayOfDevicePlists(
    std::function<void(const QList<QLMKitchoraDevice>&)> processDevices)
{
    if (!processDevices) {
        Log::log(QStringLiteral("processDevices block should not be nil"));
        return;
    }
    determineCurrentDeviceDirectoryAndThenPerformBlock([this, processDevices] {
        const QString own = pathToCurrentDeviceDirectory();
        // Without a folder of our own, or without a listing, the devices are not known: the
        // caller keeps what it has rather than being told there are none.
        if (own.isEmpty())
            return;
        m_dropboxAgent.contentsOfDirectoryAtDropboxPath(
            devicesDirectory(),
            [this, own, processDevices](const QList<DBMetadata>& entries) {
                QList<DBMetadata> folders;
                for (const DBMetadata& entry : entries) {
                    if (entry.isDirectory && !entry.isDeleted && entry.path != own)
                        folders.append(entry);
                }
                if (folders.isEmpty()) {
                    processDevices({});
                    return;
                }
                struct Reading {
                    qsizetype remaining = 0;
                    QList<QLMKitchoraDevice> devices;
                };
                auto reading = std::make_shared<Reading>();
                reading->remaining = folders.size();
                reading->devices.reserve(3);
                auto answered = [reading, processDevices] {
                    if (--reading->remaining == 0)
                        processDevices(reading->devices);
                };
                for (const DBMetadata& entry : folders) {
                    m_dropboxAgent.contentsOfFileAtDropboxPath(
                        DropboxPaths::join(entry.path, QLMDropboxDevicePlistFilename),
                        [this, entry, reading, answered](const QByteArray& data) {
                            if (const std::optional<QVariantMap> info = parseDeviceInfo(data, entry.path)) {
                                const QLMKitchoraDevice device
                                    = QLMKitchoraDevice::deviceFromDeviceInfoPlist(*info, entry.path);
                                // A copy of this computer's own folder is no other device.
                                if (device.deviceUDID() != m_identity.saltedIdentifier)
                                    reading->devices.append(device);
                            }
                            answered();
                        },
                        [answered](const std::optional<Error>&) { answered(); });
                }
            },
            [](const std::optional<Error>& error) {
                Log::logf(QStringLiteral("Couldn't list the devices: %1"),
                    error ? error->localizedDescription : QStringLiteral("folder deleted"));
            });
    });
}

// --- linking and leaving ---

bool QLMDropboxController::isLinked() const
{
    const std::shared_ptr<DBSession> session = DBSession::sharedSession();
    return session && session->isLinked();
}

void QLMDropboxController::authenticate()
{
    if (m_chooseFolder)
        DBAuthHelperOSX(m_chooseFolder).authenticate();
}

void QLMDropboxController::deleteOwnFolderAndUnlink(std::function<void()> completion)
{
    const QString own = pathToCurrentDeviceDirectory();
    if (own.isEmpty()) {
        DBAuthHelperOSX::unlinkAll();
        if (completion)
            RunLoop::postToMain(completion);
        return;
    }
    m_dropboxAgent.deleteDropboxPath(
        own,
        [completion] {
            DBAuthHelperOSX::unlinkAll();
            if (completion)
                completion();
        },
        [completion](const std::optional<Error>& error) {
            const std::shared_ptr<DBSession> session = DBSession::sharedSession();
            Log::logf(QStringLiteral("Couldn't delete own folder: %1 sharedSession: %2"),
                error ? error->localizedDescription : QString(),
                session ? session->linkedFolder() : QStringLiteral("(none)"));
            DBAuthHelperOSX::unlinkAll();
            if (completion)
                completion();
        });
}
