#pragma once

#include "Decimal.h"
#include "ParsingEngine.h"
#include "Range.h"

#include <QString>
#include <QStringList>
#include <memory>

class WordListSearch;

// Reads one ingredient line ("2 1/2 cups finely chopped onions") into its parts: the amount, the
// unit, the modifier words and the ingredient, each with the stretch of the line it came from.
//
// In this order: text in parentheses is set aside; modifier words are taken, longest first;
// known ingredients are found (longer names first); the longest is the line's ingredient unless
// a mention before it is joined to it by "or" or "with" (an alternative, or what it is mixed
// into), and then the first such mention. The head is the text before the first piece found, or,
// when modifiers stand first and an amount follows them ("scant 2 cups"), the text from the
// amount to the next piece. In the head the first unit name (at one place the longest) followed
// by a blank, a period, a slash or the end (after a plural ending) is the unit; when there is none
// and the head ends with the amount, the first word after size words or a parenthesis that follow
// it may be ("2 small cloves", "1 (14.5-ounce) can"). The amount runs from the first through the
// last digit or fraction character of the head before the unit ("about 2 1/2" gives 2 1/2, "25g/1oz"
// 25 and g). A line without a known ingredient names a new one: what is left once the parts,
// parentheses, everything after the last comma and before the last digit and any unit names
// are gone.
//
// Ownership: the parser keeps copies of its word lists and the known-ingredient lookups; those
// must stay usable while it parses. Nothing of the store is used: finding or creating the
// ingredient object is the caller's.
// Threads: parse() is const and keeps nothing between lines; the parser may be used from any
// thread from which its lookups may be asked.
// Errors: none. Every line, the empty one included, gives a result; a line that leaves no name
// gives the unnamed ingredient.
class IngredientLineParser
{
public:
    enum class IngredientKind {
        Known, // found through the known-ingredient lookups
        New, // named by what is left of the line
        Unnamed, // nothing left: unknownIngredientName()
    };

    struct Result {
        // The amount characters of the head, first through last; empty, at {NotFound, 0}, when
        // the line has none. So for each part below.
        QString amount;
        Range amountRange { Range::NotFound, 0 };
        // The unit name as written, without its plural ending; the range holds the ending.
        QString unit;
        Range unitRange { Range::NotFound, 0 };
        // Every modifier word in the order found; the last is the line's modifier.
        QStringList modifiers;
        QString modifier;
        Range modifierRange { Range::NotFound, 0 };
        IngredientKind ingredientKind = IngredientKind::Unnamed;
        // The key the lookups hold a known ingredient under; empty for a new one.
        QString ingredientKey;
        QString ingredient;
        // Where the ingredient stands; {NotFound, 0} when it is not one stretch of the line.
        Range ingredientRange { Range::NotFound, 0 };

        // The amount's value; one when the line has none.
        Decimal amountValue() const;
    };

    IngredientLineParser(
        QStringList modifiers, QStringList unitNames, ParsingEngine::KnownIngredients knownIngredients);

    Result parse(const QString& line) const;

    // The name of the ingredient of a line that leaves none.
    static QString unknownIngredientName();

private:
    QStringList m_modifiers;
    QStringList m_unitNames;
    ParsingEngine::KnownIngredients m_knownIngredients;
    // The word lists made ready for search once, not for every line.
    std::shared_ptr<const WordListSearch> m_modifierSearch;
    std::shared_ptr<const WordListSearch> m_unitSearch;
};
