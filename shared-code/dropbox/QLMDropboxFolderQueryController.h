#pragma once

#include "QLMDropboxRequest.h"

// Lists a Dropbox folder: its entries that are not marked deleted, in the client's order.
class QLMDropboxFolderQueryController : public QLMDropboxRequest
{
public:
    QLMDropboxFolderQueryController(
        QLMDropboxListingBlock completionSuccess, QLMDropboxErrorBlock completionError);

    void listFolder(const QString& dropboxPath);

    QString path() const { return m_path; }
    QString description() const override;

private:
    void restClientLoadedMetadata(DBRestClient&, const DBMetadata& metadata) override;
    void restClientLoadMetadataFailedWithError(DBRestClient&, const Error& error) override;

    QString m_path;
    QLMDropboxListingBlock m_completionSuccess;
    QLMDropboxErrorBlock m_completionError;
};
