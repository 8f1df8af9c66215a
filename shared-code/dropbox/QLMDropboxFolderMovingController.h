#pragma once

#include "QLMDropboxRequest.h"

// Moves a Dropbox folder; when the move fails, copies it instead (the source then stays).
class QLMDropboxFolderMovingController : public QLMDropboxRequest
{
public:
    QLMDropboxFolderMovingController(
        QLMDropboxSuccessBlock completionSuccess, QLMDropboxErrorBlock completionError);

    void moveFolder(const QString& sourcePath, const QString& destinationPath);

    QString sourcePath() const { return m_sourcePath; }
    QString destinationPath() const { return m_destinationPath; }
    QString description() const override;

private:
    void restClientMovedPath(DBRestClient&, const QString& from, const QString& to) override;
    void restClientMovePathFailedWithError(DBRestClient&, const Error& error) override;
    void restClientCopiedPath(DBRestClient&, const QString& from, const QString& to) override;
    void restClientCopyPathFailedWithError(DBRestClient&, const Error& error) override;
    void succeeded();

    QString m_sourcePath;
    QString m_destinationPath;
    QLMDropboxSuccessBlock m_completionSuccess;
    QLMDropboxErrorBlock m_completionError;
};
