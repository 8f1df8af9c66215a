#include "DistributedNotificationCenter.h"

#include <QDBusMessage>

namespace
{
DistributedNotificationCenter* g_replacement = nullptr;
const QString k_member = QStringLiteral("NotificationPosted");
} // namespace

DistributedNotificationCenter& DistributedNotificationCenter::defaultCenter()
{
    if (g_replacement)
        return *g_replacement;
    static DistributedNotificationCenter* session
        = new DistributedNotificationCenter(QDBusConnection::sessionBus()); // lives with the process
    return *session;
}

void DistributedNotificationCenter::setDefaultCenter(DistributedNotificationCenter* center)
{
    g_replacement = center;
}

DistributedNotificationCenter::DistributedNotificationCenter(QDBusConnection connection, QObject* parent)
    : QObject(parent)
    , m_connection(std::move(connection))
{
}

DistributedNotificationCenter::~DistributedNotificationCenter()
{
    if (m_listening)
        m_connection.disconnect(QString(), objectPath(), interfaceName(), k_member, this,
            SLOT(notificationPosted(QString, QVariantMap)));
}

bool DistributedNotificationCenter::postNotificationName(const QString& name, const QVariantMap& userInfo)
{
    if (!m_connection.isConnected())
        return false;
    QDBusMessage signal = QDBusMessage::createSignal(objectPath(), interfaceName(), k_member);
    signal << name << userInfo;
    return m_connection.send(signal);
}

bool DistributedNotificationCenter::listen()
{
    if (m_listening)
        return true;
    if (!m_connection.isConnected())
        return false;
    // Any sender: the other programs are the point.
    m_listening = m_connection.connect(QString(), objectPath(), interfaceName(), k_member, this,
        SLOT(notificationPosted(QString, QVariantMap)));
    return m_listening;
}

DistributedNotificationCenter::Token DistributedNotificationCenter::addObserver(
    const QString& name, Handler handler)
{
    if (!listen())
        return 0;
    const Token token = m_nextToken++;
    m_observers.emplace(token, std::make_pair(name, std::move(handler)));
    return token;
}

void DistributedNotificationCenter::removeObserver(Token token)
{
    m_observers.erase(token);
}

void DistributedNotificationCenter::notificationPosted(const QString& name, const QVariantMap& userInfo)
{
    // A handler may add or remove observers: collect first, and skip those removed meanwhile.
    std::vector<Token> matching;
    for (const auto& [token, observer] : m_observers)
        if (observer.first == name)
            matching.push_back(token);
    for (Token token : matching) {
        const auto it = m_observers.find(token);
        if (it == m_observers.end())
            continue;
        const Handler handler = it->second.second;
        handler(name, userInfo);
    }
}
