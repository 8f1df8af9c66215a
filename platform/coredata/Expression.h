#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <memory>
#include <optional>

// One side of a comparison in a predicate. An immutable value; copies share their tree.
//
// Kinds of node, as the store walks them to build SQL:
// - ConstantValue: constantValue() is a QString, a number (bool, int, qint64, double, Decimal),
//   a QDateTime, a QByteArray, a QVariantList (list constants `{1, 2}` and list arguments), an
//   object (KeyValueCoding) or null (an invalid QVariant).
// - EvaluatedObject: `SELF`, the object under evaluation.
// - KeyPath: keyPath() is a dotted key path ("category.name"); through a to-many relationship
//   it yields a QVariantList.
// - Variable: `$name`; variable() is "name". Replaced by predicateWithSubstitutionVariables or
//   looked up in the variables given to evaluation (null when missing).
// - Aggregate: a list `{...}` that holds something other than constants (such as a variable);
//   collection() holds its elements. A list of constants is a ConstantValue instead.
// - Function: a collection operator applied to operand(): function() is one of "@count",
//   "@sum", "@avg", "@min", "@max"; keyPath() is the key path after the operator, applied to
//   each element ("ingredients.@max.amount": operand "ingredients", key path "amount"); empty
//   for "@count" and for lists of plain values.
class Expression
{
public:
    enum class Type { ConstantValue, EvaluatedObject, KeyPath, Variable, Aggregate, Function };

    Expression(); // the null constant
    static Expression expressionForConstantValue(const QVariant& value);
    static Expression expressionForEvaluatedObject();
    static Expression expressionForKeyPath(const QString& keyPath);
    static Expression expressionForVariable(const QString& name);
    // Folds into a ConstantValue list when every element is a constant.
    static Expression expressionForAggregate(const QList<Expression>& elements);
    // `function` is "@count", "@sum", "@avg", "@min" or "@max".
    static Expression expressionForFunction(
        const QString& function, const Expression& operand, const QString& keyPath = {});

    Type expressionType() const;
    QVariant constantValue() const;
    QString keyPath() const;
    QString variable() const;
    QList<Expression> collection() const;
    QString function() const;
    Expression operand() const;

    // The value for `object` (a QVariantMap, a KeyValueCoding object, or anything for constants).
    // @count of null is 0; @sum of nothing is 0; @avg, @min and @max of nothing are null.
    QVariant expressionValueWithObject(const QVariant& object, const QVariantMap& variables = {}) const;

    Expression expressionWithSubstitutionVariables(const QVariantMap& variables) const;
    bool hasVariables() const;

    // Text in the format-string syntax; reads back to an equal expression.
    QString predicateFormat() const;

    bool operator==(const Expression& other) const;
    bool operator!=(const Expression& other) const { return !(*this == other); }

    // Value semantics shared by predicates and sort descriptors.
    // Null: an invalid QVariant, a null string, a null date or std::nullptr_t.
    static bool isNullValue(const QVariant& value);
    static bool isNumberValue(const QVariant& value);
    // Equality across number types (numerically), strings (exactly, or folded when either
    // flag is set), dates, data, lists (element by element) and objects (identity).
    static bool valuesEqual(const QVariant& a, const QVariant& b, bool caseInsensitive = false,
        bool diacriticInsensitive = false);
    // -1, 0 or 1 for numbers, strings (code point order of the folded text), dates and data;
    // nothing when the two cannot be ordered (null, mixed kinds, lists, objects, NaN).
    static std::optional<int> compareValues(const QVariant& a, const QVariant& b,
        bool caseInsensitive = false, bool diacriticInsensitive = false);
    // The value of a key path on a map or KeyValueCoding object; lists are mapped over and
    // flattened, as key paths through to-many relationships are.
    static QVariant valueForKeyPath(const QVariant& object, const QString& keyPath);

private:
    struct Node;
    explicit Expression(std::shared_ptr<const Node> node);
    std::shared_ptr<const Node> d;
};
