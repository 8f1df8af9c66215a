#include "RecipeIngredientMO.h"

#include "AmountFinding.h"
#include "BaseMOAdditions.h"
#include "ConstantManager.h"
#include "FontNames.h"
#include "IngredientLineParser.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "IsEmpty.h"
#include "ItemRun.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ParsingEngine.h"
#include "PersistentStoreCoordinator.h"
#include "RRFractionNumber.h"
#include "RecipeBuildingAdditions.h"
#include "RecipeCardAttributes.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QColor>
#include <QCoreApplication>
#include <QThread>

namespace
{
const QString displayStringKey = QStringLiteral("displayString");
const QString amountKey = QStringLiteral("amount");
const QString measureKey = QStringLiteral("measure");
const QString modifierKey = QStringLiteral("modifier");
const QString baseIngredientKey = QStringLiteral("baseIngredient");
const QString indexKey = QStringLiteral("index");
const QString recipeKey = QStringLiteral("recipe");

constexpr Range noRange { Range::NotFound, 0 };

bool isMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return application && QThread::currentThread() == application->thread();
}

// The modifier words of the application, or the shipped list until launch has read them.
QStringList modifierWords()
{
    if (KitchoraServices* services = KitchoraServices::shared()) {
        QStringList modifiers = services->modifiersArray();
        if (!modifiers.isEmpty())
            return modifiers;
    }
    static const QStringList shipped = UnitsEngine::simpleMeasuresFromFile(QStringLiteral(":/modifiers.txt"));
    return shipped;
}

// What may not touch a piece rewritten without a remembered place: "1" is no piece of "1/2".
bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('/');
}

// Whether the text names `word` on its own ("milk" in "2 cups milk", not in "buttermilk"),
// allowing a plural ending after it.
bool containsWord(const QString& text, const QString& word)
{
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = text.indexOf(word, from, Qt::CaseInsensitive);
        if (at < 0)
            return false;
        qsizetype end = at + word.size();
        const QStringView after = QStringView(text).mid(end);
        if (after.startsWith(QLatin1String("es"), Qt::CaseInsensitive))
            end += 2;
        else if (after.startsWith(QLatin1Char('s'), Qt::CaseInsensitive))
            end += 1;
        const bool freeBefore = at == 0 || !text.at(at - 1).isLetter();
        if (freeBefore && (end >= text.size() || !text.at(end).isLetter()))
            return true;
        if (freeBefore && (at + word.size() >= text.size() || !text.at(at + word.size()).isLetter()))
            return true;
        from = at + 1;
    }
}

// The amount as kitchen text: a fraction up to eighths, else a decimal with at most two places.
// Empty when the value is zero or too small to show.
QString kitchenAmountText(const Decimal& value)
{
    if (!value.isValid() || value.isZero())
        return {};
    const QString fraction = RRFractionNumber::fractionNumberWithDouble(value.doubleValue()).stringValue();
    if (!fraction.isEmpty())
        return fraction;
    const Decimal rounded = value.decimalNumberByRoundingToScale(2);
    return rounded.isZero() ? QString() : rounded.stringValue();
}

} // namespace

void RecipeIngredientMO::awakeFromInsert()
{
    BaseMO::awakeFromInsert();
    m_updateFromSetterValues = false;
    m_foundModifiers.clear();
    forgetRanges();
    ManagedObjectContext* context = managedObjectContext();
    IngredientMO* ingredient = IngredientMO::defaultIngredientForContext(context);
    if (!ingredient) {
        KitchoraServices* services = KitchoraServices::shared();
        const bool mainContext = isMainThread() && services && services->managedObjectContext() == context;
        if (!mainContext)
            Log::logf(QStringLiteral("no default ingredient to add!\n"));
        return;
    }
    BaseMO::setValueForKey(QVariant::fromValue<ManagedObject*>(ingredient), baseIngredientKey);
}

void RecipeIngredientMO::awakeFromFetch()
{
    BaseMO::awakeFromFetch();
    m_foundModifiers.clear();
    forgetRanges();
}

void RecipeIngredientMO::didTurnIntoFault()
{
    m_foundModifiers.clear();
    forgetRanges();
    BaseMO::didTurnIntoFault();
}

void RecipeIngredientMO::setString(const QString& string)
{
    const QString trimmed = string.trimmed();
    storeDisplayString(trimmed);
    // The trimmed text: what follows the last word is no part of it, and the found stretches
    // are stretches of the stored line.
    setDependentAttributesFromDisplayString(trimmed);
}

QString RecipeIngredientMO::string() const
{
    return valueForKey(displayStringKey).toString();
}

QString RecipeIngredientMO::formattedString() const
{
    return attributedString().string();
}

