// The delegate's rules of RecipeEditingModel: selection, text changes, commands, field
// navigation, items added, removed and joined, completion and hover rectangles.
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "IsEmpty.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "RecipeCardAttributes.h"
#include "RecipeEditingModel.h"
#include "RecipeMO.h"
#include "RecipeTextLayout.h"

#include <QColor>

namespace
{

bool overlaps(Range a, Range b)
{
    return intersection(a, b).length > 0;
}

QString valueConstantOf(const QString& groupKey)
{
    return ConstantManager::defaultManager().constantForKey(RVValueConstantKey, groupKey);
}

// Typed text that starts with a symbol or punctuation ("(", "-", "½"...) never asks for completion.
bool blocksCompletion(QChar first)
{
    return first.isSymbol() || first.isPunct();
}

} // namespace

Range RecipeEditingModel::willChangeSelection(Range oldRange, Range proposed)
{
    if (proposed != Range { m_nextInsertionIndex, 0 } && m_hooks.stopCompletionTimer)
        m_hooks.stopCompletionTimer();
    if (!m_isEditing)
        return proposed;

    const Range e = m_editRange;
    const qsizetype end = maxRange(e);
    const qsizetype length = m_text.length();
    Range result = proposed;
    const bool oldOutside = oldRange.location < e.location || oldRange.location >= end + 2;
    const bool oldOutsideByOne = oldRange.location < e.location || oldRange.location >= end + 1;
    const bool proposedStartsInside = e.location <= proposed.location && proposed.location < end;
    if ((!overlaps(oldRange, e) && oldOutside && maxRange(proposed) != end)
        || (proposedStartsInside && oldOutsideByOne)) {
        result = e;
    } else if (e != Range {} && length > 0 && e.location < length && hasPlaceholderAt(e.location)) {
        m_text.attributeAtIndexLongestEffectiveRange(
            RVPlaceholderAttribute, e.location, &result, { 0, length });
    } else {
        if (maxRange(result) > end) {
            if (result.location >= end)
                result = { end, 0 };
            else
                result.length = end - result.location;
        }
        if (result.location < e.location)
            result = { e.location, std::max<qsizetype>(0, maxRange(result) - e.location) };
    }
    if (maxRange(result) > length) {
        if (result.location >= length)
            result = {};
        else
            result.length = length - result.location;
    }
    return result;
}

bool RecipeEditingModel::shouldChangeText(Range range, const QString& replacement)
{
    if (!m_isEditing)
        return false;

    if (replacement.size() > range.length && !blocksCompletion(replacement.at(0))) {
        if (m_hooks.startCompletionTimer)
            m_hooks.startCompletionTimer();
        m_nextInsertionIndex = range.location + replacement.size();
    } else {
        if (m_hooks.stopCompletionTimer)
            m_hooks.stopCompletionTimer();
        m_nextInsertionIndex = Range::NotFound;
    }

    const Range e = m_editRange;
    const qsizetype end = maxRange(e);
    if (e.length > 0 && hasPlaceholderAt(e.location)) {
        if (replacement.isEmpty())
            return false;
        QVariantMap typing = m_text.attributesAtIndex(e.location);
        typing.remove(RVPlaceholderAttribute);
        typing.insert(NSForegroundColorAttributeName, QVariant::fromValue(QColor(Qt::black)));
        m_typingAttributes = typing;
        m_editRange = { range.location, replacement.size() };
        m_editRangeDidChange = true;
        editorChanged();
        return true;
    }
    if (locationInRange(range.location, e)) {
        if (replacement.isEmpty() && range.length == e.length) {
            insertPlaceholder(placeholderForValue(fieldAtIndex(e.location)), range);
            return false;
        }
        if (replacement.isEmpty())
            m_editRange.length = e.length - range.length;
        else
            m_editRange.length = e.length - intersection(range, e).length + replacement.size();
        if (range.location == e.location)
            m_typingAttributes = m_text.attributesAtIndex(range.location);
        m_editRangeDidChange = true;
        editorChanged();
        return true;
    }
    if (range.location == end) {
        if (replacement.isEmpty())
            return false;
        m_editRange.length += replacement.size();
        m_editRangeDidChange = true;
        editorChanged();
        return true;
    }
    if (range.location > end)
        return false;
    // Backspace at the start of the field.
    if (replacement.isEmpty())
        joinWithPreviousItem();
    return false;
}

