#include "DesktopSearch.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QDir>
#include <QProcess>
#include <QStandardPaths>

namespace
{

const QString kRunnerService = QStringLiteral("org.kde.krunner");
const QString kRunnerPath = QStringLiteral("/App");
const QString kRunnerInterface = QStringLiteral("org.kde.krunner.App");
const QString kCatfish = QStringLiteral("catfish");

} // namespace

DesktopSearch::Environment DesktopSearch::Environment::current()
{
    Environment environment;
    environment.serviceRegistered = [](const QString& service) {
        const QDBusConnection bus = QDBusConnection::sessionBus();
        return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(service).value();
    };
    environment.callBus = [](const QString& service, const QString& path, const QString& interface,
                              const QString& method, const QString& argument) {
        QDBusInterface remote(service, path, interface, QDBusConnection::sessionBus());
        if (!remote.isValid())
            return false;
        const QDBusMessage reply = remote.call(method, argument);
        return reply.type() != QDBusMessage::ErrorMessage;
    };
    environment.findExecutable
        = [](const QString& program) { return QStandardPaths::findExecutable(program); };
    environment.startDetached = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    return environment;
}

DesktopSearch::DesktopSearch(Environment environment)
    : m_environment(std::move(environment))
{
}

QString DesktopSearch::toolName() const
{
    if (m_environment.serviceRegistered && m_environment.serviceRegistered(kRunnerService))
        return QStringLiteral("KRunner");
    if (m_environment.findExecutable && !m_environment.findExecutable(kCatfish).isEmpty())
        return QStringLiteral("Catfish");
    return {};
}

bool DesktopSearch::showSearchWindow(const QString& text) const
{
    const QString tool = toolName();
    if (tool == QLatin1String("KRunner"))
        return m_environment.callBus
            && m_environment.callBus(
                kRunnerService, kRunnerPath, kRunnerInterface, QStringLiteral("query"), text);
    if (tool == QLatin1String("Catfish")) {
        // The text is one argument of its own, after the options end: never read by a shell, and a
        // leading "-" is no option.
        return m_environment.startDetached
            && m_environment.startDetached(
                m_environment.findExecutable(kCatfish), { QStringLiteral("--"), QDir::homePath(), text });
    }
    return false;
}
