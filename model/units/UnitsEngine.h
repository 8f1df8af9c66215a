#pragma once

#include "MeasurementUnit.h"
#include "NotificationCenter.h"

#include <QHash>
#include <QList>
#include <QRecursiveMutex>
#include <QString>
#include <QStringList>
#include <memory>
#include <mutex>
#include <optional>

// The registry of measurement units: which unit a text names, the user's default measurement
// system, and the unit an amount is converted into for that system or for a grocery list.
//
// The registry lives on the main thread. Code that reads or adds units elsewhere brackets its work
// with lock()/unlock() (the engine is BasicLockable, so std::lock_guard works); the lock is
// recursive. The engine's own methods do not take it.
//
// What is a class-wide call elsewhere (the unit for a name, the default system, the target units,
// the grocery unit) is an instance method here, reached as UnitsEngine::defaultEngine().method(),
// so that tests can run the same code on engines of their own.
class UnitsEngine
{
public:
    UnitsEngine();
    // An engine over the given units (the set, not copies of the units).
    explicit UnitsEngine(const QList<MeasurementUnitPtr>& units);
    // An engine holding the units of a units.plist.
    explicit UnitsEngine(const QString& unitsFilePath);
    ~UnitsEngine();
    UnitsEngine(const UnitsEngine&) = delete;
    UnitsEngine& operator=(const UnitsEngine&) = delete;

    // The one engine of the process, made on first use (on the main thread, at launch).
    static UnitsEngine& defaultEngine();
    // The unit of amounts that name no unit; not a member of any registry.
    static MeasurementUnitPtr genericUnit();
    // `amount` of `unit` in `target`, or nothing when they do not convert.
    static std::optional<Decimal> convertAmount(
        const std::optional<Decimal>& amount, const MeasurementUnit* unit, const MeasurementUnit* target);

    // 1 metric, 2 US customary.
    quint64 defaultMeasurementSystem() const { return m_currentMeasurementSystem; }

    // The first unit, in registry order, that the text names once white space and punctuation
    // are trimmed from its ends; null when none does.
    MeasurementUnitPtr unitForName(const QString& text) const;

    bool shouldConvertUnitToDefaultMeasurementSystem(const MeasurementUnit* unit) const;
    // The registry's unit of the default system into which amounts of `unit` are converted: the
    // unit itself when it already belongs to that system, null when there is none.
    MeasurementUnitPtr unitOfDefaultMeasurementSystemForUnit(const MeasurementUnitPtr& unit) const;
    // The unit groceries of this kind are bought in, in the default system; null: keep the unit.
    MeasurementUnitPtr groceryListUnitForUnit(const MeasurementUnit* unit) const;

    // Merges a units.plist, entry by entry: a unit already known by any spelling of the entry's
    // name gains the entry's new abbreviations, a non-zero factor, and its system and type (codes
    // out of range are logged and skipped); any other entry becomes a new unit. A missing file
    // adds nothing; a damaged one is logged and adds nothing.
    void addContentsOfFile(const QString& path);
    // Adds a bare unit for every name that no unit answers to yet.
    void addSimpleMeasures(const QStringList& names);
    // Adds the unit unless one of the same name is registered.
    void addUnit(const MeasurementUnitPtr& unit);
    // Writes every unit but the transient ones as a units.plist; false (and a log line) when that
    // fails.
    bool writeUnitsToFile(const QString& path, bool atomically) const;

    // The launch sequence: the user's units.plist when it exists, then the units.plist and
    // measures.txt among the resources.
    void loadUnits(const QString& userUnitsFilePath);
    // The names of a measures word list: one a line, empty lines dropped.
    static QStringList simpleMeasuresFromFile(const QString& path);

    // Every spelling of every unit, unit by unit in registry order.
    QStringList unitNames() const;

    const QList<MeasurementUnitPtr>& units() const { return m_units; }
    void setUnits(const QList<MeasurementUnitPtr>& units);

    void lock() { m_engineLock.lock(); }
    void unlock() { m_engineLock.unlock(); }

    // Re-reads "KRDefaultMeasurementSystem" and has the search cleared before the next search.
    void updateMeasurementSystem();

private:
    // Every spelling that unit matching compares against, with the first unit that has it.
    struct LookupIndex {
        QHash<QString, qsizetype> firstUnitBySpelling;
        quint64 generation = 0;
    };
    std::shared_ptr<const LookupIndex> lookupIndex() const;
    void clearNameCache();
    static quint64 measurementSystemFromDefaults();

    QList<MeasurementUnitPtr> m_units;
    mutable QStringList m_cachedUnitNames;
    mutable quint64 m_cachedNamesGeneration = 0; // 0: no cache
    // Lookups may come from a reader thread holding the engine lock while the main thread reads
    // without it; the caches are built under their own mutex.
    mutable std::mutex m_cacheMutex;
    mutable std::shared_ptr<const LookupIndex> m_lookupIndex;
    QRecursiveMutex m_engineLock;
    quint64 m_currentMeasurementSystem = MeasurementUnit::SystemMetric;
    ScopedObserver m_systemObserver;
};
