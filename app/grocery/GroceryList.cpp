#include "GroceryList.h"

#include "AmountFinding.h"
#include "DecimalAndFractionCharacters.h"
#include "FontNames.h"
#include "IngredientMO.h"
#include "IsEmpty.h"
#include "Log.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"

#include <QAction>
#include <QCoreApplication>
#include <QLocale>
#include <QSet>
#include <algorithm>
#include <cmath>

namespace
{

const QString kName = QStringLiteral("name");
const QString kDate = QStringLiteral("date");
const QString kItems = QStringLiteral("items");

QString localized(const char* text)
{
    return QCoreApplication::translate("GroceryList", text);
}

// The managed object a menu sender stands for: the sender itself, or the data of the QAction
// that sent the menu command.
ManagedObject* representedObject(const QVariant& sender)
{
    if (sender.metaType() == QMetaType::fromType<ManagedObject*>())
        return sender.value<ManagedObject*>();
    if (auto* action = qobject_cast<QAction*>(sender.value<QObject*>())) {
        const QVariant data = action->data();
        if (data.metaType() == QMetaType::fromType<ManagedObject*>())
            return data.value<ManagedObject*>();
    }
    return nullptr;
}

// A recipe's empty placeholder line stands for no ingredient.
bool isPlaceholderLine(const RecipeIngredientMO* line)
{
    return isEmpty(line->string());
}

QString itemNameForLine(const RecipeIngredientMO* line)
{
    const IngredientMO* ingredient = line->baseIngredient();
    QString name = ingredient ? ingredient->name() : QString();
    const QString modifier = line->modifier();
    if (!isEmpty(modifier))
        name += QStringLiteral(", ") + modifier;
    return name;
}

bool userHasIngredient(const RecipeIngredientMO* line)
{
    const IngredientMO* ingredient = line->baseIngredient();
    return ingredient && ingredient->haveIt();
}

// Amounts are written in plain decimal text that AmountFinding reads back: two places, or two
// significant digits for small amounts, never an exponent.
QString amountText(const Decimal& amount)
{
    if (!amount.isValid())
        return QString();
    int scale = 2;
    const Decimal magnitude
        = amount.isNegative() ? Decimal::zero().decimalNumberBySubtracting(amount) : amount;
    while (scale < 6 && !magnitude.isZero()
        && magnitude < Decimal::decimalNumberWithMantissa(1, 1 - scale, false))
        ++scale;
    return amount.decimalNumberByRoundingToScale(scale).descriptionWithLocale(QLocale());
}

// The unit groceries of this kind are bought in, when the line's unit converts to it.
void applyGroceryUnit(Decimal& amount, MeasurementUnitPtr& unit)
{
    if (!unit || unit->isGeneric())
        return;
    const MeasurementUnitPtr groceryUnit = UnitsEngine::defaultEngine().groceryListUnitForUnit(unit.get());
    if (!groceryUnit || !unit->canConvertToUnit(groceryUnit.get()))
        return;
    const std::optional<Decimal> converted = unit->convertAmount(amount, groceryUnit.get());
    if (!converted || !converted->isValid())
        return;
    amount = *converted;
    unit = groceryUnit;
}

bool writesUnit(const MeasurementUnitPtr& unit)
{
    return unit && !unit->isGeneric() && unit->name() != QLatin1String("measure");
}

// The label an item added to an existing list shows: the unit's first abbreviation, its display
// name or its name. A fluid ounce keeps its own label, so it reads back as a volume.
QString labelForAddedItem(const MeasurementUnit& unit)
{
    if (!unit.abbreviations().isEmpty())
        return unit.abbreviations().constFirst();
    const QString display = unit.preferredDisplayName();
    return display.isEmpty() ? unit.name() : display;
}

// The label of an item of a new list: the unit's shortest spelling. Of equally short ones, the
// unit's own order of name and abbreviations picks ("ml" before "cc", "oz" before "Oz").
QString labelForNewListItem(const MeasurementUnit& unit)
{
    QStringList names = unit.allNames();
    const QStringList ownOrder = QStringList { unit.name() } + unit.abbreviations();
    const auto rank = [&](const QString& name) {
        const qsizetype index = ownOrder.indexOf(name);
        return index < 0 ? ownOrder.size() : index;
    };
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        if (a.size() != b.size())
            return a.size() < b.size();
        return rank(a) < rank(b);
    });
    const QString shortest = names.value(0);
    return shortest.isEmpty() ? unit.preferredDisplayName() : shortest;
}

