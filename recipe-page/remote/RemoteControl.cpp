#include "RemoteControl.h"

#include "DistributedNotificationCenter.h"

#include <QCoreApplication>

RemoteControl::RemoteControl(RemoteControlDelegate delegate)
    : m_delegate(std::move(delegate))
{
}

RemoteControl::~RemoteControl() = default;

void RemoteControl::setListeningToRemote(bool)
{
}

void RemoteControl::startListening()
{
}

void RemoteControl::stopListening()
{
}

void RemoteControl::setOpenInExclusiveMode(bool)
{
}

bool RemoteControl::sendsEventForButtonIdentifier(int) const
{
    return true;
}

void RemoteControl::didChangeListeningToRemote()
{
    if (m_listeningObserver)
        m_listeningObserver();
}

QString RemoteControl::mainBundleIdentifier()
{
    return QStringLiteral("org.kitchora.") + QCoreApplication::applicationName();
}

bool RemoteControl::sendDistributedNotification(
    const QString& name, const QString& targetBundleIdentifier, const QString& deviceName)
{
    QVariantMap userInfo { { QStringLiteral("RemoteControlDeviceName"), deviceName },
        { QStringLiteral("CFBundleIdentifier"), mainBundleIdentifier() } };
    if (!targetBundleIdentifier.isEmpty())
        userInfo.insert(QStringLiteral("TargetBundleIdentifier"), targetBundleIdentifier);
    return DistributedNotificationCenter::defaultCenter().postNotificationName(name, userInfo);
}

bool RemoteControl::sendRequestForRemoteControlNotification(const QString& deviceName)
{
    return sendDistributedNotification(RequestForRemoteControlNotification, QString(), deviceName);
}

bool RemoteControl::sendFinishedNotifcationForAppIdentifier(
    const QString& targetBundleIdentifier, const QString& deviceName)
{
    return sendDistributedNotification(
        FinishedUsingRemoteControlNotification, targetBundleIdentifier, deviceName);
}