AttributedString RecipeIngredientMO::attributedString() const
{
    const QString valueKeyPath
        = ConstantManager::defaultManager().constantForKey(RVValueConstantKey, KRIngredientConstantGroup);
    const QVariant index = valueForKey(indexKey);
    const QFont font = FontNames::fontWithName(RVDisplayFont, 12);
    const QString text = string();

    MutableAttributedString result;
    if (!text.isEmpty()) {
        RecipeBuildingAdditions::appendString(result, text,
            { { RVValueAttribute, valueKeyPath }, { RVIndexAttribute, index },
                { NSFontAttributeName, QVariant::fromValue(font) } });
        return result;
    }
    const ManagedObject* recipe = objectForKey(recipeKey);
    if (recipe && recipe->valueForKey(QStringLiteral("editing")).toBool()) {
        const QString placeholder = ConstantManager::defaultManager().constantForKey(
            RVPlaceholderConstantKey, KRIngredientConstantGroup);
        RecipeBuildingAdditions::appendPlaceholderString(result, placeholder, valueKeyPath, RVValueAttribute,
            font, QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3));
    }
    result.addAttribute(RVIndexAttribute, index, Range { 0, result.length() });
    return result;
}

void RecipeIngredientMO::setAttributedString(const AttributedString& string)
{
    if (string.string() == this->string())
        return;
    storeDisplayString(string.string().trimmed());
    setDependentAttributesFromAttributedDisplayString(string);
}

void RecipeIngredientMO::setDependentAttributesFromAttributedDisplayString(const AttributedString& string)
{
    if (string.length() == 0)
        return;
    const QVariant index = string.attributeAtIndex(RVIndexAttribute, 0);
    if (index.isValid() && !index.isNull())
        setIndex(index);
    setDependentAttributesFromDisplayString(string.string().trimmed());
}

void RecipeIngredientMO::setDependentAttributesFromDisplayString(const QString& line)
{
    forgetRanges();
    const std::shared_ptr<IngredientTrie> trie
        = IngredientTrie::ingredientTrieForContext(managedObjectContext());
    const IngredientLineParser parser(modifierWords(), UnitsEngine::defaultEngine().unitNames(),
        ParsingEngine::knownIngredientsOf(trie.get()));
    const IngredientLineParser::Result parsed = parser.parse(line);

    m_foundModifiers = parsed.modifiers;
    storeValue(parsed.modifiers.isEmpty() ? QVariant() : QVariant(parsed.modifier), modifierKey);
    if (parsed.ingredientKind == IngredientLineParser::IngredientKind::Known) {
        // The parser found it under this key a moment ago, so the trie answers the object.
        storeValue(QVariant::fromValue<ManagedObject*>(trie->ingredientObjectForKey(parsed.ingredientKey)),
            baseIngredientKey);
    }
    if (parsed.unitRange.location != Range::NotFound)
        storeValue(parsed.unit, measureKey);
    if (parsed.amountRange.location != Range::NotFound)
        storeValue(parsed.amount, amountKey);

    // A line that names no amount or unit any more has none: a stale one would scale and convert.
    if (parsed.amountRange.location == Range::NotFound && !isEmpty(primitiveValueForKey(amountKey)))
        storeValue(QVariant(), amountKey);
    if (parsed.unitRange.location == Range::NotFound && !isEmpty(primitiveValueForKey(measureKey)))
        storeValue(QVariant(), measureKey);

    if (parsed.ingredientKind != IngredientLineParser::IngredientKind::Known) {
        if (parsed.ingredientKind == IngredientLineParser::IngredientKind::Unnamed)
            Log::logf(QStringLiteral("adding \"unknown ingredient\" ingredient"));
        else
            Log::logf(QStringLiteral("adding new ingredient: %1"), parsed.ingredient);
        storeValue(QVariant::fromValue(BaseMOAdditions::findOrCreateManagedObjectForName(
                       parsed.ingredient, QStringLiteral("Ingredient"), managedObjectContext())),
            baseIngredientKey);
    }

    if (line == primitiveValueForKey(displayStringKey).toString()) {
        m_amountRange = parsed.amountRange;
        m_measureRange = parsed.unitRange;
        m_modifierRange = parsed.modifierRange;
    }

    if (UserDefaults::standardUserDefaults().boolForKey(KRConvertUnitsToDefaultMeasurementSystem))
        convertToDefaultMeasurementSystemIfNeeded();
}

QString RecipeIngredientMO::amount() const
{
    return valueForKey(amountKey).toString();
}

QString RecipeIngredientMO::measure() const
{
    return valueForKey(measureKey).toString();
}

QString RecipeIngredientMO::modifier() const
{
    return valueForKey(modifierKey).toString();
}

IngredientMO* RecipeIngredientMO::baseIngredient() const
{
    return dynamic_cast<IngredientMO*>(objectForKey(baseIngredientKey));
}

