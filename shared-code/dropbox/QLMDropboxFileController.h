#pragma once

#include "QLMDropboxRequest.h"

// Uploads data as a Dropbox file, or loads a file's contents, through a temporary local file
// that it deletes when the request ends.
class QLMDropboxFileController : public QLMDropboxRequest
{
public:
    QLMDropboxFileController(QLMDropboxSuccessBlock completionSuccess,
        QLMDropboxDataBlock completionSuccessWithData, QLMDropboxErrorBlock completionError);

    void uploadData(const QByteArray& data, const QString& dropboxPath);
    void loadData(const QString& dropboxPath);

    QString path() const { return m_path; }
    QString sourcePath() const { return m_sourcePath; }
    QString destPath() const { return m_destPath; }
    QString description() const override;

private:
    void restClientUploadedFile(DBRestClient&, const QString& destPath, const QString& srcPath) override;
    void restClientUploadFileFailedWithError(DBRestClient&, const Error& error) override;
    void restClientLoadedFile(DBRestClient&, const QString& destPath) override;
    void restClientLoadFileFailedWithError(DBRestClient&, const Error& error) override;
    void failWithoutError();

    QString m_path;
    QString m_sourcePath;
    QString m_destPath;
    QLMDropboxSuccessBlock m_completionSuccess;
    QLMDropboxDataBlock m_completionSuccessWithData;
    QLMDropboxErrorBlock m_completionError;
};
