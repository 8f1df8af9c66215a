#pragma once

#include "DBRequest.h"
#include "RunLoop.h"

#include <QString>
#include <map>
#include <memory>

class DBRestClientDelegate;
class DBSession;

// File operations on the session's synced folder. Every call returns at once; the operation is
// performed on a later pass of the main loop and its outcome goes to the delegate, once per call.
// Paths are Dropbox paths, read from the folder's root; one that would leave it fails. Requests
// not yet answered when the client goes away are dropped. Main thread only.
class DBRestClient
{
public:
    explicit DBRestClient(std::shared_ptr<DBSession> session);
    ~DBRestClient();
    DBRestClient(const DBRestClient&) = delete;
    DBRestClient& operator=(const DBRestClient&) = delete;

    void setDelegate(DBRestClientDelegate* delegate) { m_delegate = delegate; }

    void loadMetadata(const QString& path);
    // Makes the folder and its missing parents; a folder already there is fine.
    void createFolder(const QString& path);
    // Uploads the local file `fromPath` as `filename` into the folder `toPath`, replacing a file
    // of that name and making missing folders.
    void uploadFile(const QString& filename, const QString& toPath, const QString& fromPath);
    // Writes the file's bytes to the local file `intoPath`.
    void loadFile(const QString& path, const QString& intoPath);
    void deletePath(const QString& path);
    // Fails when something is at `toPath`.
    void moveFrom(const QString& fromPath, const QString& toPath);
    // Copies a file, or a folder with its contents (merged into a folder already there).
    void copyFrom(const QString& fromPath, const QString& toPath);

private:
    friend class DBFaults;
    void submit(const DBRequest& request);
    void schedule(const DBRequest& request);
    void perform(const DBRequest& request);

    std::shared_ptr<DBSession> m_session;
    DBRestClientDelegate* m_delegate = nullptr;
    quint64 m_lastId = 0;
    std::map<quint64, RunLoop::Token> m_scheduled;
};
