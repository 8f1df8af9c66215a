#include "UnitsEngine.h"

#include "Log.h"
#include "PropertyList.h"
#include "SearchEngineAccess.h"
#include "UnitsPlistValues.h"
#include "UserDefaults.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>

namespace
{

const QString kDefaultMeasurementSystemKey = QStringLiteral("KRDefaultMeasurementSystem");
const QString kDefaultMeasurementSystemDidChange = QStringLiteral("KRDefaultMeasurementSystemDidChange");

QString trimmedForLookup(const QString& text)
{
    const QString trimmed = text.trimmed();
    qsizetype begin = 0;
    qsizetype end = trimmed.size();
    while (begin < end && trimmed.at(begin).isPunct())
        ++begin;
    while (end > begin && trimmed.at(end - 1).isPunct())
        --end;
    return trimmed.mid(begin, end - begin);
}

std::optional<QVariantList> readUnitsList(const QString& path, QString* errorDescription)
{
    Error error;
    std::optional<QVariantList> entries = PropertyList::arrayWithContentsOfFile(path, &error);
    if (!entries)
        *errorDescription = error.localizedDescription;
    return entries;
}

bool writeUnitsList(const QString& path, const QVariantList& entries, bool atomically)
{
    Error error;
    const QByteArray data = PropertyList::dataWithPropertyList(entries, PropertyList::Format::Xml, &error);
    if (data.isEmpty()) {
        QString description;
        QDebug(&description).nospace() << entries;
        Log::logf(QStringLiteral("%1\n %2\n"), error.localizedDescription, description);
        return false;
    }
    bool written = false;
    if (atomically) {
        QSaveFile file(path);
        written = file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.commit();
    } else {
        QFile file(path);
        written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
    }
    if (!written)
        Log::logf(QStringLiteral("UnitsController: Unable to write units plist to file: %1\n"), path);
    return written;
}

std::optional<qint64> storedDefaultMeasurementSystem()
{
    const QVariant value = UserDefaults::standardUserDefaults().objectForKey(kDefaultMeasurementSystemKey);
    if (value.typeId() == QMetaType::QString) {
        // A value written into the preferences file by hand reads as text.
        bool ok = false;
        const qint64 number = value.toString().trimmed().toLongLong(&ok);
        return ok ? std::optional<qint64>(number) : std::nullopt;
    }
    return UnitsPlistValues::integerValue(value);
}

quint64 measurementSystemOfLocale()
{
    return QLocale().measurementSystem() == QLocale::ImperialUSSystem ? MeasurementUnit::SystemUS
                                                                      : MeasurementUnit::SystemMetric;
}

} // namespace

UnitsEngine::UnitsEngine()
    : m_currentMeasurementSystem(measurementSystemFromDefaults())
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    m_systemObserver = ScopedObserver(center,
        center.addObserver(kDefaultMeasurementSystemDidChange, nullptr,
            [this](const Notification&) { updateMeasurementSystem(); }));
}

UnitsEngine::UnitsEngine(const QList<MeasurementUnitPtr>& units)
    : UnitsEngine()
{
    setUnits(units);
}

UnitsEngine::UnitsEngine(const QString& unitsFilePath)
    : UnitsEngine()
{
    addContentsOfFile(unitsFilePath);
}

UnitsEngine::~UnitsEngine() = default;

UnitsEngine& UnitsEngine::defaultEngine()
{
    // Lives until the process ends, like the notification center it observes.
    static UnitsEngine* engine = new UnitsEngine;
    return *engine;
}

MeasurementUnitPtr UnitsEngine::genericUnit()
{
    static const MeasurementUnitPtr generic = [] {
        auto unit = MeasurementUnit::measurementUnitWithName(QStringLiteral("Generic"));
        unit->setType(MeasurementUnit::TypeGeneric);
        unit->setConversionFactor(Decimal::one());
        unit->setCaseSensitive(true);
        unit->setPreferredDisplayName(QStringLiteral(""));
        return unit;
    }();
    return generic;
}

std::optional<Decimal> UnitsEngine::convertAmount(
    const std::optional<Decimal>& amount, const MeasurementUnit* unit, const MeasurementUnit* target)
{
    if (!unit)
        return std::nullopt;
    return unit->convertAmount(amount, target);
}

MeasurementUnitPtr UnitsEngine::unitForName(const QString& text) const
{
    // Same answer as asking every unit's isEqualToString in registry order, through one table.
    const QString name = trimmedForLookup(text);
    const std::shared_ptr<const LookupIndex> index = lookupIndex();
    qsizetype first = -1;
    MeasurementUnit::forEachMatchingCandidate(name, [&](QStringView candidate) {
        const auto found = index->firstUnitBySpelling.constFind(candidate.toString());
        if (found != index->firstUnitBySpelling.constEnd() && (first < 0 || *found < first))
            first = *found;
        return first == 0;
    });
    return first >= 0 && first < m_units.size() ? m_units.at(first) : nullptr;
}

