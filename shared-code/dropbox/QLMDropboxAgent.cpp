#include "QLMDropboxAgent.h"

#include "QLMBlocks.h"
#include "QLMDropboxDeleteController.h"
#include "QLMDropboxFileController.h"
#include "QLMDropboxFileTransferController.h"
#include "QLMDropboxFolderController.h"
#include "QLMDropboxFolderMovingController.h"
#include "QLMDropboxFolderQueryController.h"

QLMDropboxAgent::QLMDropboxAgent()
{
    m_helperObjects.reserve(5);
}

QLMDropboxAgent::~QLMDropboxAgent()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    for (const auto& [request, tokens] : m_observers) {
        center.removeObserver(tokens.first);
        center.removeObserver(tokens.second);
    }
    for (const auto& [task, tokens] : m_pendingRemovals) {
        RunLoop::cancel(task);
        center.removeObserver(tokens.first);
        center.removeObserver(tokens.second);
    }
}

void QLMDropboxAgent::uploadFile(const QByteArray& data, const QString& dropboxPath,
    QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxFileController>(
        std::move(completionOnSuccess), QLMDropboxDataBlock(), std::move(completionOnError));
    request->uploadData(data, dropboxPath);
    adopt(std::move(request));
}

QLMDropboxFileController* QLMDropboxAgent::uploadFile(const QByteArray& data, const QString& dropboxPath)
{
    auto request = std::make_unique<QLMDropboxFileController>(
        QLMDropboxSuccessBlock(), QLMDropboxDataBlock(), QLMDropboxErrorBlock());
    request->uploadData(data, dropboxPath);
    return adopt(std::move(request));
}

void QLMDropboxAgent::contentsOfFileAtDropboxPath(const QString& dropboxPath,
    QLMDropboxDataBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxFileController>(
        QLMDropboxSuccessBlock(), std::move(completionOnSuccess), std::move(completionOnError));
    request->loadData(dropboxPath);
    adopt(std::move(request));
}

void QLMDropboxAgent::contentsOfDirectoryAtDropboxPath(const QString& dropboxPath,
    QLMDropboxListingBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxFolderQueryController>(
        std::move(completionOnSuccess), std::move(completionOnError));
    request->listFolder(dropboxPath);
    adopt(std::move(request));
}

void QLMDropboxAgent::downloadFileFromDropboxPath(const QString& dropboxPath, const QString& localPath,
    QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxFileTransferController>(
        std::move(completionOnSuccess), std::move(completionOnError));
    request->download(dropboxPath, localPath);
    adopt(std::move(request));
}

void QLMDropboxAgent::uploadFileFromLocalPath(const QString& localPath, const QString& dropboxFilePath,
    QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxFileTransferController>(
        std::move(completionOnSuccess), std::move(completionOnError));
    request->upload(localPath, dropboxFilePath);
    adopt(std::move(request));
}

QLMDropboxFileTransferController* QLMDropboxAgent::uploadFileFromLocalPath(
    const QString& localPath, const QString& dropboxFilePath)
{
    auto request = std::make_unique<QLMDropboxFileTransferController>(
        QLMDropboxSuccessBlock(), QLMDropboxErrorBlock());
    request->upload(localPath, dropboxFilePath);
    return adopt(std::move(request));
}

void QLMDropboxAgent::deleteDropboxPath(const QString& dropboxPath,
    QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxDeleteController>(
        std::move(completionOnSuccess), std::move(completionOnError));
    request->deletePath(dropboxPath);
    adopt(std::move(request));
}

QLMDropboxDeleteController* QLMDropboxAgent::deleteDropboxPath(const QString& dropboxPath)
{
    auto request
        = std::make_unique<QLMDropboxDeleteController>(QLMDropboxSuccessBlock(), QLMDropboxErrorBlock());
    request->deletePath(dropboxPath);
    return adopt(std::move(request));
}

void QLMDropboxAgent::renameDropboxFolderFromOldPath(const QString& oldPath, const QString& newPath,
    QLMDropboxSuccessBlock completionOnSuccess, QLMDropboxErrorBlock completionOnError)
{
    auto request = std::make_unique<QLMDropboxFolderMovingController>(
        std::move(completionOnSuccess), std::move(completionOnError));
    request->moveFolder(oldPath, newPath);
    adopt(std::move(request));
}

QLMDropboxFolderController* QLMDropboxAgent::makeDropboxPathIfNecessary(const QString& dropboxPath)
{
    auto request = std::make_unique<QLMDropboxFolderController>();
    request->makePathIfNecessary(dropboxPath);
    return adopt(std::move(request));
}

QList<const QLMDropboxRequest*> QLMDropboxAgent::helperObjects() const
{
    QList<const QLMDropboxRequest*> requests;
    for (const auto& request : m_helperObjects)
        requests << request.get();
    return requests;
}

void QLMDropboxAgent::uponNotificationReleaseObject(const QLMDropboxRequest* request)
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    const auto handler = [this, request](const Notification&) { release(request); };
    const NotificationCenter::Token success
        = center.addObserver(QLMDropboxSuccessNotification, request->notificationObject(), handler);
    const NotificationCenter::Token error
        = center.addObserver(QLMDropboxErrorNotification, request->notificationObject(), handler);
    m_observers[request] = { success, error };
}

// Runs inside the request's own reporting, so the request is destroyed on the next pass, not here.
void QLMDropboxAgent::release(const QLMDropboxRequest* request)
{
    const auto it = std::find_if(m_helperObjects.begin(), m_helperObjects.end(),
        [request](const std::unique_ptr<QLMDropboxRequest>& held) { return held.get() == request; });
    if (it == m_helperObjects.end())
        return;
    std::shared_ptr<QLMDropboxRequest> finished(std::move(*it));
    m_helperObjects.erase(it);
    RunLoop::postToMain([finished] {});

    const auto observers = m_observers.extract(request);
    if (observers.empty())
        return;
    const auto tokens = observers.mapped();
    // The token is known only once scheduled; the task looks itself up by a shared slot.
    auto self = std::make_shared<RunLoop::Token>(0);
    *self = QLMBlocks::performBlock(
        [this, self] {
            const auto pending = m_pendingRemovals.extract(*self);
            if (pending.empty())
                return;
            NotificationCenter::defaultCenter().removeObserver(pending.mapped().first);
            NotificationCenter::defaultCenter().removeObserver(pending.mapped().second);
        },
        0.5);
    m_pendingRemovals[*self] = tokens;
}
