#pragma once

#include <QString>
#include <QVariantList>
#include <optional>

class Predicate;
class Expression;

// Reads the format-string syntax into a predicate tree. Used through
// Predicate::predicateWithFormat; never throws.
class PredicateParser
{
public:
    static std::optional<Predicate> parse(const QString& format, const QVariantList& args, QString* error);

    // Words with a meaning of their own in the syntax; a key named like one is written "#word".
    static bool isReservedWord(const QString& word);
    // A key as it must be written in a format string ("#in" for "in").
    static QString formatKey(const QString& key);
    // Builds the expression for a dotted key path, with its collection operators
    // ("items.@count", "items.@sum.price"); nothing when the path is malformed.
    static std::optional<Expression> keyPathExpression(const QString& keyPath, QString* problem = nullptr);
};