void RecipeEditingModel::joinWithPreviousItem()
{
    const Range e = m_editRange;
    const QString value = fieldAtIndex(e.location);
    const QString listKey = listKeyForValue(value);
    if (listKey != QLatin1String("directions") && listKey != QLatin1String("notes"))
        return;
    const QVariant index = m_text.attributeAtIndex(RVIndexAttribute, e.location);
    if (index.isNull() || !index.isValid() || index.toULongLong() == 1 || e.location < 1)
        return;
    // The stretch before the field (possibly another value), then the run ending just before it.
    Range between;
    m_text.attributeAtIndexLongestEffectiveRange(
        RVValueAttribute, e.location - 1, &between, { 0, m_text.length() });
    if (between.location < 1)
        return;
    Range previous;
    const QString previousValue = fieldAtIndex(between.location - 1, &previous);
    if (previousValue.isEmpty())
        return;
    const QString text = m_text.string().mid(e.location, e.length);
    const QString joined = QStringLiteral(" %1").arg(text);
    const qsizetype at = maxRange(previous);
    applyChange({ at, 0 }, AttributedString(joined, m_text.attributesAtIndex(at - 1)));
    m_editRange.location += joined.size();
    backTab();
    writeCardToRecipe();
    if (m_recipe) {
        m_recipe->removeInstanceOfClass(classForListKey(listKey), index.toULongLong());
        reloadCard();
    }
    setSelectedRange(m_editRange);
}

bool RecipeEditingModel::doCommandBySelector(const QString& selector)
{
    const bool tabKey = selector == QLatin1String("insertTab:");
    const bool backtabKey = selector == QLatin1String("insertBacktab:");
    const bool deleteKey
        = selector == QLatin1String("deleteBackward:") || selector == QLatin1String("deleteForward:");
    if (m_isEditing) {
        if (selector == QLatin1String("moveToBeginningOfDocument:")
            || selector == QLatin1String("moveToEndOfDocument:"))
            return true;
        if (tabKey || backtabKey) {
            tabKey ? tab() : backTab();
            setIsEditing(true);
            return true;
        }
        if (selector == QLatin1String("insertNewline:")
            || selector == QLatin1String("insertNewlineIgnoringFieldEditor:")) {
            const QString listKey = listKeyForValue(fieldAtIndex(m_editRange.location));
            if (classForListKey(listKey).isEmpty())
                tab();
            else
                handleReturn();
            return true;
        }
        return false;
    }
    // Backspace deletes the whole recipe only while it is read, never from the editing page with
    // no field chosen.
    if (deleteKey && !m_editable) {
        if (m_hooks.deleteSelectedRecipe)
            m_hooks.deleteSelectedRecipe();
        return true;
    }
    if ((tabKey || backtabKey) && m_editable) {
        tabKey ? tab() : backTab();
        setIsEditing(true);
        return true;
    }
    return false;
}

bool RecipeEditingModel::tab()
{
    const qsizetype length = m_text.length();
    if (length == 0)
        return false;
    qsizetype at = maxRange(m_editRange);
    if (at >= length)
        at = 0;
    // Each pass moves past one run of at least one character: a card without a field ends.
    for (qsizetype pass = 0; pass <= length; ++pass) {
        Range run;
        if (!fieldAtIndex(at, &run).isEmpty()) {
            createEditorWithRange(run);
            setSelectedRange(run);
            return true;
        }
        at = maxRange(run) >= length ? 0 : maxRange(run);
    }
    return false;
}

bool RecipeEditingModel::backTab()
{
    const qsizetype length = m_text.length();
    if (length == 0)
        return false;
    qsizetype at = m_editRange.location == 0 ? length - 1 : std::min(m_editRange.location - 1, length - 1);
    for (qsizetype pass = 0; pass <= length; ++pass) {
        Range run;
        if (!fieldAtIndex(at, &run).isEmpty()) {
            createEditorWithRange(run);
            setSelectedRange(run);
            return true;
        }
        at = run.location == 0 ? length - 1 : run.location - 1;
    }
    return false;
}

void RecipeEditingModel::handleReturn()
{
    const qsizetype at = m_editRange.location;
    const QString value = fieldAtIndex(at);
    const QString className = classForListKey(listKeyForValue(value));
    if (className.isEmpty())
        return;
    const QVariant index = m_text.attributeAtIndex(RVIndexAttribute, at);
    if (index.isNull() || !index.isValid())
        return;
    addObjectForClass(className, index.toULongLong() + 1);
}

