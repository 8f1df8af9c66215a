#pragma once

#include "AttributedString.h"
#include "Range.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QVariantMap>
#include <functional>
#include <optional>

class EntityDescription;
class ManagedObject;
class RecipeMO;
class RecipeTextLayout;
class UndoManager;

// The recipe page without pixels: the card's text storage, the selection, the edit range (the one
// field that may change) and every rule that decides a change of them. The widget routes each
// key, click, paste and drop through here and mirrors the storage; the controller wires in the
// recipe, the undo manager and the layout.
//
// Edit mode (editable) lets one field change at a time: its run of RVValueAttribute is the edit
// range, the selection stays inside it, and typing, deleting, Tab, Return and Backspace move it by
// the rules below. Item operations (a new ingredient on Return, joining a direction onto the one
// before) write the card into the recipe first and then show the recipe's card again.
// Main thread only.
class RecipeEditingModel
{
public:
    // What the model tells or asks of its surroundings; an empty function does nothing.
    struct Hooks {
        // The characters of `replaced` (old coordinates) became `newLength` characters.
        std::function<void(Range replaced, qsizetype newLength)> textChanged;
        std::function<void(Range selection)> selectionChanged;
        // The edit range or whether a field is chosen changed: the edit box must be redrawn.
        std::function<void()> editorChanged;
        std::function<void()> startCompletionTimer;
        std::function<void()> stopCompletionTimer;
        // Backspace or Delete in reading mode.
        std::function<void()> deleteSelectedRecipe;
        // A button cell was clicked while the page was not editable.
        std::function<void()> edit;
        // The completion words for a partial word in a field of that entity.
        std::function<std::optional<QStringList>(const QString& partial, const EntityDescription* entity)>
            completions;
    };

    // What a click asks of the widget after the model has chosen the field.
    enum class Click {
        Ignored, // nothing more
        PlaceCaret, // the widget's own mouse handling places the caret (through changeSelection)
    };

    RecipeEditingModel();

    void setHooks(Hooks hooks) { m_hooks = std::move(hooks); }
    Hooks& hooks() { return m_hooks; }
    // The recipe whose card is edited; nullptr when none is shown. Not owned.
    void setRecipe(RecipeMO* recipe) { m_recipe = recipe; }
    RecipeMO* recipe() const { return m_recipe; }
    // Where typing is registered for undo; nullptr: nowhere. Not owned.
    void setUndoManager(UndoManager* undoManager) { m_undoManager = undoManager; }
    UndoManager* undoManager() const { return m_undoManager; }
    // Not owned; nullptr: no geometry (no hover rectangles, clicks ignored).
    void setLayout(const RecipeTextLayout* layout) { m_layout = layout; }

    // --- text storage ---
    const AttributedString& textStorage() const { return m_text; }
    // Replaces the whole text (a new card), keeping the edit range and selection where they still fit.
    void setCard(const AttributedString& card);
    // Shows the recipe's card again (after the recipe changed under it).
    void reloadCard();
    // The text view's setString: an empty card is refused while a recipe is shown.
    bool setString(const AttributedString& card);
    // Writes the edited card into the recipe (which parses it back into fields and lists).
    void writeCardToRecipe();

    // --- view state ---
    bool isEditable() const { return m_editable; }
    // Entering edit mode chooses the first field and selects it; leaving clears the field.
    void setEditable(bool editable);
    bool isEditing() const { return m_isEditing; }
    void setIsEditing(bool editing);
    Range editRange() const { return m_editRange; }
    // Always counts as a change, even when the range is the same.
    void setEditRange(Range range);
    bool editRangeDidChange() const { return m_editRangeDidChange; }
    void setEditRangeDidChange(bool changed) { m_editRangeDidChange = changed; }
    // The field chosen by navigation: the edit range, marked as changed.
    void createEditorWithRange(Range range) { setEditRange(range); }
    Range selectedRange() const { return m_selectedRange; }
    // Stores a selection clipped to the text; no rule applies.
    void setSelectedRange(Range range);
    // A selection asked for by the user or the widget: confined to the field, then the delegate
    // rule, then clipped.
    void changeSelection(Range proposed);
    const QVariantMap& typingAttributes() const { return m_typingAttributes; }
    qsizetype nextInsertionIndex() const { return m_nextInsertionIndex; }