QString amountTextWithUnit(const Decimal& amount, const MeasurementUnitPtr& unit, const QString& label)
{
    if (writesUnit(unit))
        return amountText(amount) + QLatin1Char(' ') + label;
    return amount == Decimal::one() ? QString() : amountText(amount);
}

// An item's amount text split into its number ("1 1/2", "12.5") and its unit text ("cups").
struct ItemAmount {
    QString number;
    QString unitText;
};

ItemAmount splitItemAmount(const QString& amount)
{
    const auto& digits = DecimalAndFractionCharacters::decimalDigitAndFractionCharacterSet();
    const QString separator = QLocale().decimalPoint();
    qsizetype end = 0;
    while (end < amount.size()) {
        const QChar c = amount[end];
        const bool partOfNumber = digits.characterIsMember(c) || c.isSpace() || c == u'.' || c == u'/'
            || c == u'-' || QStringView(separator).contains(c);
        if (!partOfNumber)
            break;
        ++end;
    }
    return { amount.left(end).trimmed(), amount.mid(end).trimmed() };
}

// Units of a kind that converts (volumes, weights) merge with one another; any other unit only
// with itself, so a can never adds to a pinch.
bool unitsMerge(const MeasurementUnit& lineUnit, const MeasurementUnitPtr& itemUnit)
{
    if (!itemUnit)
        return false;
    if (&lineUnit == itemUnit.get())
        return true;
    const bool measurable
        = lineUnit.type() == MeasurementUnit::TypeVolume || lineUnit.type() == MeasurementUnit::TypeWeight;
    return measurable && !lineUnit.isGeneric() && lineUnit.canConvertToUnit(itemUnit.get());
}

QList<RecipeIngredientMO*> ingredientLines(const RecipeMO* recipe)
{
    QList<RecipeIngredientMO*> lines;
    for (ManagedObject* object : recipe->objectsForKey(QStringLiteral("ingredients"))) {
        if (auto* line = dynamic_cast<RecipeIngredientMO*>(object))
            lines.append(line);
    }
    std::stable_sort(
        lines.begin(), lines.end(), [](const RecipeIngredientMO* a, const RecipeIngredientMO* b) {
            return a->valueForKey(QStringLiteral("index")).toLongLong()
                < b->valueForKey(QStringLiteral("index")).toLongLong();
        });
    return lines;
}

} // namespace

GroceryList::GroceryList()
    : m_date(QDateTime::currentDateTime())
{
    // Files carry whole seconds; a list reads back as it was made.
    m_date.setTime(QTime(m_date.time().hour(), m_date.time().minute(), m_date.time().second()));
    m_name = QStringLiteral("%1 (%2)").arg(localized("Untitled Grocery List"), shortDateString(m_date));
}

GroceryList::GroceryList(const QString& name, const QDateTime& date, const QList<GroceryItem>& items)
    : m_name(name)
    , m_date(date)
    , m_items(items)
{
}

GroceryList::GroceryList(const QVariantMap& propertyList)
{
    const QVariant items = propertyList.value(kItems);
    if (items.typeId() == QMetaType::QVariantList) {
        for (const QVariant& item : items.toList()) {
            if (item.typeId() == QMetaType::QVariantMap)
                m_items.append(GroceryItem(item.toMap()));
        }
    }
    const QVariant name = propertyList.value(kName);
    if (name.typeId() == QMetaType::QString)
        m_name = name.toString();
    const QVariant date = propertyList.value(kDate);
    if (date.typeId() == QMetaType::QDateTime)
        m_date = date.toDateTime();
}

QVariantMap GroceryList::propertyListRepresentation() const
{
    QVariantMap dictionary;
    if (!m_name.isNull())
        dictionary.insert(kName, m_name);
    if (m_date.isValid())
        dictionary.insert(kDate, m_date);
    QVariantList items;
    items.reserve(m_items.size());
    for (const GroceryItem& item : m_items)
        items.append(item.propertyListRepresentation());
    dictionary.insert(kItems, items);
    return dictionary;
}

