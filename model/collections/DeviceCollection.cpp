#include "DeviceCollection.h"

#include <QHash>

QString DeviceCollection::collectionImageName() const
{
    static const QHash<QString, QString> iconsByType {
        { QStringLiteral("iPhone"), QStringLiteral("image_collection_device_iphone") },
        { QStringLiteral("iPod touch"), QStringLiteral("image_collection_device_ipod") },
        { QStringLiteral("iPad"), QStringLiteral("image_collection_device_ipad") },
        { QStringLiteral("Mac"), QStringLiteral("image_collection_device_mac") },
    };
    return iconsByType.value(valueForKey(QStringLiteral("deviceType")).toString(),
        QStringLiteral("image_collection_device_unknown"));
}

std::optional<QLMKitchoraDevice> DeviceCollection::dropboxDevice() const
{
    QMutexLocker lock(&m_deviceLock);
    return m_dropboxDevice;
}

void DeviceCollection::setDropboxDevice(const std::optional<QLMKitchoraDevice>& device)
{
    QMutexLocker lock(&m_deviceLock);
    m_dropboxDevice = device;
}
