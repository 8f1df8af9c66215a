#pragma once

#include "QLMDropboxRequest.h"

// Downloads a Dropbox file to a local path, or uploads a local file to a Dropbox path.
class QLMDropboxFileTransferController : public QLMDropboxRequest
{
public:
    QLMDropboxFileTransferController(
        QLMDropboxSuccessBlock completionSuccess, QLMDropboxErrorBlock completionError);

    void download(const QString& dropboxPath, const QString& localPath);
    void upload(const QString& localPath, const QString& dropboxFilePath);

    QString localPath() const { return m_localPath; }
    QString description() const override;

private:
    void restClientLoadedFile(DBRestClient&, const QString& destPath) override;
    void restClientLoadFileFailedWithError(DBRestClient&, const Error& error) override;
    void restClientUploadedFile(DBRestClient&, const QString& destPath, const QString& srcPath) override;
    void restClientUploadFileFailedWithError(DBRestClient&, const Error& error) override;
    void failed(const Error& error);

    QString m_localPath;
    QString m_dropboxPath;
    QLMDropboxSuccessBlock m_completionSuccess;
    QLMDropboxErrorBlock m_completionError;
};
