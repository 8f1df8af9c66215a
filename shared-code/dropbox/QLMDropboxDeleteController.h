#pragma once

#include "QLMDropboxRequest.h"

// Deletes a Dropbox file or folder.
class QLMDropboxDeleteController : public QLMDropboxRequest
{
public:
    QLMDropboxDeleteController(
        QLMDropboxSuccessBlock completionSuccess, QLMDropboxErrorBlock completionError);

    // A null or empty path fails without an error.
    void deletePath(const QString& dropboxPath);

    QString path() const { return m_path; }
    QString description() const override;

private:
    void restClientDeletedPath(DBRestClient&, const QString& path) override;
    void restClientDeletePathFailedWithError(DBRestClient&, const Error& error) override;

    QString m_path;
    QLMDropboxSuccessBlock m_completionSuccess;
    QLMDropboxErrorBlock m_completionError;
};