void RecipeEditingModel::addObjectForClass(const QString& className, const QVariant& index)
{
    if (index.isNull() || !index.isValid()) {
        Log::log(
            QStringLiteral("*** -[RecipeController addObjectForClass:withIndex:]: nil value for anIndex"));
        return;
    }
    if (!m_recipe)
        return;
    writeCardToRecipe();
    quint64 used = 0;
    m_recipe->addInstanceOfClass(className, index.toULongLong(), &used);
    reloadCard();
    for (qsizetype at = 0; at < m_text.length();) {
        Range run;
        const QString value = fieldAtIndex(at, &run);
        if (!value.isEmpty() && classForListKey(listKeyForValue(value)) == className
            && m_text.attributeAtIndex(RVIndexAttribute, at).toULongLong() == used) {
            createEditorWithRange(run);
            setSelectedRange(run);
            return;
        }
        at = maxRange(run);
    }
}

void RecipeEditingModel::plusMarker(ManagedObject* item, quint64 markerIndex)
{
    if (item)
        addObjectForClass(
            item->entity() ? item->entity()->managedObjectClassName() : QString(), markerIndex + 1);
}

void RecipeEditingModel::minusMarker(ManagedObject* item, quint64 markerIndex)
{
    if (!item || !m_recipe || !item->entity())
        return;
    const QString className = item->entity()->managedObjectClassName();
    const QString editedListKey = listKeyForValue(fieldAtIndex(m_editRange.location));
    const quint64 n = m_text.attributeAtIndex(RVIndexAttribute, m_editRange.location).toULongLong();
    const bool removingEdited = n == markerIndex && classForListKey(editedListKey) == className;
    if (removingEdited)
        backTab();
    writeCardToRecipe();
    QString listKey;
    RecipeMO::listForClass(className, &listKey, nullptr);
    const qsizetype countBefore = m_recipe->sortedItemsForKey(listKey).size();
    m_recipe->removeInstanceOfClass(className, markerIndex);
    reloadCard();
    const QList<ManagedObject*> members = m_recipe->sortedItemsForKey(editedListKey);
    const bool recreated = markerIndex == 1 && countBefore == 1;
    if (recreated) {
        if (removingEdited && !members.isEmpty())
            selectRepresentedTextForManagedObject(members.first());
    } else if (!classForListKey(editedListKey).isEmpty() && !members.isEmpty()) {
        const quint64 limit = removingEdited ? quint64(members.size()) : markerIndex;
        const qsizetype position = limit < n ? qsizetype(n) - 2 : qsizetype(n) - 1;
        if (position >= 0 && position < members.size())
            selectRepresentedTextForManagedObject(members.at(position));
    }
    setSelectedRange(m_editRange);
}

Range RecipeEditingModel::rangeOfRepresentedTextForManagedObject(const ManagedObject* object) const
{
    if (!object || !object->entity())
        return { Range::NotFound, 0 };
    const QString className = object->entity()->managedObjectClassName();
    const quint64 index = object->valueForKey(QStringLiteral("index")).toULongLong();
    // An item's run is the value run of its list with its number: its text may repeat elsewhere.
    for (qsizetype at = 0; at < m_text.length();) {
        Range run;
        const QString value = fieldAtIndex(at, &run);
        if (!value.isEmpty() && classForListKey(listKeyForValue(value)) == className
            && m_text.attributeAtIndex(RVIndexAttribute, at).toULongLong() == index)
            return run;
        at = maxRange(run);
    }
    return { Range::NotFound, 0 };
}

void RecipeEditingModel::selectRepresentedTextForManagedObject(const ManagedObject* object)
{
    const Range found = rangeOfRepresentedTextForManagedObject(object);
    if (found.location != Range::NotFound)
        setEditRange(found);
}

