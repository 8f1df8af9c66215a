#include "VRCManagedObjectReader.h"

#include "BLStringUtilities.h"
#include "BaseMOAdditions.h"
#include "EntityDescription.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "IsEmpty.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ParsingEngine.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QThread>
#include <limits>
#include <mutex>

using BLStringUtilities::viewByTrimmingWhitespaceAndNewlines;

namespace
{

const QString ingredientsKey = QStringLiteral("ingredients");
const QString directionsKey = QStringLiteral("directions");
const QString notesKey = QStringLiteral("notes");

QVariant objectVariant(ManagedObject* object)
{
    return object ? QVariant::fromValue(object) : QVariant();
}

QString untitledRecipe()
{
    return QCoreApplication::translate("Kitchora", "Untitled Recipe");
}

// The leading integer of a text, as a 64-bit online identifier is read: "12abc" is 12, "x" is 0.
qint64 longLongValue(QStringView text)
{
    text = viewByTrimmingWhitespaceAndNewlines(text);
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    quint64 value = 0;
    constexpr quint64 limit = quint64(std::numeric_limits<qint64>::max());
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + quint64(text.at(i).unicode() - u'0');
        if (value > limit) {
            value = limit;
            break;
        }
    }
    return negative ? -qint64(value) : qint64(value);
}

// The leading decimal number of a text ("1.5 beta" is 1.5); nothing when it starts with none.
std::optional<double> leadingNumber(const QString& text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*[+-]?(\\d+\\.?\\d*|\\.\\d+)"));
    const QRegularExpressionMatch match = number.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = match.captured(0).trimmed().toDouble(&ok);
    return ok ? std::optional<double>(value) : std::nullopt;
}

// Where `name` followed by one space starts a word of text, ignoring case; -1 when nowhere.
qsizetype wordFollowedBySpace(const QString& text, const QString& name, qsizetype from = 0)
{
    const QString pattern = name + u' ';
    for (qsizetype at = text.indexOf(pattern, from, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(pattern, at + 1, Qt::CaseInsensitive)) {
        if (at == 0 || !text.at(at - 1).isLetterOrNumber())
            return at;
    }
    return -1;
}

// Unit lookups share the engine with the main thread: every read and addition holds its lock.
MeasurementUnitPtr unitNamed(const QString& text)
{
    UnitsEngine& engine = UnitsEngine::defaultEngine();
    std::lock_guard<UnitsEngine> guard(engine);
    return engine.unitForName(text);
}

QStringList unitNamesIn(const QString& text)
{
    UnitsEngine& engine = UnitsEngine::defaultEngine();
    std::lock_guard<UnitsEngine> guard(engine);
    return ParsingEngine::unitNamesInString(text);
}

// The display name of the unit the text names. A word no unit answers to becomes a unit for this
// run only: text from elsewhere must not add to the user's own units.
QString measureForText(const QString& text)
{
    UnitsEngine& engine = UnitsEngine::defaultEngine();
    std::lock_guard<UnitsEngine> guard(engine);
    MeasurementUnitPtr unit = engine.unitForName(text);
    if (!unit) {
        unit = MeasurementUnit::measurementUnitWithName(text);
        unit->setType(MeasurementUnit::TypeNone);
        unit->setCaseSensitive(false);
        unit->setTransient(true);
        engine.addUnit(unit);
    }
    return unit->preferredDisplayName();
}

bool isMainThread()
{
    const QCoreApplication* application = QCoreApplication::instance();
    return !application || QThread::currentThread() == application->thread();
}

} // namespace

VRCManagedObjectReader::VRCManagedObjectReader()
{
    QHash<QString, QString> tags = quickKeyTranslationTags();
    for (const QString& tag : { VRCCategoryTag, VRCCuisineTag, VRCKitchenTag })
        tags.remove(tag);
    setQuickKeyTranslationTags(tags);
}

VRCManagedObjectReader::VRCManagedObjectReader(const QString& string)
    : VRCManagedObjectReader()
{
    setString(string);
}

QList<RecipeMO*> VRCManagedObjectReader::setOfManagedObjectsInContext(ManagedObjectContext* context)
{
    const quint64 limit = m_batchLimit;
    m_batchLimit = 0;
    QList<RecipeMO*> recipes = setOfManagedObjectsInContext(context, nullptr, nullptr);
    m_batchLimit = limit;
    return recipes;
}

