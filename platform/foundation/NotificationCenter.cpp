#include "NotificationCenter.h"

#include <QMutex>
#include <atomic>
#include <memory>
#include <vector>

namespace
{

struct Observer {
    NotificationCenter::Token token = 0;
    QString name;
    const void* object = nullptr;
    NotificationCenter::Handler handler;
    std::atomic<bool> removed { false };

    bool matches(const Notification& notification) const
    {
        return (name.isEmpty() || name == notification.name)
            && (object == nullptr || object == notification.object);
    }
};

} // namespace

struct NotificationCenter::Private {
    QMutex mutex;
    Token lastToken = 0;
    std::vector<std::shared_ptr<Observer>> observers; // in registration order
};

NotificationCenter& NotificationCenter::defaultCenter()
{
    // Never destroyed: objects that go away during the process's own teardown (a context, say)
    // still post their last notices.
    static NotificationCenter* center = new NotificationCenter;
    return *center;
}

NotificationCenter::NotificationCenter()
    : d(std::make_unique<Private>())
{
}

NotificationCenter::~NotificationCenter() = default;

NotificationCenter::Token NotificationCenter::addObserver(
    const QString& name, const void* object, Handler handler)
{
    auto observer = std::make_shared<Observer>();
    observer->name = name;
    observer->object = object;
    observer->handler = std::move(handler);
    QMutexLocker lock(&d->mutex);
    observer->token = ++d->lastToken;
    d->observers.push_back(observer);
    return observer->token;
}

void NotificationCenter::removeObserver(Token token)
{
    QMutexLocker lock(&d->mutex);
    for (auto it = d->observers.begin(); it != d->observers.end(); ++it) {
        if ((*it)->token == token) {
            (*it)->removed = true;
            d->observers.erase(it);
            return;
        }
    }
}

void NotificationCenter::postNotification(const Notification& notification)
{
    // Deliver to the observers registered when the post began; one removed on the way is
    // skipped, and its handler stays alive while it runs even if it removes itself.
    std::vector<std::shared_ptr<Observer>> targets;
    {
        QMutexLocker lock(&d->mutex);
        for (const auto& observer : d->observers) {
            if (observer->matches(notification))
                targets.push_back(observer);
        }
    }
    for (const auto& observer : targets) {
        if (!observer->removed && observer->handler)
            observer->handler(notification);
    }
}

void NotificationCenter::postNotificationName(
    const QString& name, const void* object, const QVariantMap& userInfo)
{
    postNotification(Notification { name, object, userInfo });
}