void GroceryList::setName(const QString& name)
{
    if (name == m_name && name.isNull() == m_name.isNull())
        return;
    m_name = name;
    emit nameChanged();
}

void GroceryList::setDate(const QDateTime& date)
{
    if (date == m_date)
        return;
    m_date = date;
    emit dateChanged();
}

void GroceryList::setItems(const QList<GroceryItem>& items)
{
    m_items = items;
    emit itemsChanged();
}

void GroceryList::addItem(const GroceryItem& item)
{
    m_items.append(item);
    emit itemsChanged();
}

void GroceryList::insertItem(qsizetype index, const GroceryItem& item)
{
    m_items.insert(std::clamp<qsizetype>(index, 0, m_items.size()), item);
    emit itemsChanged();
}

void GroceryList::replaceItem(qsizetype index, const GroceryItem& item)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items[index] = item;
    emit itemsChanged();
}

void GroceryList::removeItemAt(qsizetype index)
{
    if (index < 0 || index >= m_items.size())
        return;
    m_items.removeAt(index);
    emit itemsChanged();
}

void GroceryList::addRecipeIngredient(const RecipeIngredientMO* line, bool ignoreHaveIt)
{
    if (!line || isPlaceholderLine(line))
        return;
    if (!ignoreHaveIt && userHasIngredient(line))
        return;
    const QString name = itemNameForLine(line);
    Decimal amount = line->decimalAmount();
    MeasurementUnitPtr unit = line->unitForMeasure();
    if (!unit)
        unit = UnitsEngine::genericUnit();

    for (qsizetype i = 0; i < m_items.size(); ++i) {
        const GroceryItem& existing = m_items.at(i);
        if (existing.itemName() != name)
            continue;
        const ItemAmount parts = splitItemAmount(existing.amount());
        if (unit->isGeneric() && parts.unitText.isEmpty()) {
            // Plain counts add up too ("2" eggs and 3 eggs); an empty amount counts one.
            const Decimal count = parts.number.isEmpty()
                ? Decimal::one()
                : AmountFinding::amountDecimalNumberValue(parts.number);
            GroceryItem merged = existing;
            merged.setAmount(amountTextWithUnit(count.decimalNumberByAdding(amount), unit, QString()));
            replaceItem(i, merged);
            return;
        }
        const MeasurementUnitPtr existingUnit = UnitsEngine::defaultEngine().unitForName(parts.unitText);
        if (parts.number.isEmpty() || !unitsMerge(*unit, existingUnit))
            continue;
        Decimal quantity = AmountFinding::amountDecimalNumberValue(parts.number);
        const std::optional<Decimal> converted = unit->convertAmount(amount, existingUnit.get());
        if (converted && converted->isValid())
            quantity = quantity.decimalNumberByAdding(*converted);
        GroceryItem merged = existing;
        merged.setAmount(amountText(quantity) + QLatin1Char(' ') + labelForAddedItem(*existingUnit));
        replaceItem(i, merged);
        return;
    }

    GroceryItem item;
    item.setItemName(name);
    item.setIngredientManagedObject(line->baseIngredient());
    applyGroceryUnit(amount, unit);
    item.setAmount(amountTextWithUnit(amount, unit, writesUnit(unit) ? labelForAddedItem(*unit) : QString()));
    addItem(item);
}

void GroceryList::addRecipeIngredient(const QVariant& sender)
{
    const auto* line = dynamic_cast<const RecipeIngredientMO*>(representedObject(sender));
    if (!line) {
        Log::log(QStringLiteral("Unable to determine ingredient to add to grocery list"));
        return;
    }
    addRecipeIngredient(line, true);
}

void GroceryList::addRecipe(const QVariant& sender)
{
    const auto* recipe = dynamic_cast<const RecipeMO*>(representedObject(sender));
    if (!recipe) {
        Log::log(QStringLiteral("Unable to determine recipe to add to grocery list."));
        return;
    }
    for (const RecipeIngredientMO* line : ingredientLines(recipe))
        addRecipeIngredient(line, false);
}

