#pragma once

#include "Expression.h"

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>

// A condition on objects, read from the format-string syntax or built from parts. An
// immutable value; copies share their tree.
//
// The tree, as the store walks it to build SQL (predicateType()):
// - True / False: TRUEPREDICATE, FALSEPREDICATE.
// - Comparison: leftExpression() operator rightExpression(), with
//   predicateOperatorType(), comparisonPredicateModifier() and options().
//   Direct compares the left value as a whole. Any (also written SOME), All and None take the
//   left value as a list (a to-many key path; null is the empty list, a single value a list of
//   one) and compare each element: Any holds when one element does, All when every one does
//   (true for none), None when no element does (true for none).
//   Options CaseInsensitive [c] and DiacriticInsensitive [d] compare strings through
//   StringFolding::fold.
// - Compound: compoundPredicateType() And / Or / Not over subpredicates(). An And of nothing
//   is true, an Or of nothing false; Not has exactly one subpredicate.
//
// Operators, on the left value L and right value R:
//   EqualTo, NotEqualTo: equality as Expression::valuesEqual; null equals only null.
//   LessThan ... GreaterThanOrEqualTo: Expression::compareValues; false when not comparable.
//   BeginsWith, EndsWith: strings only.
//   Contains: substring of a string L, or, when L is a list, an element equal to R.
//   Like: whole-string match of R's pattern, "*" any run, "?" one character, "\" escapes.
//   Matches: R is a regular expression that must match the whole of L; [c] makes the
//     expression case-insensitive, [d] folds L only (the pattern is left as written).
//   In: L equals an element of the list R, or L is a substring of the string R.
//   Between: R is a list {low, high}; low <= L <= high.
class Predicate
{
public:
    enum class Type { True, False, Comparison, Compound };
    enum class CompoundType { Not, And, Or };
    enum class Operator {
        LessThan,
        LessThanOrEqualTo,
        GreaterThan,
        GreaterThanOrEqualTo,
        EqualTo,
        NotEqualTo,
        Matches,
        Like,
        BeginsWith,
        EndsWith,
        In,
        Contains,
        Between
    };
    enum class Modifier { Direct, Any, All, None };
    enum Option { CaseInsensitive = 1, DiacriticInsensitive = 2 };

    Predicate(); // TRUEPREDICATE

    // Reads a format string. `%@` takes the next argument as a constant, `%K` the next
    // argument as a key path, `$name` is a variable. On failure answers nothing and puts
    // a message with the position and what was expected into `error`.
    static std::optional<Predicate> predicateWithFormat(
        const QString& format, const QVariantList& args = {}, QString* error = nullptr);
    static Predicate truePredicate();
    static Predicate falsePredicate();
    static Predicate andPredicateWithSubpredicates(const QList<Predicate>& subpredicates);
    static Predicate orPredicateWithSubpredicates(const QList<Predicate>& subpredicates);
    static Predicate notPredicateWithSubpredicate(const Predicate& subpredicate);
    static Predicate predicateWithLeftExpression(
        const Expression& left, const Expression& right, Modifier modifier, Operator type, int options = 0);

    Type predicateType() const;
    // Comparison parts (defaults for other types).
    Expression leftExpression() const;
    Expression rightExpression() const;
    Operator predicateOperatorType() const;
    Modifier comparisonPredicateModifier() const;
    int options() const;
    // Compound parts (empty for other types).
    CompoundType compoundPredicateType() const;
    QList<Predicate> subpredicates() const;

    bool evaluateWithObject(const QVariant& object, const QVariantMap& substitutionVariables = {}) const;
    // Variables found in `variables` become constants; others stay variables.
    Predicate predicateWithSubstitutionVariables(const QVariantMap& variables) const;
    bool hasVariables() const;

    // The format-string text; it reads back to an equal predicate (constants that are
    // objects have no literal form and do not).
    QString predicateFormat() const;

    // Equal trees; an And or Or of one subpredicate equals that subpredicate, an empty And
    // equals TRUEPREDICATE and an empty Or FALSEPREDICATE, as their texts read back that way.
    bool operator==(const Predicate& other) const;
    bool operator!=(const Predicate& other) const { return !(*this == other); }

    // The text of an operator ("==", "BEGINSWITH", ...).
    static QString operatorName(Operator type);

private:
    struct Node;
    explicit Predicate(std::shared_ptr<const Node> node);
    std::shared_ptr<const Node> d;
};
