#include "QLMDropboxFileMove.h"

#include "DBRestClient.h"
#include "DBSession.h"
#include "DropboxErrors.h"
#include "RunLoop.h"

QLMDropboxFileMove::QLMDropboxFileMove(Completion done)
    : m_done(std::move(done))
{
}

QLMDropboxFileMove::~QLMDropboxFileMove() = default;

void QLMDropboxFileMove::start(const QString& from, const QString& to)
{
    const std::shared_ptr<DBSession> session = DBSession::sharedSession();
    if (!session) {
        finish(DropboxErrors::make(
            DropboxErrors::NotLinked, QStringLiteral("No synced folder is linked."), from));
        return;
    }
    m_client = std::make_unique<DBRestClient>(session);
    m_client->setDelegate(this);
    m_client->moveFrom(from, to);
}

void QLMDropboxFileMove::restClientMovedPath(DBRestClient&, const QString&, const QString&)
{
    finish(std::nullopt);
}

void QLMDropboxFileMove::restClientMovePathFailedWithError(DBRestClient&, const Error& error)
{
    finish(error);
}

void QLMDropboxFileMove::finish(const std::optional<Error>& error)
{
    m_finished = true;
    if (m_done)
        std::exchange(m_done, nullptr)(error);
}
