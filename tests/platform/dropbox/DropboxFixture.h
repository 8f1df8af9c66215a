#pragma once

#include "DBMetadata.h"
#include "DBRestClient.h"
#include "DBRestClientDelegate.h"
#include "DBSession.h"
#include "ScratchUserDefaults.h"
#include "VirtualClock.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// Writes down every answer a client gives, one line each, e.g. "loaded /a/b" or "failed 4".
class RecordingDelegate : public DBRestClientDelegate
{
public:
    QStringList answers;
    DBMetadata metadata;
    Error error;

    void restClientLoadedMetadata(DBRestClient&, const DBMetadata& m) override
    {
        metadata = m;
        answers << QStringLiteral("metadata %1").arg(m.path);
    }
    void restClientCreatedFolder(DBRestClient&, const DBMetadata& m) override
    {
        metadata = m;
        answers << QStringLiteral("created %1").arg(m.path);
    }
    void restClientUploadedFile(DBRestClient&, const QString& dest, const QString&) override
    {
        answers << QStringLiteral("uploaded %1").arg(dest);
    }
    void restClientLoadedFile(DBRestClient&, const QString& dest) override
    {
        answers << QStringLiteral("loaded %1").arg(QFileInfo(dest).fileName());
    }
    void restClientDeletedPath(DBRestClient&, const QString& path) override
    {
        answers << QStringLiteral("deleted %1").arg(path);
    }
    void restClientMovedPath(DBRestClient&, const QString& from, const QString& to) override
    {
        answers << QStringLiteral("moved %1 %2").arg(from, to);
    }
    void restClientCopiedPath(DBRestClient&, const QString& from, const QString& to) override
    {
        answers << QStringLiteral("copied %1 %2").arg(from, to);
    }
    void restClientLoadMetadataFailedWithError(DBRestClient&, const Error& e) override { failed(e); }
    void restClientCreateFolderFailedWithError(DBRestClient&, const Error& e) override { failed(e); }
    void restClientUploadFileFailedWithError(DBRestClient&, const Error& e) override { failed(e); }
    void restClientLoadFileFailedWithError(DBRestClient&, const Error& e) override { failed(e); }
    void restClientDeletePathFailedWithError(DBRestClient&, const Error& e) override { failed(e); }
    void restClientMovePathFailedWithError(DBRestClient&, const Error& e) override { failed(e); }
    void restClientCopyPathFailedWithError(DBRestClient&, const Error& e) override { failed(e); }

private:
    void failed(const Error& e)
    {
        error = e;
        answers << QStringLiteral("failed %1").arg(e.code);
    }
};

// A synced folder, a session linked to it and a client answering a recording delegate, on the
// virtual clock.
class DropboxFixture : public ::testing::Test
{
protected:
    DropboxFixture()
    {
        root = QFileInfo(m_rootDir.path()).canonicalFilePath();
        session->linkFolder(root);
        client.setDelegate(&delegate);
    }

    QString local(const QString& dropboxPath) const { return root + dropboxPath; }
    void write(const QString& dropboxPath, const QByteArray& bytes) const
    {
        QDir().mkpath(QFileInfo(local(dropboxPath)).path());
        QFile file(local(dropboxPath));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QByteArray read(const QString& dropboxPath) const
    {
        QFile file(local(dropboxPath));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    bool exists(const QString& dropboxPath) const { return QFileInfo::exists(local(dropboxPath)); }
    // A local file outside the synced folder, for transfers.
    QString scratch(const QString& name) const { return m_scratchDir.filePath(name); }
    QStringList answer()
    {
        clock.advance(0);
        const QStringList answers = delegate.answers;
        delegate.answers.clear();
        return answers;
    }

    ScratchUserDefaults defaults;
    VirtualClock clock;
    QTemporaryDir m_rootDir;
    QTemporaryDir m_scratchDir;
    QString root;
    std::shared_ptr<DBSession> session
        = std::make_shared<DBSession>(QStringLiteral("testkey"), QStringLiteral("secret"), kDBRootDropbox);
    RecordingDelegate delegate;
    DBRestClient client { session };
};
