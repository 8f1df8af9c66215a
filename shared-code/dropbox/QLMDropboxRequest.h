#pragma once

#include "DBMetadata.h"
#include "DBRestClientDelegate.h"
#include "Error.h"
#include "RunLoop.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class DBRestClient;

// Blocks of the agent's requests; any may be empty. An error block gets no error when the request
// itself found the fault (no path, a temporary file that did not work out, a deleted folder).
using QLMDropboxSuccessBlock = std::function<void()>;
using QLMDropboxErrorBlock = std::function<void(const std::optional<Error>&)>;
using QLMDropboxDataBlock = std::function<void(const QByteArray&)>;
using QLMDropboxListingBlock = std::function<void(const QList<DBMetadata>&)>;

// One running request of QLMDropboxAgent: it makes its own client on the shared session, is its
// delegate, and reports through its blocks and then one notification, after which the agent lets
// it go.
class QLMDropboxRequest : public DBRestClientDelegate
{
public:
    QLMDropboxRequest();
    ~QLMDropboxRequest() override;
    QLMDropboxRequest(const QLMDropboxRequest&) = delete;
    QLMDropboxRequest& operator=(const QLMDropboxRequest&) = delete;

    // For logs.
    virtual QString description() const = 0;
    // The object of this request's notifications.
    const void* notificationObject() const { return this; }

protected:
    DBRestClient& client() { return *m_client; }
    void postSuccess(const QVariantMap& userInfo = {});
    void postError(const QVariantMap& userInfo = {});
    // Runs `task` on the next pass of the main loop, unless the request is gone by then: a request
    // that fails at once still answers after its caller has started watching it.
    void later(std::function<void()> task);

    // A fresh file in the temporary folder named after the Dropbox path's last component.
    static QString temporaryPathFor(const QString& dropboxPath);
    // In the background; a failure is only logged.
    static void deleteTemporaryFile(const QString& path);
    static QVariant errorValue(const Error& error);

private:
    std::unique_ptr<DBRestClient> m_client;
    RunLoop::Token m_later = 0;
};
