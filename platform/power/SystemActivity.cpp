#include "SystemActivity.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace SystemActivity
{

int updateSystemActivity()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return 1;
    const QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.ScreenSaver"),
        QStringLiteral("/org/freedesktop/ScreenSaver"), QStringLiteral("org.freedesktop.ScreenSaver"),
        QStringLiteral("SimulateUserActivity"));
    // Short: the pulse repeats, and a hung service must not stall the cooking view.
    const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
    return reply.type() == QDBusMessage::ReplyMessage ? 0 : 2;
}

} // namespace SystemActivity
