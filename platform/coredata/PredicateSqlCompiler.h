#pragma once

#include "Predicate.h"

#include <QString>
#include <QVariantList>
#include <optional>

class EntityDescription;
class PersistentStore;

// Turns the parts of a predicate that SQL answers exactly like the in-memory evaluator into a
// WHERE condition on the entity's table (alias t0): comparisons on stored attributes, to-one
// key paths as sub-selects, ANY/NONE over a to-many as IN (sub-select), @count as a count.
// Strings compare through the same folding function and code-point collation as in memory.
class PredicateSqlCompiler
{
public:
    struct Result {
        QString sql; // empty when nothing could be compiled
        QVariantList bindings;
        bool exact = false; // the condition is the whole predicate
        bool usesRelationships = false;
    };

    PredicateSqlCompiler(const PersistentStore& store, const EntityDescription* entity);
    Result compile(const Predicate& predicate);

private:
    std::optional<QString> condition(const Predicate& predicate);
    std::optional<QString> comparison(const Predicate& predicate);
    // A stored value of the key path on the row aliased `alias` of `entity`: its SQL and type.
    struct Operand {
        QString sql;
        int kind = 0; // 1 string, 2 number, 3 date, 4 data, 5 object key
        const EntityDescription* destination = nullptr;
    };
    std::optional<Operand> keyPathOperand(
        const EntityDescription* entity, const QString& alias, const QString& keyPath);
    std::optional<QString> compare(
        const Operand& left, Predicate::Operator op, int options, const QVariant& right);
    // A comparison on a key path that starts with a to-one relationship, as the membership of the
    // key column in the destination rows that pass; nothing when the forms could differ.
    std::optional<QString> toOneMembership(const EntityDescription* entity, const QString& alias,
        const QString& keyPath, Predicate::Operator op, int options, const QVariant& right);
    QString bind(const QVariant& value);
    QString nextAlias();

    const PersistentStore& m_store;
    const EntityDescription* m_entity;
    QVariantList m_bindings;
    bool m_usesRelationships = false;
    int m_aliases = 0;
};
