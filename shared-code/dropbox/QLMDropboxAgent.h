#pragma once

#include "NotificationCenter.h"
#include "QLMDropboxNotifications.h"
#include "QLMDropboxRequest.h"
#include "RunLoop.h"

#include <QList>
#include <map>
#include <memory>
#include <vector>

class QLMDropboxDeleteController;
class QLMDropboxFileController;
class QLMDropboxFileTransferController;
class QLMDropboxFolderController;

// The transport of device sharing: every operation on the user's Dropbox becomes one request
// object that reports through its blocks and one notification (QLMDropboxNotifications.h). Each
// call returns at once; outcomes arrive later on the main thread. The agent keeps a request until
// its notification has been posted. Main thread only.
class QLMDropboxAgent
{
public:
    QLMDropboxAgent();
    ~QLMDropboxAgent(); // running requests are dropped unanswered
    QLMDropboxAgent(const QLMDropboxAgent&) = delete;
    QLMDropboxAgent& operator=(const QLMDropboxAgent&) = delete;

    // Uploads `data` as the file at `dropboxPath`, replacing it and making missing folders.
    void uploadFile(const QByteArray& data, const QString& dropboxPath,
        QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError);
    QLMDropboxFileController* uploadFile(const QByteArray& data, const QString& dropboxPath);
    void contentsOfFileAtDropboxPath(const QString& dropboxPath, QLMDropboxDataBlock completionOnSuccess,
        QLMDropboxErrorBlock completionOnError);
    // The folder's entries that are not marked deleted; a folder marked deleted fails without an
    // error.
    void contentsOfDirectoryAtDropboxPath(const QString& dropboxPath,
        QLMDropboxListingBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError);
    void downloadFileFromDropboxPath(const QString& dropboxPath, const QString& localPath,
        QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError);
    void uploadFileFromLocalPath(const QString& localPath, const QString& dropboxFilePath,
        QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError);
    QLMDropboxFileTransferController* uploadFileFromLocalPath(
        const QString& localPath, const QString& dropboxFilePath);
    // An empty path fails without an error.
    void deleteDropboxPath(const QString& dropboxPath, QLMDropboxSuccessBlock completionOnSuccess,
        QLMDropboxErrorBlock completionOnError);
    QLMDropboxDeleteController* deleteDropboxPath(const QString& dropboxPath);
    // Moves the folder; when that fails, copies it, and fails only when the copy fails too.
    void renameDropboxFolderFromOldPath(const QString& oldPath, const QString& newPath,
        QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError);
    // Reports by notification only.
    QLMDropboxFolderController* makeDropboxPathIfNecessary(const QString& dropboxPath);

    // The requests still running.
    QList<const QLMDropboxRequest*> helperObjects() const;

private:
    template <typename Request> Request* adopt(std::unique_ptr<Request> request)
    {
        Request* raw = request.get();
        m_helperObjects.push_back(std::move(request));
        uponNotificationReleaseObject(raw);
        return raw;
    }
    void uponNotificationReleaseObject(const QLMDropboxRequest* request);
    void release(const QLMDropboxRequest* request);

    std::vector<std::unique_ptr<QLMDropboxRequest>> m_helperObjects;
    // The two observations of each request, until they are removed half a second after the first
    // notification.
    std::map<const QLMDropboxRequest*, std::pair<NotificationCenter::Token, NotificationCenter::Token>>
        m_observers;
    std::map<RunLoop::Token, std::pair<NotificationCenter::Token, NotificationCenter::Token>>
        m_pendingRemovals;
};
