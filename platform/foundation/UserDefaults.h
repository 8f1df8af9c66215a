#pragma once

#include <QMutex>
#include <QSettings>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>

// The user's preferences: property-list values by key, kept in one INI file. Each value is stored
// as an encoded property list, so types survive a reload (an integer stays an integer, 1.0 stays a
// real, dates and nested containers come back as they went in). A plain INI value written by hand
// is read as text. Values registered with registerDefaults answer for keys the file lacks.
// Safe to use from any thread.
class UserDefaults
{
public:
    // The shared instance, on "<config folder>/<organization>/<application>.ini".
    static UserDefaults& standardUserDefaults();
    // Points the shared instance at another file and forgets its registered defaults (tests).
    static void setStandardUserDefaultsFile(const QString& iniPath);

    explicit UserDefaults(const QString& iniPath);
    ~UserDefaults();
    UserDefaults(const UserDefaults&) = delete;
    UserDefaults& operator=(const UserDefaults&) = delete;

    QString fileName() const;

    // Invalid when the key has no value.
    QVariant objectForKey(const QString& key) const;
    // Strings as they are, numbers as text; otherwise a null string.
    QString stringForKey(const QString& key) const;
    // Numbers and booleans by value; text "YES"/"true" or a non-zero number is true.
    bool boolForKey(const QString& key) const;
    qint64 integerForKey(const QString& key) const;
    double doubleForKey(const QString& key) const;
    float floatForKey(const QString& key) const;
    // Empty when absent or of another type.
    QVariantList arrayForKey(const QString& key) const;
    QVariantMap dictionaryForKey(const QString& key) const;

    // False (logged, old value kept) when the value is not a property list; an invalid
    // QVariant removes the key.
    bool setObject(const QVariant& value, const QString& key);
    void setBool(bool value, const QString& key);
    void setInteger(qint64 value, const QString& key);
    void setDouble(double value, const QString& key);
    void setFloat(float value, const QString& key);
    void removeObjectForKey(const QString& key);

    // Values answered for keys that the file does not hold; never written to the file.
    void registerDefaults(const QVariantMap& defaults);

    // Writes pending changes and reads changes made by others; false when the file cannot be
    // written or read.
    bool synchronize();

private:
    void reset(const QString& iniPath);
    QVariant storedValue(const QString& key) const;

    mutable QMutex m_mutex;
    std::unique_ptr<QSettings> m_settings;
    QVariantMap m_registered;
    mutable QHash<QString, QVariant> m_cache; // decoded values of the file
};