std::optional<QStringList> RecipeEditingModel::completionsForPartialWordRange(
    Range partialWordRange, const QStringList& proposedWords) const
{
    const qsizetype length = m_text.length();
    if (length == 0)
        return std::nullopt;
    const qsizetype last = std::clamp<qsizetype>(maxRange(partialWordRange) - 1, 0, length - 1);
    const QString value = fieldAtIndex(last);
    if (value.isEmpty())
        return std::nullopt;
    const qsizetype dot = value.lastIndexOf(u'.');
    const QString field = dot < 0 ? value : value.left(dot);

    const EntityDescription* entity = nullptr;
    bool fromModel = false;
    if (field == QLatin1String("baseIngredient")) {
        const quint64 index = m_text.attributeAtIndex(RVIndexAttribute, last).toULongLong();
        if (m_recipe)
            for (ManagedObject* line : m_recipe->sortedItemsForKey(QStringLiteral("ingredients")))
                if (line->valueForKey(QStringLiteral("index")).toULongLong() == index) {
                    if (const ManagedObject* base = line->objectForKey(QStringLiteral("baseIngredient")))
                        entity = base->entity();
                    break;
                }
        fromModel = true;
    } else if (m_recipe) {
        const QVariant current = m_recipe->valueForKeyPath(field);
        if (auto* object = current.value<ManagedObject*>())
            entity = object->entity();
        else if (!isEmpty(current))
            return std::nullopt;
        else if (field == QLatin1String("category") || field == QLatin1String("kitchen")
            || field == QLatin1String("cuisine")) {
            QString name = field;
            name[0] = name.at(0).toUpper();
            entity = EntityDescription::entityForName(name, m_recipe->managedObjectContext());
        } else
            return std::nullopt;
        fromModel = true;
    }
    if (!fromModel)
        return std::nullopt;

    std::optional<QStringList> words;
    const QString entityName = entity ? entity->name() : QString();
    static const QStringList known { QStringLiteral("Cuisine"), QStringLiteral("Category"),
        QStringLiteral("Kitchen"), QStringLiteral("Ingredient") };
    if (known.contains(entityName)) {
        if (m_hooks.completions)
            words = m_hooks.completions(
                m_text.string().mid(partialWordRange.location, partialWordRange.length), entity);
    } else
        words = proposedWords;
    if (!words || words->size() < 2)
        return std::nullopt;
    return words;
}

QList<Range> RecipeEditingModel::hoverRanges() const
{
    QList<Range> ranges;
    static const QStringList groups { KRYieldConstantGroup, KRKitchenConstantGroup, KRCuisineConstantGroup,
        KRCategoryConstantGroup, KRIngredientConstantGroup };
    QStringList hoverValues;
    for (const QString& group : groups)
        hoverValues.append(valueConstantOf(group));
    for (qsizetype at = 0; at < m_text.length();) {
        Range run;
        const QString value = fieldAtIndex(at, &run);
        at = maxRange(run);
        if (value.isEmpty() || !hoverValues.contains(value))
            continue;
        Range range = run;
        const qsizetype labelAt = run.location < 2 ? run.location : run.location - 2;
        Range label;
        const QVariant labelValue = m_text.attributeAtIndexLongestEffectiveRange(
            RVLabelAttribute, labelAt, &label, { 0, m_text.length() });
        if (!isEmpty(labelValue)) {
            const qsizetype start = std::min(label.location, run.location);
            range = { start, std::max(maxRange(label), maxRange(run)) - start };
        }
        ranges.append(range);
    }
    return ranges;
}

std::optional<QList<QRectF>> RecipeEditingModel::generateTrackingRects() const
{
    if (m_text.length() == 0 || !m_layout)
        return std::nullopt;
    QList<QRectF> rects;
    for (const Range range : hoverRanges())
        rects.append(m_layout->boundingRectForRange(range).adjusted(0, 0, 11.0, 0));
    return rects;
}

void RecipeEditingModel::clickedOnCellAtIndex(qsizetype index)
{
    if (index < 0 || index >= m_text.length())
        return;
    const QString name = m_text.attributeAtIndex(RVPlaceholderAttribute, index).toString();
    if (name.isEmpty())
        return;
    qsizetype from = std::max<qsizetype>(0, index - 1);
    if (!m_editable && m_hooks.edit) {
        // Entering edit mode shows the card again, with placeholders: the button's list is
        // then the first run of that field.
        m_hooks.edit();
        from = 0;
    }
    for (qsizetype at = from; at < m_text.length();) {
        Range run;
        const QString value = fieldAtIndex(at, &run);
        if (value == name) {
            setEditRange(run);
            setIsEditing(true);
            setSelectedRange(run);
            return;
        }
        at = maxRange(run);
    }
}