void RecipeIngredientMO::setAmount(const QVariant& amount)
{
    if (m_updateFromSetterValues) {
        const QString old = primitiveValueForKey(amountKey).toString();
        if (!old.isEmpty()) {
            const Range at = locateInDisplayString(m_amountRange, old, Qt::CaseSensitive);
            if (at.location != Range::NotFound) {
                replaceInDisplayString(at, amount.toString());
                m_amountRange = { at.location, amount.toString().size() };
            }
        }
    }
    storeValue(amount, amountKey);
}

void RecipeIngredientMO::setMeasure(const QVariant& measure)
{
    const QString trimmed = measure.toString().trimmed();
    if (m_updateFromSetterValues) {
        UnitsEngine& units = UnitsEngine::defaultEngine();
        const MeasurementUnitPtr oldUnit = units.unitForName(primitiveValueForKey(measureKey).toString());
        if (oldUnit) {
            const QString line = string();
            Range at = noRange;
            if (m_measureRange.location != Range::NotFound && maxRange(m_measureRange) <= line.size()
                && units.unitForName(line.mid(m_measureRange.location, m_measureRange.length)) == oldUnit)
                at = m_measureRange;
            else {
                // Longest names first, so "cups" goes whole rather than as "cup" and a stray "s".
                for (const QString& name : ParsingEngine::unitNamesInString(line)) {
                    if (units.unitForName(name) != oldUnit)
                        continue;
                    at = locateInDisplayString(noRange, name, Qt::CaseSensitive);
                    if (at.location != Range::NotFound)
                        break;
                }
            }
            if (at.location != Range::NotFound) {
                replaceInDisplayString(at, trimmed);
                m_measureRange = { at.location, trimmed.size() };
            }
        }
    }
    storeValue(measure.isNull() ? QVariant() : QVariant(trimmed), measureKey);
}

void RecipeIngredientMO::setModifier(const QVariant& modifier)
{
    if (m_updateFromSetterValues) {
        const QString old = primitiveValueForKey(modifierKey).toString();
        if (!old.isEmpty()) {
            const Range at = locateInDisplayString(m_modifierRange, old, Qt::CaseSensitive);
            if (at.location != Range::NotFound) {
                replaceInDisplayString(at, modifier.toString());
                m_modifierRange = { at.location, modifier.toString().size() };
            }
        }
    }
    storeValue(modifier, modifierKey);
}

void RecipeIngredientMO::setBaseIngredient(const QVariant& ingredient)
{
    ManagedObject* object = nullptr;
    if (ingredient.typeId() == QMetaType::QString)
        object = BaseMOAdditions::findOrCreateManagedObjectForName(
            ingredient.toString(), QStringLiteral("Ingredient"), managedObjectContext());
    else
        object = dynamic_cast<ManagedObject*>(KeyValueCoding::fromVariant(ingredient));
    auto* newIngredient = dynamic_cast<IngredientMO*>(object);
    if (m_updateFromSetterValues && newIngredient) {
        const QString line = string();
        const QString newName = newIngredient->name();
        const IngredientMO* current = baseIngredient();
        if (current && !newName.isEmpty() && !containsWord(line, newName)) {
            const QString oldName = current->name();
            // The line may hold the name without its plural ending, as the parser allows.
            QStringList spellings { oldName };
            if (oldName.endsWith(QLatin1String("es"), Qt::CaseInsensitive))
                spellings << oldName.chopped(2);
            else if (oldName.endsWith(QLatin1Char('s'), Qt::CaseInsensitive))
                spellings << oldName.chopped(1);
            for (const QString& spelling : spellings) {
                if (spelling.isEmpty())
                    continue;
                const qsizetype at = line.indexOf(spelling, 0, Qt::CaseInsensitive);
                if (at < 0)
                    continue;
                // A plural ending after the old name goes with it: "walnuts" becomes "pecans",
                // not "pecanss".
                qsizetype length = spelling.size();
                const QStringView after = QStringView(line).mid(at + length);
                if (after.startsWith(QLatin1String("es"), Qt::CaseInsensitive)
                    && (after.size() == 2 || !after.at(2).isLetter()))
                    length += 2;
                else if (after.startsWith(QLatin1Char('s'), Qt::CaseInsensitive)
                    && (after.size() == 1 || !after.at(1).isLetter()))
                    length += 1;
                replaceInDisplayString({ at, length }, newName);
                break;
            }
        }
    }
    storeValue(QVariant::fromValue(object), baseIngredientKey);
}

void RecipeIngredientMO::setIndex(const QVariant& index)
{
    storeValue(index, indexKey);
}

Decimal RecipeIngredientMO::decimalAmount() const
{
    return BaseMOAdditions::amountForKey(this, amountKey);
}

MeasurementUnitPtr RecipeIngredientMO::unitForMeasure() const
{
    return BaseMOAdditions::unitForKey(this, measureKey);
}

