#include "TaggedTextBlockImporter.h"

#include "ConstantManager.h"
#include "EntityDescription.h"
#include "IngredientTrie.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "RecipeCollection.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "RegexKitAdditions.h"

#include <QSet>

using namespace RegexKitAdditions;

namespace
{

const QString ingredientsKey = QStringLiteral("ingredients");
const QString directionsKey = QStringLiteral("directions");
const QString notesKey = QStringLiteral("notes");
const QString indexKey = QStringLiteral("index");
const QString recipeKey = QStringLiteral("recipe");
const QString textKey = QStringLiteral("text");

// ASCII double quote and the typographic marks that stand for one.
bool isQuoteCharacter(QChar c)
{
    switch (c.unicode()) {
    case 0x0022:
    case 0x02BA:
    case 0x02EE:
    case 0x02DD:
    case 0x030B:
    case 0x030F:
        return true;
    default:
        return false;
    }
}

bool isAlphanumeric(QChar c)
{
    return c.isLetterOrNumber() || c.isMark();
}

bool isLetter(QChar c)
{
    return c.isLetter() || c.isMark();
}

// Trimmed from both ends of an ingredient line: all but letters, digits, quote marks, ")", "."
// and ":", so bullets, dashes and an opening parenthesis go and "(optional)" keeps its end.
bool isIngredientTrimmingCharacter(QChar c)
{
    return !(isAlphanumeric(c) || isQuoteCharacter(c) || c == u')' || c == u'.' || c == u':');
}

bool isLineEnd(QChar c)
{
    switch (c.unicode()) {
    case u'\n':
    case u'\r':
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

bool isWhitespaceOrLineEnd(QChar c)
{
    return c.isSpace() || isLineEnd(c);
}

// One past the line end of the line holding `position` ("\r\n" is one line end).
qsizetype endOfLine(const QString& text, qsizetype position)
{
    qsizetype i = position;
    while (i < text.size() && !isLineEnd(text.at(i)))
        ++i;
    if (i == text.size())
        return i;
    if (text.at(i) == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
        return i + 2;
    return i + 1;
}

template <typename Predicate> QString trimmedBy(const QString& text, Predicate trims)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && trims(text.at(start)))
        ++start;
    while (end > start && trims(text.at(end - 1)))
        --end;
    return text.sliced(start, end - start);
}

QString withoutEnclosingQuotes(const QString& text)
{
    if (text.isEmpty() || !isQuoteCharacter(text.front()) || !isQuoteCharacter(text.back()))
        return text;
    return trimmedBy(text, isQuoteCharacter);
}

QString spacesForWhitespace(QString text)
{
    for (QChar& c : text) {
        if (isWhitespaceOrLineEnd(c))
            c = u' ';
    }
    return text;
}

QString singleSpaced(const QString& text)
{
    static const RKRegex runsOfSpaces(QStringLiteral(" {2,}"));
    if (!text.contains(QLatin1String("  ")))
        return text;
    return stringByMatching(text, runsOfSpaces, RKReplaceAll, QStringLiteral(" "));
}

// Each word (a run between spaces, tabs and line ends) with an initial capital, the rest lower.
QString capitalized(const QString& text)
{
    QString result = text;
    bool wordStart = true;
    for (QChar& c : result) {
        if (isWhitespaceOrLineEnd(c)) {
            wordStart = true;
            continue;
        }
        c = wordStart ? c.toUpper() : c.toLower();
        wordStart = false;
    }
    return result;
}

QVariant objectVariant(ManagedObject* object)
{
    return QVariant::fromValue(object);
}

// The items of a list are replaced, not kept beside the new ones: an item without its recipe
// would stay in the store for good.
void removeItems(RecipeMO* recipe, const QString& key)
{
    ManagedObjectContext* context = recipe->managedObjectContext();
    for (ManagedObject* item : recipe->objectsForKey(key)) {
        if (auto* base = dynamic_cast<BaseMO*>(item)) {
            base->deleteFromManagedObjectContext();
        } else {
            context->deleteObject(item);
            item->setValueForKey(QVariant(), recipeKey);
        }
    }
}

ManagedObject* insertItem(RecipeMO* recipe, const QString& entity, qint64 index)
{
    ManagedObject* item
        = EntityDescription::insertNewObjectForEntityForName(entity, recipe->managedObjectContext());
    if (!item)
        return nullptr;
    item->setValueForKey(index, indexKey);
    item->setValueForKey(objectVariant(recipe), recipeKey);
    return item;
}

// The first word of a line, as "^\w+" finds it; empty when the line starts with none.
QString firstWord(const QString& line)
{
    static const RKRegex word(QStringLiteral("^\\w+"));
    const Range range = rangeOfRegex(line, word);
    return range.location == Range::NotFound ? QString() : line.sliced(range.location, range.length);
}

bool startsKnownIngredient(const QString& word, ManagedObjectContext* context)
{
    if (word.isEmpty())
        return false;
    const std::shared_ptr<IngredientTrie> trie = IngredientTrie::ingredientTrieForContext(context);
    return trie && !trie->completionsFromString(word).isEmpty();
}

} // namespace

RecipeMO* TaggedTextBlockImporter::recipeFromTaggedTextBlocks(const QVariantMap& blocks)
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context) {
        Log::log(QStringLiteral("TaggedTextBlockImporter: no managed object context to import into"));
        return nullptr;
    }

    RecipeMO* recipe = nullptr;
    if (blocks.isEmpty()) {
        recipe = dynamic_cast<RecipeMO*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), context));
    } else {
        // Its lists start empty, as clearing the defaults would leave them.
        recipe = RecipeMO::insertNewRecipeWithoutPlaceholderItems(context);
        if (recipe)
            recipe->clearDefaults();
    }
    if (!recipe) {
        Log::log(QStringLiteral("TaggedTextBlockImporter: the model makes no recipe"));
        return nullptr;
    }

    const ConstantManager& constants = ConstantManager::defaultManager();
    for (auto it = blocks.constBegin(); it != blocks.constEnd(); ++it) {
        const QString& key = it.key();
        const QString group = constants.groupKeyForConstant(key);
        if (group.isEmpty() || it.value().typeId() != QMetaType::QString)
            continue;
        QString value = it.value().toString().trimmed();
        if (value.isEmpty())
            continue;
        value = withoutEnclosingQuotes(value);

        // The key goes in as it stands: the labels are the program's own words.
        const RKRegex label(QStringLiteral("((?i)(") + key + QStringLiteral(")(s|es)?:? +)|(^: ?)"));
        const Range labelRange = rangeOfRegex(value, label);
        if (labelRange.location == 0)
            value.remove(0, labelRange.length);

        if (group == KRIngredientConstantGroup) {
            setIngredientsInRecipe(recipe, value);
        } else if (group == KRDirectionConstantGroup) {
            setDirectionsInRecipe(recipe, value);
        } else if (group == KRNoteConstantGroup) {
            setNotesInRecipe(recipe, value);
        } else {
            QString attribute = constants.constantForKey(RVValueConstantKey, group);
            const qsizetype dot = attribute.lastIndexOf(u'.');
            if (dot >= 0)
                attribute.truncate(dot);
            if (attribute.isEmpty())
                continue;
            if (value == value.toUpper() || (attribute == QLatin1String("name") && value == value.toLower()))
                value = capitalized(value);
            recipe->setValueForKey(value, attribute);
        }
    }

    const struct {
        const QString& key;
        const char* entity;
    } lists[]
        = { { ingredientsKey, "RecipeIngredient" }, { directionsKey, "Direction" }, { notesKey, "Note" } };
    for (const auto& list : lists) {
        if (recipe->objectsForKey(list.key).isEmpty())
            insertItem(recipe, QString::fromLatin1(list.entity), 1);
    }

    ManagedObject* imported = services->importedCollection();
    if (imported)
        recipe->addCollectionsObject(imported);
    recipe->setValueForKey(true, QStringLiteral("changedSharing"));
    if (auto* collection = dynamic_cast<RecipeCollection*>(imported))
        collection->trimImportCollection();
    return recipe;
}

