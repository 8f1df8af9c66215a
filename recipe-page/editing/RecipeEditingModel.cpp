#include "RecipeEditingModel.h"

#include "ConstantManager.h"
#include "IsEmpty.h"
#include "Log.h"
#include "RecipeCardAttributes.h"
#include "RecipeMO.h"
#include "RecipeTextLayout.h"
#include "UndoManager.h"

#include <QColor>

RecipeEditingModel::RecipeEditingModel() = default;

// --- text storage ---

void RecipeEditingModel::setCard(const AttributedString& card)
{
    const qsizetype oldLength = m_text.length();
    m_text = MutableAttributedString(card);
    if (m_hooks.textChanged)
        m_hooks.textChanged({ 0, oldLength }, m_text.length());
    if (maxRange(m_editRange) > m_text.length())
        setEditRange({});
    else if (m_editRange.length > 0) {
        // The field may have grown or shrunk with the new card: take its whole run again.
        Range run;
        if (!fieldAtIndex(m_editRange.location, &run).isEmpty())
            setEditRange(run);
    }
    setSelectedRange(m_selectedRange);
}

void RecipeEditingModel::reloadCard()
{
    if (!m_recipe)
        return;
    // Typing recorded against the old card would land in the wrong place.
    if (m_undoManager)
        m_undoManager->removeAllActions();
    setCard(m_recipe->attributedString());
}

bool RecipeEditingModel::setString(const AttributedString& card)
{
    if (card.length() == 0 && m_recipe)
        return false;
    setCard(card);
    return true;
}

void RecipeEditingModel::writeCardToRecipe()
{
    if (m_recipe)
        m_recipe->setAttributedString(m_text);
}

// --- view state ---

void RecipeEditingModel::setEditable(bool editable)
{
    m_editable = editable;
    if (!editable) {
        m_isEditing = false;
        m_editRange = {};
        setSelectedRange({});
        editorChanged();
        return;
    }
    setEditRange({});
    tab();
    setSelectedRange(m_editRange);
    setIsEditing(true);
}

void RecipeEditingModel::setIsEditing(bool editing)
{
    m_isEditing = editing;
    editorChanged();
}

void RecipeEditingModel::setEditRange(Range range)
{
    m_editRange = range;
    m_editRangeDidChange = true;
    editorChanged();
}

void RecipeEditingModel::editorChanged()
{
    if (m_hooks.editorChanged)
        m_hooks.editorChanged();
}

Range RecipeEditingModel::clippedSelection(Range range, qsizetype length, bool* corrected)
{
    if (corrected)
        *corrected = false;
    // A caret at the end, or a range that ends with the text, is a sound selection.
    if (range.location <= length && range.length <= length - range.location)
        return range;
    if (corrected)
        *corrected = range.location != length;
    if (range.location >= length)
        return { length, 0 };
    const qsizetype remaining = length - range.location;
    return { range.location, range.length == Range::NotFound ? 0 : std::min(range.length, remaining) };
}

void RecipeEditingModel::setSelectedRange(Range range)
{
    bool corrected = false;
    m_selectedRange = clippedSelection(range, m_text.length(), &corrected);
    if (corrected)
        Log::log(QStringLiteral("correcting out of range selection!"));
    updateTypingAttributes();
    if (m_hooks.selectionChanged)
        m_hooks.selectionChanged(m_selectedRange);
}

void RecipeEditingModel::changeSelection(Range proposed)
{
    const Range confined = selectionRangeForProposedRange(proposed);
    setSelectedRange(willChangeSelection(m_selectedRange, confined));
}

void RecipeEditingModel::updateTypingAttributes()
{
    if (m_text.length() == 0) {
        m_typingAttributes.clear();
        return;
    }
    // As a text view: the selection's first character, else the one before the caret.
    qsizetype at = m_selectedRange.location;
    if (m_selectedRange.length == 0 && at > 0)
        --at;
    m_typingAttributes = m_text.attributesAtIndex(std::min(at, m_text.length() - 1));
}

// --- user input ---

bool RecipeEditingModel::insertText(const QString& text)
{
    return replaceCharactersInRange(m_selectedRange, text);
}

bool RecipeEditingModel::replaceCharactersInRange(Range range, const QString& text)
{
    range = clippedSelection(range, m_text.length());
    const Range editRangeBefore = m_editRange;
    if (!shouldChangeText(range, text))
        return false;
    applyChange(range, AttributedString(text, m_typingAttributes), editRangeBefore);
    changeSelection({ range.location + text.size(), 0 });
    return true;
}

void RecipeEditingModel::applyChange(
    Range range, const AttributedString& replacement, std::optional<Range> editRangeBefore)
{
    range = clippedSelection(range, m_text.length());
    const AttributedString old = m_text.attributedSubstringFromRange(range);
    const Range oldEdit = editRangeBefore.value_or(m_editRange);
    const Range oldSelection = m_selectedRange;
    m_text.replaceCharactersInRange(range, replacement);
    if (m_hooks.textChanged)
        m_hooks.textChanged(range, replacement.length());
    if (m_undoManager) {
        const Range inserted { range.location, replacement.length() };
        m_undoManager->registerUndo([this, inserted, old, oldEdit, oldSelection] {
            applyChange(inserted, old);
            setEditRange(oldEdit);
            setSelectedRange(oldSelection);
        });
    }
}