QList<RecipeMO*> VRCManagedObjectReader::setOfManagedObjectsInContext(
    ManagedObjectContext* context, quint64* countProcessed, QString* leftOverString)
{
    if (countProcessed)
        *countProcessed = 0;
    if (leftOverString)
        *leftOverString = QString();
    if (!context) {
        Log::log(QStringLiteral("VRCManagedObjectReader: no context to read into"));
        return {};
    }
    m_context = context;
    m_trie.reset();
    m_namedObjects.clear();

    const WorkingLines working = workingLines(string());
    const auto trimmedAt = [&](qsizetype i) { return viewByTrimmingWhitespaceAndNewlines(working.line(i)); };
    const auto nextUsedLine = [&](qsizetype from) -> qsizetype {
        for (qsizetype j = from; j < working.count(); ++j) {
            const QStringView trimmed = trimmedAt(j);
            if (!trimmed.isEmpty() && !trimmed.startsWith(u'#'))
                return j;
        }
        return -1;
    };

    QList<RecipeMO*> recipes;
    quint64 count = 0;
    RecipeMO* open = nullptr;
    qsizetype lastEnd = -1;
    bool stoppedByLimit = false;
    bool reportedOutside = false;

    for (qsizetype i = 0; i < working.count(); ++i) {
        const QStringView trimmed = trimmedAt(i);
        if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
            continue;
        if (trimmed.startsWith(VRCBeginTag)) {
            if (open)
                discardRecipe(open, QStringLiteral("BEGIN in line %1 while a card is open").arg(i + 1));
            open = beginRecipe();
            reportedOutside = false;
            continue;
        }
        if (trimmed.startsWith(VRCEndTag)) {
            if (!open) {
                Log::log(QStringLiteral("VRCManagedObjectReader: END in line %1 closes no card; ignored")
                             .arg(i + 1));
                continue;
            }
            completeRecipe(open);
            recipes.append(open);
            ++count;
            open = nullptr;
            lastEnd = i;
            if (m_batchLimit != 0 && count >= m_batchLimit) {
                stoppedByLimit = true;
                break;
            }
            continue;
        }

        const qsizetype first = i;
        QString line;
        if (hasStartMarker(trimmed)) {
            line = multilineValue(working, i);
        } else {
            line = trimmed.toString();
            // A value that held line breaks was written over several lines; the lines that follow
            // without a tag belong to it.
            for (qsizetype next = nextUsedLine(i + 1); next >= 0 && !beginsWithTag(trimmedAt(next));
                 next = nextUsedLine(i + 1)) {
                Log::log(QStringLiteral("VRCManagedObjectReader: correcting implicit multiline item"));
                line += u'\n';
                line += trimmedAt(next);
                i = next;
            }
        }
        if (!open) {
            if (!reportedOutside)
                Log::log(
                    QStringLiteral("VRCManagedObjectReader: text outside a card is ignored, from line %1")
                        .arg(first + 1));
            reportedOutside = true;
            continue;
        }
        parseLine(line, open);
    }
    if (open)
        discardRecipe(open, QStringLiteral("the text ends inside a card"));

    if (leftOverString && stoppedByLimit) {
        const qsizetype rest = nextUsedLine(lastEnd + 1);
        if (rest >= 0)
            *leftOverString = working.remainderFrom(rest);
    }

    if (!isMainThread()) {
        Error error;
        if (!context->save(&error)) {
            Log::log(QStringLiteral("Error while saving in %1: %2")
                         .arg(QStringLiteral("setOfManagedObjectsInContext:countProcessed:leftOverString:"),
                             error.localizedDescription));
            KitchoraServices::presentErrorOnMainThread(error);
        }
    }

    m_trie.reset();
    m_namedObjects.clear();
    m_context = nullptr;
    if (countProcessed)
        *countProcessed = count;
    return recipes;
}

RecipeMO* VRCManagedObjectReader::beginRecipe()
{
    RecipeMO* recipe = RecipeMO::insertNewRecipeWithoutPlaceholderItems(m_context);
    if (!recipe) {
        Log::log(QStringLiteral("VRCManagedObjectReader: the context makes no recipes; card skipped"));
        return nullptr;
    }
    recipe->clearDefaults();
    return recipe;
}

void VRCManagedObjectReader::completeRecipe(RecipeMO* recipe)
{
    const std::pair<QString, QString> lists[] = {
        { QStringLiteral("RecipeIngredientMO"), ingredientsKey },
        { QStringLiteral("DirectionMO"), directionsKey },
        { QStringLiteral("NoteMO"), notesKey },
    };
    for (const auto& [className, key] : lists) {
        if (recipe->objectsForKey(key).isEmpty())
            recipe->addInstanceOfClass(className, 1);
        else
            // Cards may number items with gaps, repeats or out of range; the list keeps its order
            // by index and becomes 1..n.
            recipe->recomputeIndexesForKey(key);
    }
    if (isEmpty(recipe->valueForKey(QStringLiteral("name"))))
        recipe->setValueForKey(untitledRecipe(), QStringLiteral("name"));
}

