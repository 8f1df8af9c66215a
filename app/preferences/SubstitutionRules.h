#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

class ManagedObject;
class ManagedObjectContext;

// The decisions of the substitution preferences, apart from the widgets: which side of a rule a
// box shows, what a dropped link may set, swapping the sides, the rule's description, and the
// measure combo box's items.
namespace SubstitutionRules
{

enum class Box { Top, Bottom, Other };

// The direction pop-up's tag: 1 puts the ingredient to replace in the top box, 0 its substitute.
constexpr int kTopIsIngredient = 1;
constexpr int kTopIsSubstitute = 0;

// "ingredient" or "substitute": what the box shows for the direction; empty for another box.
QString roleForBox(Box box, int directionTag);

// The Ingredient of this library that `url` names (its object URI), or nullptr: web links,
// other objects (recipes, rules) and URIs of other stores are refused.
ManagedObject* ingredientForURL(const QUrl& url, ManagedObjectContext* context);
// Sets the side of `rule` the box shows to the dropped ingredient; false (nothing set) for another
// box, no rule, or a URL that names no ingredient of this library.
bool dropIngredient(
    Box box, int directionTag, const QUrl& url, ManagedObject* rule, ManagedObjectContext* context);

// Swaps the rule's "ingredient" and "substitute", and its "ingredientAmount" and
// "substituteAmount".
void invert(ManagedObject* rule);

// The rule's description: "%{value1}@ with %{value2}@" when the tag is not 0, "%{value2}@ for
// %{value1}@" when it is (value1 the ingredient's name, value2 the substitute's).
QString displayPattern(int directionTag);
QString describe(const ManagedObject* rule, int directionTag);

// The text without white space, digits and symbols at either end: "2 cu" gives "cu".
QString stripToMeasure(const QString& text);
// The measure combo box's items for `text`, given the completions of its measure part: empty
// without completions; else the bare number (when there is one), then the text with the measure
// part replaced by each completion. The typed text is matched literally, never as a pattern.
QStringList measureItems(const QString& text, const QStringList& completions);
// The completions of the measure part in the measure trie, in trie order.
QStringList measureCompletions(const QString& text);
// The text completed with the first completion (case-insensitive order) longer than its measure
// part; the text itself when there is none.
QString completedString(const QString& text, QStringList completions);

} // namespace SubstitutionRules
