#pragma once

#include "Decimal.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>

class MeasurementUnit;
using MeasurementUnitPtr = std::shared_ptr<MeasurementUnit>;

// One unit a recipe may name (cup, Tbsp., ml), with every spelling it answers to, its kind, its
// measurement system and its size in the common base of its kind (milliliters, grams).
// Units are shared: the registry, the recipe lines and the grocery lists hold the same objects.
class MeasurementUnit
{
public:
    enum Type : qint32 { TypeNone = 0, TypeVolume = 1, TypeWeight = 2, TypeGeneric = 3 };
    enum System : quint64 { SystemNone = 0, SystemMetric = 1, SystemUS = 2 };

    MeasurementUnit(); // "New Unit"
    explicit MeasurementUnit(const QString& name);
    // From one units.plist entry; type and system codes are kept as read.
    explicit MeasurementUnit(const QVariantMap& dictionary);

    static MeasurementUnitPtr measurementUnitWithDictionary(const QVariantMap& dictionary);
    static MeasurementUnitPtr measurementUnitWithName(const QString& name);

    // The units.plist entry of this unit.
    QVariantMap dictionaryValue() const;
    QString description() const;

    const QString& name() const { return m_name; }
    void setName(const QString& name);

    // Null when the unit has none.
    const QString& pluralName() const { return m_pluralName; }
    void setPluralName(const QString& pluralName);

    bool caseSensitive() const { return m_caseSensitive; }
    void setCaseSensitive(bool caseSensitive) { m_caseSensitive = caseSensitive; }

    qint32 type() const { return m_type; }
    // Codes outside 0...3 are logged and leave the type as it was.
    void setType(qint64 code);

    quint64 system() const { return m_system; }
    // Codes outside 0...2 are logged and leave the system as it was.
    void setSystem(qint64 code);

    // The stored display name, or the name when none (or an empty one) is stored.
    QString preferredDisplayName() const;
    void setPreferredDisplayName(const QString& displayName);

    const QStringList& abbreviations() const { return m_abbreviations; }
    void setAbbreviations(const QStringList& abbreviations);
    void addAbbreviation(const QString& abbreviation);

    const std::optional<Decimal>& conversionFactor() const { return m_conversionFactor; }
    // Any number becomes the factor with the same decimal value; anything else clears it.
    void setConversionFactor(const QVariant& value);
    void setConversionFactor(const std::optional<Decimal>& factor);

    // Whether the text (case-sensitively) names this unit, allowing a plural "s" or "es".
    bool isEqualToString(const QString& text) const;
    // The texts that name the unit as they stand, before plural endings are tried.
    QStringList exactSpellings() const;
    // Calls `candidate` with the text and with each plural-stripped form that name matching tries,
    // in order, until it answers true.
    static bool forEachMatchingCandidate(QStringView text, const std::function<bool(QStringView)>& candidate);
    // Every spelling of the unit, sorted case-insensitively.
    QStringList allNames() const;

    bool isGeneric() const;

    // A unit met only in text from elsewhere (an unknown measure word of a card): it serves this
    // run but is never written to the user's units.plist. Clearing the mark makes it the user's own.
    bool isTransient() const { return m_transient; }
    void setTransient(bool transient) { m_transient = transient; }

    bool canConvertToUnit(const MeasurementUnit* target) const;
    // The amount in the target unit, or nothing when the two units cannot convert.
    std::optional<Decimal> convertAmount(
        const std::optional<Decimal>& amount, const MeasurementUnit* target) const;

    // Told whenever the result of allNames() may have changed.
    using Observer = std::function<void()>;
    int addAllNamesObserver(Observer observer);
    void removeAllNamesObserver(int token);

    // Grows whenever a spelling of any unit changes, so that name caches know they are stale.
    static quint64 namesGeneration();

private:
    bool matchesExactly(QStringView text) const;
    void spellingsChanged();

    QString m_name;
    QString m_pluralName;
    bool m_caseSensitive = false;
    qint32 m_type = TypeNone;
    quint64 m_system = SystemNone;
    QString m_preferredDisplayName;
    QStringList m_abbreviations;
    std::optional<Decimal> m_conversionFactor;

    // Name and abbreviations without their leading and trailing punctuation, as matching wants them.
    QString m_trimmedName;
    QStringList m_trimmedAbbreviations;

    QHash<int, Observer> m_observers;
    int m_nextObserverToken = 1;
    bool m_transient = false;
};
