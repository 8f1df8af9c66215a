#pragma once

#include <QString>

// This computer described the way a handheld device describes itself to the devices it shares
// with: its name, model and a unique identifier. The identifier is the machine id
// (/etc/machine-id, else the D-Bus copy of it); a machine without one gets a random identifier
// made once and kept in the user defaults, so it still differs from every other machine.
class UIDevice
{
public:
    // The user default holding the random identifier of a machine without a machine id.
    static inline const QString QLMRandomDeviceIdentifierKey = QStringLiteral("QLMRandomDeviceIdentifier");

    // Reads the machine id from the first readable file of `machineIdFiles`.
    UIDevice(const QString& name, const QStringList& machineIdFiles);

    // The one description of this computer, made on first use.
    static UIDevice& currentDevice();

    QString name() const { return m_name; }
    QString model() const { return QStringLiteral("Mac"); }
    QString systemName() const;
    QString systemVersion() const;
    QString uniqueIdentifier() const { return m_uniqueIdentifier; }
    int userInterfaceIdiom() const { return 2; }
    int orientation() const { return 1; }
    bool multitaskingSupported() const { return true; }
    bool generatesDeviceOrientationNotifications() const { return false; }
    void beginGeneratingDeviceOrientationNotifications() { }
    void endGeneratingDeviceOrientationNotifications() { }

    // SHA-1 of "salt:uniqueIdentifier" (UTF-8) as 40 upper-case hexadecimal digits: the same on
    // every run on this machine, different on another machine or with another salt.
    QString newSaltedUniqueIdentifier(const QString& salt) const;
    // The same, salted with the application's identifier; computed once.
    QString saltedUniqueIdentifier();

    // The application's identifier, the salt of saltedUniqueIdentifier.
    static QString applicationIdentifier();
    // The computer's name as the user knows it: the host name, else "Computer".
    static QString computerName();

private:
    QString m_name;
    QString m_uniqueIdentifier;
    QString m_salted;
};
