#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QVariantMap>

// The record of one companion device that shares the Dropbox folder: what its DeviceInfo.plist
// says about it, and where its folder is. A plain value; device collections keep a copy.
class QLMKitchoraDevice
{
public:
    // The record of a parsed DeviceInfo.plist found in the folder at dropboxPath. Values of the
    // wrong type count as missing, so a damaged file from another device yields empty fields
    // rather than values no caller expects.
    static QLMKitchoraDevice deviceFromDeviceInfoPlist(
        const QVariantMap& deviceInfo, const QString& dropboxPath);

    QString deviceName() const { return m_deviceName; }
    void setDeviceName(const QString& deviceName) { m_deviceName = deviceName; }
    QString deviceType() const { return m_deviceType; }
    void setDeviceType(const QString& deviceType) { m_deviceType = deviceType; }
    QString deviceUDID() const { return m_deviceUDID; }
    void setDeviceUDID(const QString& deviceUDID) { m_deviceUDID = deviceUDID; }
    // The device's folder in the Dropbox.
    QString dropboxPath() const { return m_dropboxPath; }
    void setDropboxPath(const QString& dropboxPath) { m_dropboxPath = dropboxPath; }
    QDateTime lastAccessedDate() const { return m_lastAccessedDate; }
    void setLastAccessedDate(const QDateTime& lastAccessedDate) { m_lastAccessedDate = lastAccessedDate; }
    // Push token; empty means the device takes no push messages.
    QString deviceToken() const { return m_deviceToken; }
    void setDeviceToken(const QString& deviceToken) { m_deviceToken = deviceToken; }
    bool supportsGroceryLists() const { return m_supportsGroceryLists; }
    void setSupportsGroceryLists(bool supportsGroceryLists) { m_supportsGroceryLists = supportsGroceryLists; }

    bool operator==(const QLMKitchoraDevice&) const = default;

private:
    QString m_deviceName;
    QString m_deviceType;
    QString m_deviceUDID;
    QString m_dropboxPath;
    QDateTime m_lastAccessedDate;
    QString m_deviceToken;
    bool m_supportsGroceryLists = false;
};

Q_DECLARE_METATYPE(QLMKitchoraDevice)
