#pragma once

#include "EventLoopWait.h"

#include <QDBusConnection>
#include <QProcess>
#include <QStandardPaths>
#include <QString>

// A bus daemon of the test's own, so that programs talking over the session bus can be played by
// connections in one process without touching the user's bus. isRunning() is false where
// dbus-daemon is not installed (the caller skips).
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            return;
        m_daemon.start(daemon,
            { QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--nopidfile"),
                QStringLiteral("--print-address=1") });
        if (!m_daemon.waitForStarted() || !waitUntil([this] { return m_daemon.canReadLine(); }))
            return;
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateSessionBus()
    {
        for (const QString& name : std::as_const(m_names))
            QDBusConnection::disconnectFromBus(name);
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished();
        }
    }
    PrivateSessionBus(const PrivateSessionBus&) = delete;
    PrivateSessionBus& operator=(const PrivateSessionBus&) = delete;

    bool isRunning() const { return !m_address.isEmpty(); }

    // A new connection to the bus, as one program would have.
    QDBusConnection connect(const QString& name)
    {
        m_names.append(name);
        return QDBusConnection::connectToBus(m_address, name);
    }

private:
    QProcess m_daemon;
    QString m_address;
    QStringList m_names;
};