void RecipeIngredientMO::convertToDefaultMeasurementSystemIfNeeded()
{
    m_updateFromSetterValues = true;
    UnitsEngine& units = UnitsEngine::defaultEngine();
    const MeasurementUnitPtr unit = unitForMeasure();
    if (unit && units.shouldConvertUnitToDefaultMeasurementSystem(unit.get())) {
        const MeasurementUnitPtr target = units.unitOfDefaultMeasurementSystemForUnit(unit);
        if (target && target != unit && unit->canConvertToUnit(target.get())) {
            const std::optional<Decimal> converted = unit->convertAmount(decimalAmount(), target.get());
            if (converted && converted->isValid()) {
                setAmount(AmountFinding::stringForDecimalAmount(*converted));
                setMeasure(target->preferredDisplayName());
            }
        }
    }
    m_updateFromSetterValues = false;
}

void RecipeIngredientMO::scaleByFactor(const Decimal& factor)
{
    if (factor.isZero() || !factor.isValid())
        return;
    const QString text = kitchenAmountText(decimalAmount().decimalNumberByMultiplyingBy(factor));
    if (!text.isEmpty()) {
        m_updateFromSetterValues = true;
        setAmount(text);
        m_updateFromSetterValues = false;
    }
    BaseMOAdditions::refreshDisplayString(this);
}

QString RecipeIngredientMO::constantGroupKey() const
{
    return KRIngredientConstantGroup;
}

QVariant RecipeIngredientMO::valueForKey(const QString& key) const
{
    if (const std::optional<QVariant> value = ItemRun::computedValueForKey(*this, key))
        return *value;
    return BaseMO::valueForKey(key);
}

void RecipeIngredientMO::setValueForKey(const QVariant& value, const QString& key)
{
    if (key == QLatin1String("attributedString"))
        setAttributedString(value.value<AttributedString>());
    else if (key == QLatin1String("string"))
        setString(value.toString());
    else if (key == amountKey)
        setAmount(value);
    else if (key == measureKey)
        setMeasure(value);
    else if (key == modifierKey)
        setModifier(value);
    else if (key == baseIngredientKey)
        setBaseIngredient(value);
    else if (key == indexKey)
        setIndex(value);
    else
        BaseMO::setValueForKey(value, key);
}

QStringList RecipeIngredientMO::keyPathsForValuesAffectingValueForKey(const QString& key) const
{
    QStringList keys = BaseMO::keyPathsForValuesAffectingValueForKey(key);
    if (key == QLatin1String("attributedString"))
        keys << measureKey << amountKey << indexKey << modifierKey << baseIngredientKey << displayStringKey;
    return keys;
}

void RecipeIngredientMO::storeValue(const QVariant& value, const QString& key)
{
    if (key == baseIngredientKey) {
        // Relationships go through the managed object so that the inverse follows.
        BaseMO::setValueForKey(value, key);
        return;
    }
    willChangeValueForKey(key);
    setPrimitiveValue(value, key);
    didChangeValueForKey(key);
}

void RecipeIngredientMO::storeDisplayString(const QString& text)
{
    storeValue(text, displayStringKey);
}

void RecipeIngredientMO::replaceInDisplayString(Range range, const QString& replacement)
{
    QString line = string();
    if (range.location == Range::NotFound || maxRange(range) > line.size())
        return;
    line.replace(range.location, range.length, replacement);
    const qsizetype delta = replacement.size() - range.length;
    for (Range* remembered : { &m_amountRange, &m_measureRange, &m_modifierRange }) {
        if (remembered->location == Range::NotFound || *remembered == range)
            continue;
        if (remembered->location >= maxRange(range))
            remembered->location += delta;
        else if (maxRange(*remembered) > range.location)
            *remembered = noRange; // overlapped: no longer known
    }
    storeDisplayString(line);
}

Range RecipeIngredientMO::locateInDisplayString(
    Range remembered, const QString& text, Qt::CaseSensitivity cs) const
{
    const QString line = string();
    if (remembered.location != Range::NotFound && maxRange(remembered) <= line.size()
        && QStringView(line).mid(remembered.location, remembered.length).compare(text, cs) == 0)
        return remembered;
    if (text.isEmpty())
        return noRange;
    qsizetype from = 0;
    for (;;) {
        const qsizetype at = line.indexOf(text, from, cs);
        if (at < 0)
            return noRange;
        const qsizetype end = at + text.size();
        const bool freeBefore = at == 0 || !isWordCharacter(line.at(at - 1));
        const bool freeAfter = end >= line.size() || !isWordCharacter(line.at(end));
        if (freeBefore && freeAfter)
            return { at, text.size() };
        from = at + 1;
    }
}

void RecipeIngredientMO::forgetRanges()
{
    m_amountRange = noRange;
    m_measureRange = noRange;
    m_modifierRange = noRange;
}