std::shared_ptr<const UnitsEngine::LookupIndex> UnitsEngine::lookupIndex() const
{
    std::lock_guard<std::mutex> guard(m_cacheMutex);
    const quint64 generation = MeasurementUnit::namesGeneration();
    if (m_lookupIndex && m_lookupIndex->generation == generation)
        return m_lookupIndex;
    auto index = std::make_shared<LookupIndex>();
    index->generation = generation;
    for (qsizetype i = 0; i < m_units.size(); ++i) {
        for (const QString& spelling : m_units.at(i)->exactSpellings())
            index->firstUnitBySpelling.insert(
                spelling, std::min(i, index->firstUnitBySpelling.value(spelling, i)));
    }
    m_lookupIndex = index;
    return index;
}

bool UnitsEngine::shouldConvertUnitToDefaultMeasurementSystem(const MeasurementUnit* unit) const
{
    if (!unit)
        return false;
    return unit->system() != MeasurementUnit::SystemNone && unit->type() != MeasurementUnit::TypeNone
        && unit->type() != MeasurementUnit::TypeGeneric && unit->system() != m_currentMeasurementSystem;
}

MeasurementUnitPtr UnitsEngine::unitOfDefaultMeasurementSystemForUnit(const MeasurementUnitPtr& unit) const
{
    if (!unit || unit->system() == MeasurementUnit::SystemNone)
        return nullptr;
    if (unit->system() == m_currentMeasurementSystem)
        return unit;
    if (unit->type() == MeasurementUnit::TypeNone || unit->type() == MeasurementUnit::TypeGeneric)
        return nullptr;
    const bool volume = unit->type() == MeasurementUnit::TypeVolume;
    if (unit->system() == MeasurementUnit::SystemUS) {
        if (!volume)
            return unitForName(QStringLiteral("gram"));
        const bool large = unit->isEqualToString(QStringLiteral("gallon"))
            || unit->isEqualToString(QStringLiteral("quart"));
        return unitForName(large ? QStringLiteral("liter") : QStringLiteral("ml"));
    }
    if (unit->system() == MeasurementUnit::SystemMetric) {
        if (!volume)
            return unitForName(QStringLiteral("oz."));
        return unitForName(unit->isEqualToString(QStringLiteral("liter")) ? QStringLiteral("quart")
                                                                          : QStringLiteral("fl. oz."));
    }
    return nullptr;
}

MeasurementUnitPtr UnitsEngine::groceryListUnitForUnit(const MeasurementUnit* unit) const
{
    if (!unit)
        return nullptr;
    const qint32 type = unit->type();
    if (m_currentMeasurementSystem == MeasurementUnit::SystemMetric) {
        if (type == MeasurementUnit::TypeVolume)
            return unit->isEqualToString(QStringLiteral("liter")) ? nullptr
                                                                  : unitForName(QStringLiteral("ml"));
        if (type == MeasurementUnit::TypeWeight)
            return unit->isEqualToString(QStringLiteral("kg")) ? nullptr : unitForName(QStringLiteral("g"));
        return nullptr;
    }
    if (m_currentMeasurementSystem == MeasurementUnit::SystemUS) {
        if (type == MeasurementUnit::TypeVolume) {
            const bool large = unit->isEqualToString(QStringLiteral("gal."))
                || unit->isEqualToString(QStringLiteral("qt."));
            return large ? nullptr : unitForName(QStringLiteral("fl. oz."));
        }
        if (type == MeasurementUnit::TypeWeight)
            return unit->isEqualToString(QStringLiteral("lbs.")) ? nullptr
                                                                 : unitForName(QStringLiteral("oz."));
    }
    return nullptr;
}

