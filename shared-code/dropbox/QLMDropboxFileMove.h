#pragma once

#include "DBRestClientDelegate.h"
#include "Error.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class DBRestClient;

// One move of a file on the shared session, without the agent's copy fallback: a move onto
// something that is there fails, which is what makes claiming a file safe against another writer.
// Answers once, later, on the main thread; dropped unanswered when it goes away first.
class QLMDropboxFileMove : public DBRestClientDelegate
{
public:
    using Completion = std::function<void(const std::optional<Error>& error)>;

    explicit QLMDropboxFileMove(Completion done);
    ~QLMDropboxFileMove() override;
    QLMDropboxFileMove(const QLMDropboxFileMove&) = delete;
    QLMDropboxFileMove& operator=(const QLMDropboxFileMove&) = delete;

    void start(const QString& from, const QString& to);
    bool finished() const { return m_finished; }

private:
    void restClientMovedPath(DBRestClient&, const QString&, const QString&) override;
    void restClientMovePathFailedWithError(DBRestClient&, const Error& error) override;
    void finish(const std::optional<Error>& error);

    Completion m_done;
    std::unique_ptr<DBRestClient> m_client;
    bool m_finished = false;
};