void TaggedTextBlockImporter::setIngredientsInRecipe(RecipeMO* recipe, const QString& block)
{
    if (!recipe || block.isEmpty())
        return;
    removeItems(recipe, ingredientsKey);
    qint64 index = 1;
    for (qsizetype position = 0; position < block.size();) {
        const qsizetype end = endOfLine(block, position);
        QString line = trimmedBy(block.sliced(position, end - position), isIngredientTrimmingCharacter);
        position = end;
        line = singleSpaced(spacesForWhitespace(withoutEnclosingQuotes(line)));
        if (line.isEmpty())
            continue;
        auto* ingredient = dynamic_cast<RecipeIngredientMO*>(
            insertItem(recipe, QStringLiteral("RecipeIngredient"), index));
        if (!ingredient)
            continue;
        ingredient->setString(line);
        ++index;
    }
}

void TaggedTextBlockImporter::setDirectionsInRecipe(RecipeMO* recipe, const QString& block)
{
    if (!recipe || block.isEmpty())
        return;
    removeItems(recipe, directionsKey);
    qint64 index = 1;
    qsizetype position = 0;
    while (position < block.size()) {
        qsizetype start = position;
        while (start < block.size() && !isLetter(block.at(start)))
            ++start;
        if (start == block.size())
            break;
        position = endOfLine(block, start);
        QString step = singleSpaced(spacesForWhitespace(block.sliced(start, position - start)).trimmed());

        while (position < block.size() && !step.endsWith(u'.')) {
            const qsizetype next = endOfLine(block, position);
            const QString line = block.sliced(position, next - position).trimmed();
            if (line.isEmpty())
                break;
            if (!line.front().isLower()
                && !startsKnownIngredient(firstWord(line), recipe->managedObjectContext()))
                break;
            step += u' ' + spacesForWhitespace(line);
            position = next;
        }

        if (step.isEmpty())
            continue;
        if (ManagedObject* direction = insertItem(recipe, QStringLiteral("Direction"), index)) {
            direction->setValueForKey(step, textKey);
            ++index;
        }
    }
}

void TaggedTextBlockImporter::setNotesInRecipe(RecipeMO* recipe, const QString& block)
{
    if (!recipe || block.isEmpty())
        return;
    removeItems(recipe, notesKey);
    qint64 index = 1;
    bool first = true;
    qsizetype position = 0;
    while (position < block.size()) {
        qsizetype start = position;
        while (start < block.size() && !isAlphanumeric(block.at(start)))
            ++start;
        if (start == block.size())
            break;
        position = endOfLine(block, start);
        QString note = spacesForWhitespace(block.sliced(start, position - start));

        if (first) {
            first = false;
            if (note.size() >= 6 && note.first(4).compare(QLatin1String("note"), Qt::CaseInsensitive) == 0) {
                note.remove(0, 4);
                if (note.startsWith(u's') || note.startsWith(u'S'))
                    note.remove(0, 1);
                if (note.size() > 1 && note.startsWith(u':'))
                    note.remove(0, 1);
                note = trimmedBy(note, [](QChar c) { return c == u' ' || c == u'\t'; });
            }
        }

        if (note.isEmpty())
            continue;
        if (ManagedObject* item = insertItem(recipe, QStringLiteral("Note"), index)) {
            item->setValueForKey(note, textKey);
            ++index;
        }
    }
}
