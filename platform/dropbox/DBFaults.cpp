#include "DBFaults.h"

#include "DBRestClient.h"
#include "DropboxErrors.h"
#include "DropboxPaths.h"

#include <algorithm>

namespace
{

bool pathMatches(const QString& rulePath, const QString& path)
{
    if (rulePath.isEmpty())
        return true;
    if (path.isEmpty())
        return false;
    const QString rule = DropboxPaths::normalized(rulePath).value_or(rulePath);
    const QString candidate = DropboxPaths::normalized(path).value_or(path);
    return rule == QStringLiteral("/") || candidate == rule || candidate.startsWith(rule + u'/');
}

bool matches(DBOperation kind, const QString& path, const DBRequest& request)
{
    return (kind == DBOperation::Any || kind == request.kind)
        && (pathMatches(path, request.path) || pathMatches(path, request.destination));
}

} // namespace

void DBFaults::failNext(int count, DBOperation kind, const QString& path, int code)
{
    if (count > 0)
        m_failures.push_back(Failure { count, kind, path, code });
}

void DBFaults::hold(DBOperation kind, const QString& path)
{
    m_holds.push_back(Hold { kind, path });
}

void DBFaults::stopHolding()
{
    m_holds.clear();
}

void DBFaults::reset()
{
    m_failures.clear();
    m_holds.clear();
}

QList<DBRequest> DBFaults::held() const
{
    QList<DBRequest> requests;
    for (const Held& held : m_held)
        requests << held.request;
    return requests;
}

void DBFaults::release(int index)
{
    if (index < 0 || size_t(index) >= m_held.size())
        return;
    const Held held = m_held[size_t(index)];
    m_held.erase(m_held.begin() + index);
    held.client->schedule(held.request);
}

void DBFaults::releaseAll()
{
    while (!m_held.empty())
        release(0);
}

void DBFaults::releaseAllReversed()
{
    while (!m_held.empty())
        release(int(m_held.size()) - 1);
}

bool DBFaults::holdIfMatching(DBRestClient* client, const DBRequest& request)
{
    const bool hold = std::any_of(m_holds.begin(), m_holds.end(),
        [&](const Hold& rule) { return matches(rule.kind, rule.path, request); });
    if (hold)
        m_held.push_back(Held { client, request });
    return hold;
}

std::optional<Error> DBFaults::takeFailure(const DBRequest& request)
{
    for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
        if (!matches(it->kind, it->path, request))
            continue;
        const Failure failure = *it;
        if (--it->remaining == 0)
            m_failures.erase(it);
        return DropboxErrors::make(
            failure.code, QStringLiteral("The request failed (injected fault)."), request.path);
    }
    return std::nullopt;
}

void DBFaults::forget(DBRestClient* client)
{
    std::erase_if(m_held, [client](const Held& held) { return held.client == client; });
}
