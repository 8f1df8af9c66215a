#include "QLMKitchoraDevice.h"

#include "QLMDropboxPathConstants.h"

namespace
{

QString stringValue(const QVariantMap& map, const QString& key)
{
    const QVariant value = map.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

// A property-list boolean as the platform reads one: numbers by value, text "YES"/"true" or
// beginning with a non-zero digit.
bool boolValue(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        return value.toDouble() != 0.0;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.startsWith(QLatin1String("y"), Qt::CaseInsensitive)
            || text.startsWith(QLatin1String("t"), Qt::CaseInsensitive))
            return true;
        QStringView digits(text);
        if (digits.startsWith(u'+') || digits.startsWith(u'-'))
            digits = digits.mid(1);
        while (digits.startsWith(u'0'))
            digits = digits.mid(1);
        return !digits.isEmpty() && digits.front() >= u'1' && digits.front() <= u'9';
    }
    default:
        return false;
    }
}

} // namespace

QLMKitchoraDevice QLMKitchoraDevice::deviceFromDeviceInfoPlist(
    const QVariantMap& deviceInfo, const QString& dropboxPath)
{
    using namespace QLMDropboxPathConstants;
    QLMKitchoraDevice device;
    device.setDropboxPath(dropboxPath);
    device.setDeviceType(stringValue(deviceInfo, QLMDropboxDeviceTypeKey));
    device.setDeviceName(stringValue(deviceInfo, QLMDropboxDeviceNameKey));
    const QVariant date = deviceInfo.value(QLMDropboxDeviceLastDropboxAccessDateKey);
    if (date.typeId() == QMetaType::QDateTime)
        device.setLastAccessedDate(date.toDateTime());
    device.setDeviceUDID(stringValue(deviceInfo, QLMDropboxDeviceUDIDKey));
    device.setDeviceToken(stringValue(deviceInfo, QLMDropboxDeviceAPNSDeviceTokenKey));
    device.setSupportsGroceryLists(boolValue(deviceInfo.value(QLMDropboxDeviceGroceryListSupportKey)));
    return device;
}