void VRCManagedObjectReader::discardRecipe(RecipeMO* recipe, const QString& why)
{
    Log::log(QStringLiteral("VRCManagedObjectReader: %1; the unfinished card \"%2\" is left out")
                 .arg(why, loggable(recipe->valueForKey(QStringLiteral("name")).toString())));
    recipe->deleteFromManagedObjectContext();
}

bool VRCManagedObjectReader::beginsWithTag(QStringView trimmedLine) const
{
    for (const QString& tag : allTags()) {
        if (trimmedLine.startsWith(tag))
            return true;
    }
    return false;
}

void VRCManagedObjectReader::parseLine(const QString& line, RecipeMO* recipe)
{
    if (!recipe)
        return;
    const auto [tag, value] = tagAndValue(line);
    if (tag == VRCOnlineIDTag) {
        recipe->setValueForKey(longLongValue(value), QStringLiteral("onlineID"));
        recipe->setValueForKey(false, QStringLiteral("createdLocally"));
        return;
    }
    const auto key = quickKeyTranslationTags().constFind(tag);
    if (key != quickKeyTranslationTags().constEnd()) {
        if (*key == QLatin1String("rating")) {
            // The rating setter takes a number from 0 to 5; text that is none is left out.
            if (const std::optional<double> rating = leadingNumber(value))
                recipe->setValueForKey(*rating, *key);
            else if (!isEmpty(value))
                Log::log(
                    QStringLiteral("VRCManagedObjectReader: rating is no number: %1").arg(loggable(value)));
            return;
        }
        recipe->setValueForKey(isEmpty(value) ? QVariant() : QVariant(value), *key);
        return;
    }
    if (tag == VRCIngredientTag)
        parseIngredientLine(value, recipe);
    else if (tag == VRCDirectionTag)
        parseDirectionLine(value, recipe);
    else if (tag == VRCNoteTag)
        parseNoteLine(value, recipe);
    else if (tag == VRCCategoryTag)
        setCategoryName(value, recipe);
    else if (tag == VRCCuisineTag)
        setCuisineName(value, recipe);
    else if (tag == VRCKitchenTag)
        setKitchenName(value, recipe);
    else if (tag == VRCVersionTag) {
        const std::optional<double> version = leadingNumber(value);
        if (version.value_or(0) > leadingNumber(VRCMaxSupportedVersionString).value_or(0))
            Log::log(QStringLiteral("VRCManagedObjectReader: Unsupported VRC version!"));
    } else {
        Log::log(QStringLiteral("Unhandled tag: <%1> in line: %2").arg(loggable(tag), loggable(line)));
    }
}

void VRCManagedObjectReader::parseIngredientLine(const QString& value, RecipeMO* recipe)
{
    const qsizetype colon = value.indexOf(u':');
    const QStringList fields = colon < 0 ? QStringList { QString() } : value.mid(colon + 1).split(u';');
    if (fields.size() < 4) {
        Log::log(QStringLiteral("Bad ingredient line, too few pieces: %1").arg(loggable(value)));
        return;
    }
    const bool hasTail = fields.size() >= 5;
    const QString tail = hasTail ? fields.mid(4).join(u';') : QString();

    ManagedObject* line
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("RecipeIngredient"), m_context);
    if (!line)
        return;
    line->setValueForKey(integerValue(value.left(colon)), QStringLiteral("index"));

    const QString amount = isEmpty(fields.at(0)) ? QStringLiteral("") : fields.at(0);
    line->setValueForKey(amount, QStringLiteral("amount"));

    QString measureText = isEmpty(fields.at(1)) ? QString() : fields.at(1);
    if (measureText.isEmpty() && hasTail) {
        for (const QString& name : unitNamesIn(tail)) {
            const qsizetype at = wordFollowedBySpace(tail, name);
            if (at >= 0) {
                measureText = tail.mid(at, name.size());
                break;
            }
        }
    }
    QString measure = measureText.isEmpty() ? QStringLiteral("") : measureForText(measureText);

    const QString modifier = isEmpty(fields.at(2)) ? QStringLiteral("") : fields.at(2);
    line->setValueForKey(modifier, QStringLiteral("modifier"));

    ManagedObject* ingredient = nullptr;
    QString name = fields.at(3);
    if (!isEmpty(name) && !unitNamed(name)) {
        for (const QString& unitName : unitNamesIn(name)) {
            for (qsizetype at = wordFollowedBySpace(name, unitName); at >= 0;
                 at = wordFollowedBySpace(name, unitName, at)) {
                if (measure.isEmpty())
                    measure = name.mid(at, unitName.size());
                name.remove(at, unitName.size() + 1);
            }
        }
        name = BLStringUtilities::stringByTrimmingWhitespaceAndNewlines(name);
        if (!name.isEmpty())
            ingredient = ingredientNamed(name);
    }
    line->setValueForKey(measure, QStringLiteral("measure"));
    line->setValueForKey(objectVariant(ingredient), QStringLiteral("baseIngredient"));

    QString display = tail;
    if (!hasTail) {
        const QString ingredientName
            = ingredient ? ingredient->valueForKey(QStringLiteral("name")).toString() : QString();
        display = QStringLiteral("");
        for (const QString& part : { amount, measure, modifier, ingredientName }) {
            if (!part.isEmpty())
                display += part + u' ';
        }
    }
    line->setValueForKey(display, QStringLiteral("displayString"));
    if (UserDefaults::standardUserDefaults().boolForKey(KRConvertUnitsToDefaultMeasurementSystem)) {
        if (auto* ingredientLine = dynamic_cast<RecipeIngredientMO*>(line))
            ingredientLine->convertToDefaultMeasurementSystemIfNeeded();
    }
    line->setValueForKey(objectVariant(recipe), QStringLiteral("recipe"));
}