std::unique_ptr<GroceryList> GroceryList::groceryListWithRecipes(const QList<RecipeMO*>& recipes)
{
    QList<RecipeIngredientMO*> lines;
    for (const RecipeMO* recipe : recipes) {
        if (!recipe)
            continue;
        for (RecipeIngredientMO* line : ingredientLines(recipe)) {
            if (!isPlaceholderLine(line))
                lines.append(line);
        }
    }
    if (lines.isEmpty())
        return nullptr;

    auto list = std::make_unique<GroceryList>();
    if (recipes.size() == 1) {
        list->m_name
            = localized("%1 Grocery List (%2)")
                  .arg(recipes.constFirst()->valueForKey(kName).toString(), shortDateString(list->m_date));
    }

    // What each line contributes, read once.
    struct Line {
        const RecipeIngredientMO* object;
        const IngredientMO* ingredient;
        QString modifier;
        Decimal amount;
        MeasurementUnitPtr unit;
        bool consumed = false;
    };
    std::vector<Line> entries;
    entries.reserve(static_cast<std::size_t>(lines.size()));
    for (const RecipeIngredientMO* line : lines) {
        const QString modifier = line->modifier();
        MeasurementUnitPtr unit = line->unitForMeasure();
        entries.push_back({ line, line->baseIngredient(), isEmpty(modifier) ? QString() : modifier,
            line->decimalAmount(), unit ? unit : UnitsEngine::genericUnit() });
    }

    QList<GroceryItem> items;
    for (std::size_t l = 0; l < entries.size(); ++l) {
        Line& first = entries[l];
        if (first.consumed || userHasIngredient(first.object))
            continue;
        first.consumed = true;
        Decimal sum = first.amount;
        MeasurementUnitPtr unit = first.unit;
        for (std::size_t m = l + 1; m < entries.size(); ++m) {
            Line& other = entries[m];
            if (other.consumed || other.ingredient != first.ingredient || other.modifier != first.modifier)
                continue;
            if (!other.unit->isEqualToString(unit->name()))
                continue;
            sum = sum.decimalNumberByAdding(other.amount);
            other.consumed = true;
        }
        applyGroceryUnit(sum, unit);
        GroceryItem item;
        item.setItemName(itemNameForLine(first.object));
        item.setIngredientManagedObject(first.ingredient);
        item.setAmount(
            amountTextWithUnit(sum, unit, writesUnit(unit) ? labelForNewListItem(*unit) : QString()));
        items.append(item);
    }
    list->m_items = items;
    return list;
}

MutableAttributedString GroceryList::attributedString() const
{
    MutableAttributedString text;
    text.appendAttributedString(AttributedString(m_name + QStringLiteral("\n\n"),
        { { NSFontAttributeName,
            QVariant::fromValue(FontNames::fontWithName(QStringLiteral("Helvetica"), 14)) } }));
    const QString header
        = localized("Amount") + QStringLiteral("\t\t\t\t") + localized("Item") + QStringLiteral("\n\n");
    text.appendAttributedString(AttributedString(header,
        { { NSFontAttributeName,
            QVariant::fromValue(FontNames::fontWithName(QStringLiteral("Helvetica-BoldOblique"), 12)) } }));
    QString lines;
    for (const GroceryItem& item : m_items) {
        if (item.haveIt())
            continue;
        const QString amount
            = item.amount().isEmpty() || item.amount() == localized("Amount") ? QString() : item.amount();
        // Names line up at the sixth tab stop; an amount longer than that column still gets one tab.
        qsizetype tabs = amount.size() > 25 ? 1 : (25 - amount.size() + 4) / 5;
        if (amount.size() == 5)
            ++tabs;
        lines += amount + QString(tabs, u'\t') + item.itemName() + QLatin1Char('\n');
    }
    lines += QLatin1Char('\n');
    text.appendAttributedString(AttributedString(lines));
    return text;
}

QString GroceryList::shortDateString(const QDateTime& date)
{
    return date.toLocalTime().toString(QStringLiteral("MM/dd"));
}
