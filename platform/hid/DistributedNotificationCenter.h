#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <map>

// Notifications between programs, as signals on the session bus: every program with an observer
// of the name receives them, the posting program included. Without a bus nothing is posted or
// observed, and the calls say so.
class DistributedNotificationCenter : public QObject
{
    Q_OBJECT

public:
    using Token = quint64; // never 0
    using Handler = std::function<void(const QString& name, const QVariantMap& userInfo)>;

    static QString objectPath() { return QStringLiteral("/org/kitchora/DistributedNotificationCenter"); }
    static QString interfaceName() { return QStringLiteral("org.kitchora.DistributedNotificationCenter"); }

    // The center on the session bus (or the one a test put in its place).
    static DistributedNotificationCenter& defaultCenter();
    // Puts `center` (not owned) in place of the default one; nullptr restores it.
    static void setDefaultCenter(DistributedNotificationCenter* center);

    explicit DistributedNotificationCenter(QDBusConnection connection, QObject* parent = nullptr);
    ~DistributedNotificationCenter() override;

    // False when there is no bus to post on. Values of `userInfo` are strings and numbers.
    bool postNotificationName(const QString& name, const QVariantMap& userInfo = {});
    // 0 when there is no bus to listen on. Handlers run on the event loop of this object's thread.
    Token addObserver(const QString& name, Handler handler);
    void removeObserver(Token token);

private slots:
    void notificationPosted(const QString& name, const QVariantMap& userInfo);

private:
    bool listen();

    QDBusConnection m_connection;
    bool m_listening = false;
    Token m_nextToken = 1;
    std::map<Token, std::pair<QString, Handler>> m_observers;
};
