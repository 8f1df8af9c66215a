#pragma once

#include "DBRequest.h"
#include "DropboxErrors.h"
#include "Error.h"

#include <QList>
#include <QString>
#include <optional>
#include <vector>

class DBRestClient;

// Faults and delays of one session's requests, so that failures and races can be staged: the
// next requests of a kind or on a path fail, or wait (held) until released, in any order. A rule's
// path matches a request on that path or below it (a move or copy matches by either end); an
// empty path matches every request. Main thread only.
class DBFaults
{
public:
    DBFaults() = default;
    DBFaults(const DBFaults&) = delete;
    DBFaults& operator=(const DBFaults&) = delete;

    // The next `count` matching requests fail with an error of `code` instead of being performed.
    void failNext(int count, DBOperation kind, const QString& path = {}, int code = DropboxErrors::Failed);
    // Matching requests made from now on wait, unperformed, until released.
    void hold(DBOperation kind, const QString& path = {});
    // Requests made from now on are no longer held; those held stay held.
    void stopHolding();
    // Forgets every rule; held requests stay held.
    void reset();

    // The requests waiting, in the order they were made.
    QList<DBRequest> held() const;
    // Performs the held request at `index` (of held()) on the next pass of the main loop, after
    // those released before it. Out-of-range indexes are ignored.
    void release(int index);
    void releaseAll();
    void releaseAllReversed();

private:
    friend class DBRestClient;
    struct Failure {
        int remaining;
        DBOperation kind;
        QString path;
        int code;
    };
    struct Hold {
        DBOperation kind;
        QString path;
    };
    struct Held {
        DBRestClient* client;
        DBRequest request;
    };

    // Keeps the request when a hold rule matches it.
    bool holdIfMatching(DBRestClient* client, const DBRequest& request);
    // The injected error for this request, if a failure rule takes it.
    std::optional<Error> takeFailure(const DBRequest& request);
    // Drops the held requests of a client that goes away.
    void forget(DBRestClient* client);

    std::vector<Failure> m_failures;
    std::vector<Hold> m_holds;
    std::vector<Held> m_held;
};