    // --- user input, each through the rules ---
    bool insertText(const QString& text);
    bool replaceCharactersInRange(Range range, const QString& text);
    // A key command ("insertTab:", "deleteBackward:", ...): the delegate's hook, else the text
    // system's own action; then, after Tab, Backtab, Return or Enter while editing, the whole
    // field is selected.
    void keyCommand(const QString& selector);
    // The field under a click at point (view coordinates).
    Click mouseDown(QPointF point);
    // The edit box in view coordinates: the field's characters grown by 2 points; empty when no
    // field is chosen or there is no layout.
    QRectF editBoxRect() const;

    // --- the view's own rules ---
    // Edit mode keeps a proposal inside the edit range (the proposal stands when it lies inside,
    // else its overlap with the field when there is one).
    Range selectionRangeForProposedRange(Range proposed) const;
    // A range clipped to a text of `length`; `corrected` tells whether the console is told.
    static Range clippedSelection(Range range, qsizetype length, bool* corrected = nullptr);
    // Replaces the range with grey placeholder text and makes it the edit range and the selection.
    void insertPlaceholder(const QString& placeholder, Range range);

    // --- the delegate's rules ---
    Range willChangeSelection(Range oldRange, Range proposed);
    bool shouldChangeText(Range range, const QString& replacement);
    // True when handled here.
    bool doCommandBySelector(const QString& selector);
    // Next and previous field, wrapping around; false when the card has no field.
    bool tab();
    bool backTab();
    void handleReturn();
    // Inserts an item of the class ("RecipeIngredientMO", "DirectionMO", "NoteMO") with that
    // 1-based number and edits it. An invalid number changes nothing.
    void addObjectForClass(const QString& className, const QVariant& index);
    void plusMarker(ManagedObject* item, quint64 markerIndex);
    void minusMarker(ManagedObject* item, quint64 markerIndex);
    Range rangeOfRepresentedTextForManagedObject(const ManagedObject* object) const;
    void selectRepresentedTextForManagedObject(const ManagedObject* object);
    // The words offered for the partial word, or none (fewer than two words).
    std::optional<QStringList> completionsForPartialWordRange(
        Range partialWordRange, const QStringList& proposedWords = {}) const;
    // The ranges that show a hover bubble, and their rectangles (layout needed).
    QList<Range> hoverRanges() const;
    std::optional<QList<QRectF>> generateTrackingRects() const;
    // A click on the button cell at index: opens the field the button names.
    void clickedOnCellAtIndex(qsizetype index);

    // --- card helpers ---
    // The longest run of RVValueAttribute at index, and its value ("" when none).
    QString fieldAtIndex(qsizetype index, Range* run = nullptr) const;
    // "ingredients" for an ingredient line, else the key path without its last extension.
    static QString listKeyForValue(const QString& value);
    // The item class of a list key, or empty.
    static QString classForListKey(const QString& listKey);

private:
    // Replaces characters and registers the inverse for undo, which also restores the edit range
    // as it was before the rules moved it (the current one when none is given); no rule applies.
    void applyChange(
        Range range, const AttributedString& replacement, std::optional<Range> editRangeBefore = {});
    void updateTypingAttributes();
    void joinWithPreviousItem();
    bool hasPlaceholderAt(qsizetype index) const;
    QString placeholderForValue(const QString& value) const;
    void editorChanged();

    Hooks m_hooks;
    RecipeMO* m_recipe = nullptr;
    UndoManager* m_undoManager = nullptr;
    const RecipeTextLayout* m_layout = nullptr;

    MutableAttributedString m_text;
    bool m_editable = false;
    bool m_isEditing = false;
    bool m_editRangeDidChange = false;
    Range m_editRange;
    Range m_selectedRange;
    QVariantMap m_typingAttributes;
    qsizetype m_nextInsertionIndex = Range::NotFound;
};
