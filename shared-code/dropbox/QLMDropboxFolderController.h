#pragma once

#include "QLMDropboxRequest.h"

#include <QStringList>

// Makes every missing folder of a Dropbox path, one component after the other. Reports only by
// notification.
class QLMDropboxFolderController : public QLMDropboxRequest
{
public:
    QLMDropboxFolderController() = default;

    void makePathIfNecessary(const QString& dropboxPath);

    QString path() const { return m_path; }
    QString pathString() const { return m_pathString; }
    quint64 indexOfPathComponent() const { return m_indexOfPathComponent; }
    QString description() const override;

private:
    void restClientLoadedMetadata(DBRestClient&, const DBMetadata& metadata) override;
    void restClientLoadMetadataFailedWithError(DBRestClient&, const Error& error) override;
    void restClientCreatedFolder(DBRestClient&, const DBMetadata& metadata) override;
    void restClientCreateFolderFailedWithError(DBRestClient&, const Error& error) override;
    bool atLastComponent() const;
    void appendNextComponent();
    void succeed();

    QString m_path;
    QString m_pathString;
    QStringList m_components;
    quint64 m_indexOfPathComponent = 0;
};
