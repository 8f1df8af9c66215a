#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>

// Posting by name, with a sender and a user-info map, to observers registered by name and
// (optionally) sender. Delivery is synchronous on the posting thread.
struct Notification {
    QString name;
    const void* object = nullptr; // the sender, compared by identity
    QVariantMap userInfo;
};

class NotificationCenter
{
public:
    using Token = quint64;
    using Handler = std::function<void(const Notification&)>;

    static NotificationCenter& defaultCenter();

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name observes every notification; a null object observes every sender.
    Token addObserver(const QString& name, const void* object, Handler handler);
    void removeObserver(Token token);
    void postNotification(const Notification& notification);
    void postNotificationName(
        const QString& name, const void* object = nullptr, const QVariantMap& userInfo = {});

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// Removes its observation when it goes away.
class ScopedObserver
{
public:
    ScopedObserver() = default;
    ScopedObserver(NotificationCenter& center, NotificationCenter::Token token)
        : m_center(&center)
        , m_token(token)
    {
    }
    ~ScopedObserver() { reset(); }
    ScopedObserver(ScopedObserver&& other) noexcept { *this = std::move(other); }
    ScopedObserver& operator=(ScopedObserver&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_center = other.m_center;
            m_token = other.m_token;
            other.m_center = nullptr;
        }
        return *this;
    }
    void reset()
    {
        if (m_center)
            m_center->removeObserver(m_token);
        m_center = nullptr;
    }

private:
    NotificationCenter* m_center = nullptr;
    NotificationCenter::Token m_token = 0;
};
