#include "MeasurementUnit.h"

#include "Log.h"
#include "UnitsEngine.h"
#include "UnitsPlistValues.h"

#include <QDebug>
#include <QSet>
#include <algorithm>
#include <atomic>

namespace
{

std::atomic<quint64> g_namesGeneration { 1 };

QString trimmedOfPunctuation(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin).isPunct())
        ++begin;
    while (end > begin && text.at(end - 1).isPunct())
        --end;
    if (begin == 0 && end == text.size())
        return text;
    return text.mid(begin, end - begin);
}

QString stringValue(const QVariant& value)
{
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

MeasurementUnit::MeasurementUnit()
    : MeasurementUnit(QStringLiteral("New Unit"))
{
}

MeasurementUnit::MeasurementUnit(const QString& name)
    : m_name(name)
    , m_trimmedName(trimmedOfPunctuation(name))
{
}

MeasurementUnit::MeasurementUnit(const QVariantMap& dictionary)
    : MeasurementUnit(stringValue(dictionary.value(QStringLiteral("name"))))
{
    m_type = qint32(UnitsPlistValues::integerValue(dictionary.value(QStringLiteral("type"))).value_or(0));
    m_system
        = quint64(UnitsPlistValues::integerValue(dictionary.value(QStringLiteral("system"))).value_or(0));
    m_caseSensitive = dictionary.value(QStringLiteral("caseSensitive")).toBool();
    if (dictionary.contains(QStringLiteral("pluralName")))
        m_pluralName = stringValue(dictionary.value(QStringLiteral("pluralName")));
    if (dictionary.contains(QStringLiteral("preferredDisplayName")))
        m_preferredDisplayName = stringValue(dictionary.value(QStringLiteral("preferredDisplayName")));
    // Entries without a text ({} or a non-string) spell nothing and are dropped here.
    const QVariantList abbreviations = dictionary.value(QStringLiteral("abbreviations")).toList();
    for (const QVariant& entry : abbreviations) {
        const QString text = stringValue(entry.toMap().value(QStringLiteral("string")));
        if (!text.isNull())
            m_abbreviations.append(text);
    }
    for (const QString& abbreviation : std::as_const(m_abbreviations))
        m_trimmedAbbreviations.append(trimmedOfPunctuation(abbreviation));
    if (m_type != TypeNone)
        setConversionFactor(dictionary.value(QStringLiteral("conversionFactor")));
}

MeasurementUnitPtr MeasurementUnit::measurementUnitWithDictionary(const QVariantMap& dictionary)
{
    return std::make_shared<MeasurementUnit>(dictionary);
}

MeasurementUnitPtr MeasurementUnit::measurementUnitWithName(const QString& name)
{
    return std::make_shared<MeasurementUnit>(name);
}

QVariantMap MeasurementUnit::dictionaryValue() const
{
    QVariantMap dictionary;
    dictionary.insert(QStringLiteral("name"), m_name);
    dictionary.insert(QStringLiteral("type"), qint64(m_type));
    dictionary.insert(QStringLiteral("system"), qint64(m_system));
    dictionary.insert(QStringLiteral("caseSensitive"), m_caseSensitive);
    if (!m_pluralName.isNull())
        dictionary.insert(QStringLiteral("pluralName"), m_pluralName);
    if (!m_name.isNull())
        dictionary.insert(QStringLiteral("preferredDisplayName"), preferredDisplayName());
    QVariantList abbreviations;
    for (const QString& abbreviation : m_abbreviations)
        abbreviations.append(QVariantMap { { QStringLiteral("string"), abbreviation } });
    dictionary.insert(QStringLiteral("abbreviations"), abbreviations);
    if (m_conversionFactor) {
        // Whole factors stay integers in the file; the others are reals, which read back to the
        // same decimal value because reading takes the shortest text that gives the same double.
        const Decimal& factor = *m_conversionFactor;
        const Decimal whole = factor.decimalNumberByRoundingToScale(0);
        if (whole == factor
            && factor.compare(Decimal::fromInt(Q_INT64_C(1000000000000000000)))
                == Decimal::ComparisonResult::OrderedAscending
            && factor.compare(Decimal::fromInt(Q_INT64_C(-1000000000000000000)))
                == Decimal::ComparisonResult::OrderedDescending)
            dictionary.insert(QStringLiteral("conversionFactor"), factor.longLongValue());
        else
            dictionary.insert(QStringLiteral("conversionFactor"), factor.doubleValue());
    }
    return dictionary;
}

QString MeasurementUnit::description() const
{
    QString text;
    QDebug(&text).nospace() << dictionaryValue();
    return text;
}

void MeasurementUnit::setName(const QString& name)
{
    m_name = name;
    m_trimmedName = trimmedOfPunctuation(name);
    spellingsChanged();
}

void MeasurementUnit::setPluralName(const QString& pluralName)
{
    m_pluralName = pluralName;
    spellingsChanged();
}

void MeasurementUnit::setType(qint64 code)
{
    // Negative codes are as meaningless as large ones.
    if (code < 0 || code >= 4) {
        Log::log(QStringLiteral("invalid measurement type code.\n"));
        return;
    }
    m_type = qint32(code);
}

void MeasurementUnit::setSystem(qint64 code)
{
    if (code < 0 || code >= 3) {
        Log::logf(QStringLiteral("invalid measurement system code: %1.\n"), quint64(code));
        return;
    }
    m_system = quint64(code);
}

QString MeasurementUnit::preferredDisplayName() const
{
    return m_preferredDisplayName.isEmpty() ? m_name : m_preferredDisplayName;
}

void MeasurementUnit::setPreferredDisplayName(const QString& displayName)
{
    m_preferredDisplayName = displayName;
    spellingsChanged();
}

void MeasurementUnit::setAbbreviations(const QStringList& abbreviations)
{
    m_abbreviations = abbreviations;
    m_trimmedAbbreviations.clear();
    for (const QString& abbreviation : abbreviations)
        m_trimmedAbbreviations.append(trimmedOfPunctuation(abbreviation));
    spellingsChanged();
}

void MeasurementUnit::addAbbreviation(const QString& abbreviation)
{
    m_abbreviations.append(abbreviation);
    m_trimmedAbbreviations.append(trimmedOfPunctuation(abbreviation));
    spellingsChanged();
}

void MeasurementUnit::setConversionFactor(const QVariant& value)
{
    m_conversionFactor = UnitsPlistValues::decimalValue(value);
}

void MeasurementUnit::setConversionFactor(const std::optional<Decimal>& factor)
{
    if (factor && factor->isValid())
        m_conversionFactor = factor;
    else
        m_conversionFactor.reset();
}

bool MeasurementUnit::matchesExactly(QStringView text) const
{
    if (!m_preferredDisplayName.isNull() && m_preferredDisplayName == text)
        return true;
    if (m_trimmedName == text)
        return true;
    if (!m_pluralName.isNull() && m_pluralName == text)
        return true;
    for (const QString& abbreviation : m_trimmedAbbreviations) {
        if (abbreviation == text)
            return true;
    }
    return false;
}

bool MeasurementUnit::forEachMatchingCandidate(
    QStringView text, const std::function<bool(QStringView)>& candidate)
{
    // An empty text names nothing, even a unit with an empty spelling.
    while (!text.isEmpty()) {
        if (candidate(text))
            return true;
        if (!text.endsWith(u's'))
            return false;
        // "boxes": "boxe" can only match as it stands, then "box" is tried in full.
        if (text.endsWith(u"es")) {
            if (candidate(text.chopped(1)))
                return true;
            text.chop(2);
        } else {
            text.chop(1);
        }
    }
    return false;
}

bool MeasurementUnit::isEqualToString(const QString& text) const
{
    return forEachMatchingCandidate(
        text, [this](QStringView candidate) { return matchesExactly(candidate); });
}

QStringList MeasurementUnit::exactSpellings() const
{
    QStringList spellings;
    if (!m_preferredDisplayName.isNull())
        spellings.append(m_preferredDisplayName);
    spellings.append(m_trimmedName);
    if (!m_pluralName.isNull())
        spellings.append(m_pluralName);
    spellings.append(m_trimmedAbbreviations);
    return spellings;
}

QStringList MeasurementUnit::allNames() const
{
    QSet<QString> names;
    for (const QString& abbreviation : m_abbreviations)
        names.insert(abbreviation);
    names.insert(m_name);
    const QSet<QString> withPeriods = names;
    for (const QString& name : withPeriods) {
        if (name.endsWith(QLatin1Char('.')))
            names.insert(name.chopped(1));
    }
    if (!m_pluralName.isNull())
        names.insert(m_pluralName);
    if (!m_preferredDisplayName.isNull())
        names.insert(preferredDisplayName());
    // An empty spelling would be found at every place of every text.
    names.remove(QString());

    QStringList result(names.begin(), names.end());
    std::sort(result.begin(), result.end());
    std::stable_sort(result.begin(), result.end(),
        [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    return result;
}

bool MeasurementUnit::isGeneric() const
{
    return this == UnitsEngine::genericUnit().get();
}

bool MeasurementUnit::canConvertToUnit(const MeasurementUnit* target) const
{
    if (!target || !m_conversionFactor || !target->m_conversionFactor)
        return false;
    // A zero factor would turn every amount into zero or into a division by zero.
    if (m_conversionFactor->isZero() || target->m_conversionFactor->isZero())
        return false;
    if (isGeneric() || target->isGeneric())
        return true;
    return m_type == target->m_type;
}

std::optional<Decimal> MeasurementUnit::convertAmount(
    const std::optional<Decimal>& amount, const MeasurementUnit* target) const
{
    if (!target || !amount || !amount->isValid())
        return std::nullopt;
    if (target->m_conversionFactor && target->m_conversionFactor->isZero()) {
        Log::logf(QStringLiteral("invalid conversion factor for unit: %1"), target->m_name);
        return std::nullopt;
    }
    if (!canConvertToUnit(target))
        return std::nullopt;

    Decimal result = *amount;
    if (target->m_type != TypeGeneric)
        result = result.decimalNumberByMultiplyingBy(*m_conversionFactor);
    if (m_type == TypeGeneric)
        return result;
    result = result.decimalNumberByDividingBy(*target->m_conversionFactor);
    if (!result.isValid())
        return std::nullopt;
    return result;
}

int MeasurementUnit::addAllNamesObserver(Observer observer)
{
    const int token = m_nextObserverToken++;
    m_observers.insert(token, std::move(observer));
    return token;
}

void MeasurementUnit::removeAllNamesObserver(int token)
{
    m_observers.remove(token);
}

quint64 MeasurementUnit::namesGeneration()
{
    return g_namesGeneration.load(std::memory_order_acquire);
}

void MeasurementUnit::spellingsChanged()
{
    g_namesGeneration.fetch_add(1, std::memory_order_acq_rel);
    // Copied: an observer may remove itself while being told.
    const QList<Observer> observers = m_observers.values();
    for (const Observer& observer : observers)
        observer();
}
