#include "UIDevice.h"

#include "UUID.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QSysInfo>

namespace
{

// A machine id is 32 hexadecimal digits; anything else (an empty file on a fresh image, a
// placeholder) does not tell machines apart.
QString readMachineId(const QStringList& files)
{
    static const QRegularExpression machineId(QStringLiteral("^[0-9a-fA-F]{32}$"));
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromLatin1(file.read(256)).trimmed();
        if (machineId.match(text).hasMatch() && text != QString(32, u'0'))
            return text.toLower();
    }
    return {};
}

QString storedRandomIdentifier()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    QString stored = defaults.stringForKey(UIDevice::QLMRandomDeviceIdentifierKey);
    if (stored.isEmpty()) {
        stored = UUID::mg_stringWithNewUUID();
        defaults.setObject(stored, UIDevice::QLMRandomDeviceIdentifierKey);
        defaults.synchronize();
    }
    return stored;
}

} // namespace

UIDevice::UIDevice(const QString& name, const QStringList& machineIdFiles)
    : m_name(name)
    , m_uniqueIdentifier(readMachineId(machineIdFiles))
{
    if (m_uniqueIdentifier.isEmpty())
        m_uniqueIdentifier = storedRandomIdentifier();
}

UIDevice& UIDevice::currentDevice()
{
    static UIDevice device(
        computerName(), { QStringLiteral("/etc/machine-id"), QStringLiteral("/var/lib/dbus/machine-id") });
    return device;
}

QString UIDevice::systemName() const
{
    return QSysInfo::productType();
}

QString UIDevice::systemVersion() const
{
    return QSysInfo::productVersion();
}

QString UIDevice::newSaltedUniqueIdentifier(const QString& salt) const
{
    const QByteArray text = QStringLiteral("%1:%2").arg(salt, m_uniqueIdentifier).toUtf8();
    return QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha1).toHex()).toUpper();
}

QString UIDevice::saltedUniqueIdentifier()
{
    if (m_salted.isEmpty())
        m_salted = newSaltedUniqueIdentifier(applicationIdentifier());
    return m_salted;
}

QString UIDevice::applicationIdentifier()
{
    return QStringLiteral("org.kitchora.Kitchora");
}

QString UIDevice::computerName()
{
    const QString host = QSysInfo::machineHostName().trimmed();
    return host.isEmpty() ? QStringLiteral("Computer") : host;
}