void VRCManagedObjectReader::parseDirectionLine(const QString& value, RecipeMO* recipe)
{
    addItem(QStringLiteral("Direction"), value, recipe);
}

void VRCManagedObjectReader::parseNoteLine(const QString& value, RecipeMO* recipe)
{
    addItem(QStringLiteral("Note"), value, recipe);
}

void VRCManagedObjectReader::addItem(const QString& entityName, const QString& value, RecipeMO* recipe)
{
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0) {
        Log::log(QStringLiteral("VRCManagedObjectReader: Bad %1 line, no index: %2")
                     .arg(entityName.toLower(), loggable(value)));
        return;
    }
    ManagedObject* item = EntityDescription::insertNewObjectForEntityForName(entityName, m_context);
    if (!item)
        return;
    item->setValueForKey(integerValue(value.left(colon)), QStringLiteral("index"));
    item->setValueForKey(value.mid(colon + 1), QStringLiteral("text"));
    item->setValueForKey(objectVariant(recipe), QStringLiteral("recipe"));
}

void VRCManagedObjectReader::setCategoryName(const QString& name, RecipeMO* recipe)
{
    setVocabularyName(name, QStringLiteral("Category"), QStringLiteral("category"), recipe);
}

void VRCManagedObjectReader::setCuisineName(const QString& name, RecipeMO* recipe)
{
    setVocabularyName(name, QStringLiteral("Cuisine"), QStringLiteral("cuisine"), recipe);
}

void VRCManagedObjectReader::setKitchenName(const QString& name, RecipeMO* recipe)
{
    setVocabularyName(name, QStringLiteral("Kitchen"), QStringLiteral("kitchen"), recipe);
}

void VRCManagedObjectReader::setVocabularyName(
    const QString& name, const QString& entityName, const QString& key, RecipeMO* recipe)
{
    ManagedObject* object = nullptr;
    if (!isEmpty(name)) {
        // A lookup is a fetch, and many cards share few names: each name is looked up once a read.
        ManagedObject*& known = m_namedObjects[entityName + u':' + name];
        if (!known)
            known = BaseMOAdditions::findOrCreateManagedObjectForName(name, entityName, m_context);
        object = known;
    }
    recipe->setValueForKey(objectVariant(object), key);
}

ManagedObject* VRCManagedObjectReader::ingredientNamed(const QString& name)
{
    if (!m_trie)
        m_trie = IngredientTrie::ingredientTrieForContext(m_context);
    if (!m_trie) {
        // Without a trie every lookup is a fetch; the names of this read are remembered.
        ManagedObject*& ingredient = m_namedObjects[QStringLiteral("Ingredient:") + name];
        if (!ingredient)
            ingredient = BaseMOAdditions::findOrCreateManagedObjectForName(
                name, QStringLiteral("Ingredient"), m_context);
        return ingredient;
    }
    if (!m_trie->containsIngredient(name))
        m_trie->addIngredient(name);
    return m_trie->ingredientObjectForKey(name);
}