void RecipeEditingModel::keyCommand(const QString& selector)
{
    if (!doCommandBySelector(selector)) {
        // The text system's own actions that reach the text.
        const Range selection = m_selectedRange;
        if (selector == QLatin1String("deleteBackward:")) {
            if (selection.length > 0)
                replaceCharactersInRange(selection, {});
            else if (selection.location > 0)
                replaceCharactersInRange({ selection.location - 1, 1 }, {});
        } else if (selector == QLatin1String("deleteForward:")) {
            if (selection.length > 0)
                replaceCharactersInRange(selection, {});
            else if (selection.location < m_text.length())
                replaceCharactersInRange({ selection.location, 1 }, {});
        }
        return;
    }
    static const QStringList followUps { QStringLiteral("insertTab:"), QStringLiteral("insertBacktab:"),
        QStringLiteral("insertNewline:"), QStringLiteral("insertNewlineIgnoringFieldEditor:") };
    if (m_isEditing && followUps.contains(selector))
        changeSelection(m_editRange);
}

RecipeEditingModel::Click RecipeEditingModel::mouseDown(QPointF point)
{
    if (!m_layout || !m_editable)
        return m_layout ? Click::PlaceCaret : Click::Ignored;
    qsizetype index = m_layout->characterIndexForPoint(point);
    if (index == Range::NotFound || index >= m_text.length())
        return Click::Ignored;
    Range run;
    QString value = fieldAtIndex(index, &run);
    // Just past the chosen field, still inside its box: keep the field.
    if (value.isEmpty() && index > 0 && m_editRange.length > 0
        && m_layout->boundingRectForRange(m_editRange).adjusted(-2, -2, 2, 2).contains(point))
        value = fieldAtIndex(index - 1, &run);
    if (!value.isEmpty()) {
        setEditRange(run);
        setIsEditing(true);
        return Click::PlaceCaret;
    }
    m_isEditing = false;
    setSelectedRange({});
    editorChanged();
    return hasPlaceholderAt(index) ? Click::PlaceCaret : Click::Ignored;
}

QRectF RecipeEditingModel::editBoxRect() const
{
    if (!m_layout || !m_isEditing || m_editRange.length == 0)
        return {};
    return m_layout->boundingRectForRange(m_editRange).adjusted(-2, -2, 2, 2);
}

// --- the view's own rules ---

Range RecipeEditingModel::selectionRangeForProposedRange(Range proposed) const
{
    if (!m_editable)
        return proposed;
    const Range e = m_editRange;
    const qsizetype last = proposed.length > 0 ? maxRange(proposed) - 1 : proposed.location;
    const auto inside = [e](qsizetype at) { return at >= e.location && at <= maxRange(e); };
    if (inside(proposed.location) && inside(last))
        return proposed;
    const Range overlap = intersection(proposed, e);
    return overlap.length > 0 ? overlap : proposed;
}

void RecipeEditingModel::insertPlaceholder(const QString& placeholder, Range range)
{
    range = clippedSelection(range, m_text.length());
    QVariantMap attributes = m_text.length() > 0
        ? m_text.attributesAtIndex(std::min(range.location, m_text.length() - 1))
        : QVariantMap();
    attributes.insert(RVPlaceholderAttribute, RVPlaceholderAttribute);
    attributes.insert(NSForegroundColorAttributeName, QVariant::fromValue(QColor(Qt::lightGray)));
    m_text.beginEditing();
    applyChange(range, AttributedString(placeholder, attributes));
    m_text.endEditing();
    const Range inserted { range.location, placeholder.size() };
    setEditRange(inserted);
    setSelectedRange(inserted);
}

// --- card helpers ---

QString RecipeEditingModel::fieldAtIndex(qsizetype index, Range* run) const
{
    if (index < 0 || index >= m_text.length()) {
        if (run)
            *run = { Range::NotFound, 0 };
        return {};
    }
    Range found;
    const QVariant value = m_text.attributeAtIndexLongestEffectiveRange(
        RVValueAttribute, index, &found, { 0, m_text.length() });
    if (run)
        *run = found;
    return isEmpty(value) ? QString() : value.toString();
}

bool RecipeEditingModel::hasPlaceholderAt(qsizetype index) const
{
    return index >= 0 && index < m_text.length()
        && !isEmpty(m_text.attributeAtIndex(RVPlaceholderAttribute, index));
}

QString RecipeEditingModel::listKeyForValue(const QString& value)
{
    if (value
        == ConstantManager::defaultManager().constantForKey(RVValueConstantKey, KRIngredientConstantGroup))
        return QStringLiteral("ingredients");
    const qsizetype dot = value.lastIndexOf(u'.');
    return dot < 0 ? value : value.left(dot);
}

QString RecipeEditingModel::classForListKey(const QString& listKey)
{
    if (listKey == QLatin1String("ingredients"))
        return QStringLiteral("RecipeIngredientMO");
    if (listKey == QLatin1String("directions"))
        return QStringLiteral("DirectionMO");
    if (listKey == QLatin1String("notes"))
        return QStringLiteral("NoteMO");
    return {};
}

QString RecipeEditingModel::placeholderForValue(const QString& value) const
{
    ConstantManager& constants = ConstantManager::defaultManager();
    return constants.constantForKey(RVPlaceholderConstantKey, constants.groupKeyForConstant(value));
}
