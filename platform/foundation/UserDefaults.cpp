#include "UserDefaults.h"

#include "Log.h"
#include "PropertyList.h"

#include <QCoreApplication>
#include <QMetaType>
#include <cmath>
#include <limits>

namespace
{

// A stored value is a binary property list in Base64 behind this prefix: compact, exact for every
// property-list type, and free of the characters INI files treat specially.
const QLatin1String EncodedPrefix("@plist:");

QString encode(const QVariant& value, Error* error)
{
    const QByteArray data = PropertyList::dataWithPropertyList(value, PropertyList::Format::Binary, error);
    if (data.isEmpty())
        return {};
    return EncodedPrefix + QString::fromLatin1(data.toBase64());
}

QVariant decode(const QVariant& raw)
{
    const QString text = raw.toString();
    if (!text.startsWith(EncodedPrefix))
        return raw; // written by hand: taken as text
    const QByteArray data = QByteArray::fromBase64(text.mid(EncodedPrefix.size()).toLatin1());
    Error error;
    QVariant value = PropertyList::propertyListWithData(data, nullptr, &error);
    if (!value.isValid())
        Log::logf(QStringLiteral("UserDefaults: unreadable stored value (%1); ignored"),
            error.localizedDescription);
    return value;
}

bool isNumber(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

bool isText(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QString;
}

// Leading number of a text, as the platform reads "12 cups" or " 3.5": 0 when there is none.
double leadingNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    qsizetype end = 0;
    bool seenDigit = false;
    bool seenPoint = false;
    if (end < trimmed.size() && (trimmed[end] == QLatin1Char('-') || trimmed[end] == QLatin1Char('+')))
        ++end;
    for (; end < trimmed.size(); ++end) {
        const QChar c = trimmed[end];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            seenDigit = true;
        } else if (c == QLatin1Char('.') && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    return seenDigit ? trimmed.left(end).toDouble() : 0.0;
}

QString defaultFileName()
{
    QSettings probe(QSettings::IniFormat, QSettings::UserScope, QCoreApplication::organizationName(),
        QCoreApplication::applicationName());
    return probe.fileName();
}

} // namespace

UserDefaults& UserDefaults::standardUserDefaults()
{
    static UserDefaults shared(defaultFileName());
    return shared;
}

void UserDefaults::setStandardUserDefaultsFile(const QString& iniPath)
{
    standardUserDefaults().reset(iniPath);
}

UserDefaults::UserDefaults(const QString& iniPath)
{
    reset(iniPath);
}

UserDefaults::~UserDefaults() = default;

void UserDefaults::reset(const QString& iniPath)
{
    QMutexLocker lock(&m_mutex);
    m_settings = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
    m_registered.clear();
    m_cache.clear();
}

QString UserDefaults::fileName() const
{
    QMutexLocker lock(&m_mutex);
    return m_settings->fileName();
}

QVariant UserDefaults::storedValue(const QString& key) const
{
    const auto cached = m_cache.constFind(key);
    if (cached != m_cache.cend())
        return cached.value();
    QVariant value;
    if (m_settings->contains(key))
        value = decode(m_settings->value(key));
    m_cache.insert(key, value);
    return value;
}

QVariant UserDefaults::objectForKey(const QString& key) const
{
    QMutexLocker lock(&m_mutex);
    const QVariant value = storedValue(key);
    return value.isValid() ? value : m_registered.value(key);
}

QString UserDefaults::stringForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (isText(value))
        return value.toString();
    if (isNumber(value) && value.metaType().id() != QMetaType::Bool)
        return value.toString();
    if (value.metaType().id() == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
    return {};
}

bool UserDefaults::boolForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (isNumber(value))
        return value.toDouble() != 0.0;
    if (isText(value)) {
        const QString text = value.toString().trimmed();
        if (text.compare(QLatin1String("YES"), Qt::CaseInsensitive) == 0
            || text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
            return true;
        return leadingNumber(text) != 0.0;
    }
    return false;
}

qint64 UserDefaults::integerForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (value.metaType().id() == QMetaType::LongLong || value.metaType().id() == QMetaType::Int
        || value.metaType().id() == QMetaType::Bool)
        return value.toLongLong();
    double number = 0.0;
    if (isNumber(value))
        number = value.toDouble();
    else if (isText(value))
        number = leadingNumber(value.toString());
    if (!std::isfinite(number))
        return 0;
    // Out-of-range values clamp rather than overflow.
    if (number >= 9.2233720368547758e18)
        return std::numeric_limits<qint64>::max();
    if (number <= -9.2233720368547758e18)
        return std::numeric_limits<qint64>::min();
    return qint64(number);
}

double UserDefaults::doubleForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    if (isNumber(value))
        return value.toDouble();
    if (isText(value))
        return leadingNumber(value.toString());
    return 0.0;
}

float UserDefaults::floatForKey(const QString& key) const
{
    return float(doubleForKey(key));
}

QVariantList UserDefaults::arrayForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.metaType().id() == QMetaType::QVariantList ? value.toList() : QVariantList();
}

QVariantMap UserDefaults::dictionaryForKey(const QString& key) const
{
    const QVariant value = objectForKey(key);
    return value.metaType().id() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

bool UserDefaults::setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid()) {
        removeObjectForKey(key);
        return true;
    }
    Error error;
    const QString encoded = encode(value, &error);
    if (encoded.isEmpty()) {
        Log::logf(QStringLiteral("UserDefaults: cannot store the value for \"%1\": %2"), key,
            error.localizedDescription);
        return false;
    }
    QMutexLocker lock(&m_mutex);
    m_settings->setValue(key, encoded);
    m_cache.insert(key, decode(encoded)); // what a reload would give, so types match from now on
    return true;
}

void UserDefaults::setBool(bool value, const QString& key)
{
    setObject(value, key);
}

void UserDefaults::setInteger(qint64 value, const QString& key)
{
    setObject(QVariant::fromValue<qint64>(value), key);
}

void UserDefaults::setDouble(double value, const QString& key)
{
    setObject(value, key);
}

void UserDefaults::setFloat(float value, const QString& key)
{
    setObject(double(value), key);
}

void UserDefaults::removeObjectForKey(const QString& key)
{
    QMutexLocker lock(&m_mutex);
    m_settings->remove(key);
    m_cache.remove(key);
}

void UserDefaults::registerDefaults(const QVariantMap& defaults)
{
    QMutexLocker lock(&m_mutex);
    for (auto it = defaults.cbegin(); it != defaults.cend(); ++it)
        m_registered.insert(it.key(), it.value());
}

bool UserDefaults::synchronize()
{
    QMutexLocker lock(&m_mutex);
    m_settings->sync();
    m_cache.clear();
    return m_settings->status() == QSettings::NoError;
}