void UnitsEngine::addContentsOfFile(const QString& path)
{
    if (!QFileInfo::exists(path))
        return;
    QString errorDescription;
    const std::optional<QVariantList> entries = readUnitsList(path, &errorDescription);
    if (!entries) {
        Log::logf(QStringLiteral("%1"), errorDescription);
        return;
    }
    for (const QVariant& entryValue : *entries) {
        if (entryValue.typeId() != QMetaType::QVariantMap)
            continue;
        const QVariantMap entry = entryValue.toMap();
        const QVariant nameValue = entry.value(QStringLiteral("name"));
        if (nameValue.typeId() != QMetaType::QString || nameValue.toString().isEmpty())
            continue;

        const MeasurementUnitPtr known = unitForName(nameValue.toString());
        if (!known) {
            addUnit(MeasurementUnit::measurementUnitWithDictionary(entry));
            continue;
        }
        const QVariantList abbreviations = entry.value(QStringLiteral("abbreviations")).toList();
        for (const QVariant& abbreviationValue : abbreviations) {
            const QVariant text = abbreviationValue.toMap().value(QStringLiteral("string"));
            if (text.typeId() == QMetaType::QString && !known->abbreviations().contains(text.toString()))
                known->addAbbreviation(text.toString());
        }
        // Only a real, non-zero number replaces a factor that works.
        const std::optional<Decimal> factor
            = UnitsPlistValues::decimalValue(entry.value(QStringLiteral("conversionFactor")));
        if (factor && !factor->isZero())
            known->setConversionFactor(factor);
        if (const auto system = UnitsPlistValues::integerValue(entry.value(QStringLiteral("system"))))
            known->setSystem(*system);
        if (const auto type = UnitsPlistValues::integerValue(entry.value(QStringLiteral("type"))))
            known->setType(*type);
    }
    clearNameCache();
}

void UnitsEngine::addSimpleMeasures(const QStringList& names)
{
    for (const QString& rawName : names) {
        const QString name = rawName.trimmed();
        if (name.isEmpty() || unitForName(name))
            continue;
        addUnit(MeasurementUnit::measurementUnitWithName(name));
    }
    clearNameCache();
}

void UnitsEngine::addUnit(const MeasurementUnitPtr& unit)
{
    if (!unit)
        return;
    for (const MeasurementUnitPtr& existing : std::as_const(m_units)) {
        if (existing == unit || existing->name() == unit->name()) {
            clearNameCache();
            return;
        }
    }
    m_units.append(unit);
    clearNameCache();
}

bool UnitsEngine::writeUnitsToFile(const QString& path, bool atomically) const
{
    QVariantList entries;
    for (const MeasurementUnitPtr& unit : m_units) {
        if (!unit->isTransient())
            entries.append(unit->dictionaryValue());
    }
    return writeUnitsList(path, entries, atomically);
}

void UnitsEngine::loadUnits(const QString& userUnitsFilePath)
{
    if (!userUnitsFilePath.isEmpty() && QFileInfo::exists(userUnitsFilePath))
        addContentsOfFile(userUnitsFilePath);
    addContentsOfFile(QStringLiteral(":/units.plist"));
    addSimpleMeasures(simpleMeasuresFromFile(QStringLiteral(":/measures.txt")));
}

QStringList UnitsEngine::simpleMeasuresFromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray data = file.readAll();
    QString text;
    if (auto encoding = QStringConverter::encodingForData(data)) {
        QStringDecoder decoder(*encoding);
        text = decoder(data);
    } else {
        text = QString::fromUtf8(data);
    }
    QStringList names;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (!line.isEmpty())
            names.append(line);
    }
    return names;
}

QStringList UnitsEngine::unitNames() const
{
    std::lock_guard<std::mutex> guard(m_cacheMutex);
    const quint64 generation = MeasurementUnit::namesGeneration();
    if (m_cachedNamesGeneration != generation) {
        QStringList names;
        for (const MeasurementUnitPtr& unit : m_units)
            names.append(unit->allNames());
        m_cachedUnitNames = names;
        m_cachedNamesGeneration = generation;
    }
    return m_cachedUnitNames;
}

void UnitsEngine::setUnits(const QList<MeasurementUnitPtr>& units)
{
    m_units.clear();
    for (const MeasurementUnitPtr& unit : units)
        addUnit(unit);
    clearNameCache();
}

void UnitsEngine::updateMeasurementSystem()
{
    m_currentMeasurementSystem = measurementSystemFromDefaults();
    if (SearchEngineAccess* search = SearchEngineAccess::shared())
        search->clearSearchCacheOnNextSearch();
}

void UnitsEngine::clearNameCache()
{
    std::lock_guard<std::mutex> guard(m_cacheMutex);
    m_cachedUnitNames.clear();
    m_cachedNamesGeneration = 0;
    m_lookupIndex.reset();
}

quint64 UnitsEngine::measurementSystemFromDefaults()
{
    // Anything but a known system under the key counts as no choice: the locale decides.
    const std::optional<qint64> stored = storedDefaultMeasurementSystem();
    if (stored && (*stored == MeasurementUnit::SystemMetric || *stored == MeasurementUnit::SystemUS))
        return quint64(*stored);
    return measurementSystemOfLocale();
}
