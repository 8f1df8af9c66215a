#include "PredicateSqlCompiler.h"

#include "EntityDescription.h"
#include "ManagedObject.h"
#include "PersistentStore.h"
#include "StringFolding.h"
#include "VariantNumbers.h"

#include <QDateTime>

namespace
{

using Op = Predicate::Operator;

enum Kind { None = 0, String = 1, Number = 2, Date = 3, Data = 4, ObjectKey = 5 };

int attributeKind(const AttributeDescription* attribute)
{
    using Type = AttributeDescription::AttributeType;
    switch (attribute->attributeType()) {
    case Type::String:
        return String;
    case Type::Integer16:
    case Type::Integer32:
    case Type::Integer64:
    case Type::Double:
    case Type::Float:
    case Type::Boolean:
        return Number;
    case Type::Date:
        return Date;
    case Type::Binary:
        return Data;
    default:
        return None; // decimals and transformables are compared in memory only
    }
}

int constantKind(const QVariant& value)
{
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return String;
    case QMetaType::QDateTime:
        return value.toDateTime().isValid() ? Date : None;
    case QMetaType::QByteArray:
        return Data;
    default:
        // Decimals are compared in memory only, so they are no SQL number.
        if (VariantNumbers::isInteger(value) || value.typeId() == QMetaType::Double
            || value.typeId() == QMetaType::Float)
            return Number;
        return dynamic_cast<ManagedObject*>(KeyValueCoding::fromVariant(value)) ? ObjectKey : None;
    }
}

// Comparisons that come out false or NULL when the compared value is NULL: for these, a value
// read through a to-one relationship that is missing (NULL key, no row) gives the same answer as
// "the key is not among the rows that pass".
bool rejectsNull(Op op, const QVariant& right)
{
    if (Expression::isNullValue(right))
        return false;
    switch (op) {
    case Op::NotEqualTo: // compiled as IS NOT, which is true for NULL
    case Op::Matches:
        return false;
    default:
        return true;
    }
}

QString quoted(const QString& name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace

PredicateSqlCompiler::PredicateSqlCompiler(const PersistentStore& store, const EntityDescription* entity)
    : m_store(store)
    , m_entity(entity)
{
}

QString PredicateSqlCompiler::bind(const QVariant& value)
{
    QVariant stored = value;
    if (value.metaType().id() == QMetaType::QDateTime)
        stored = QVariant::fromValue<qint64>(value.toDateTime().toMSecsSinceEpoch());
    else if (value.metaType().id() == QMetaType::Float)
        stored = double(value.toFloat());
    m_bindings.append(stored);
    return QStringLiteral("?%1").arg(m_bindings.size());
}

QString PredicateSqlCompiler::nextAlias()
{
    return QStringLiteral("t%1").arg(++m_aliases);
}

PredicateSqlCompiler::Result PredicateSqlCompiler::compile(const Predicate& predicate)
{
    Result result;
    QList<Predicate> parts { predicate };
    if (predicate.predicateType() == Predicate::Type::Compound
        && predicate.compoundPredicateType() == Predicate::CompoundType::And)
        parts = predicate.subpredicates();
    QStringList conditions;
    result.exact = true;
    for (const Predicate& part : parts) {
        const qsizetype bound = m_bindings.size();
        const bool relationships = m_usesRelationships;
        std::optional<QString> sql = condition(part);
        if (!sql) {
            // Dropped: the rows are then a superset, filtered again in memory.
            m_bindings.resize(bound);
            m_usesRelationships = relationships;
            result.exact = false;
            continue;
        }
        conditions.append(QLatin1Char('(') + *sql + QLatin1Char(')'));
    }
    if (!conditions.isEmpty())
        result.sql = conditions.join(QStringLiteral(" AND "));
    result.bindings = m_bindings;
    result.usesRelationships = m_usesRelationships;
    return result;
}

std::optional<QString> PredicateSqlCompiler::condition(const Predicate& predicate)
{
    switch (predicate.predicateType()) {
    case Predicate::Type::True:
        return QStringLiteral("1");
    case Predicate::Type::False:
        return QStringLiteral("0");
    case Predicate::Type::Comparison: {
        // Left bare so that SQLite can use indexes: where a comparison with NULL gives NULL, AND
        // and OR still come out as false would (they are monotone); only NOT needs coalesce.
        return comparison(predicate);
    }
    case Predicate::Type::Compound: {
        const QList<Predicate> parts = predicate.subpredicates();
        QStringList sql;
        for (const Predicate& part : parts) {
            std::optional<QString> s = condition(part);
            if (!s)
                return std::nullopt;
            sql.append(QLatin1Char('(') + *s + QLatin1Char(')'));
        }
        switch (predicate.compoundPredicateType()) {
        case Predicate::CompoundType::And:
            return sql.isEmpty() ? QStringLiteral("1")
                                 : QLatin1Char('(') + sql.join(QStringLiteral(" AND ")) + QLatin1Char(')');
        case Predicate::CompoundType::Or:
            return sql.isEmpty() ? QStringLiteral("0")
                                 : QLatin1Char('(') + sql.join(QStringLiteral(" OR ")) + QLatin1Char(')');
        case Predicate::CompoundType::Not:
            if (sql.size() != 1)
                return std::nullopt;
            return QStringLiteral("(NOT coalesce(") + sql.first() + QStringLiteral(", 0))");
        }
        return std::nullopt;
    }
    }
    return std::nullopt;
}

std::optional<PredicateSqlCompiler::Operand> PredicateSqlCompiler::keyPathOperand(
    const EntityDescription* entity, const QString& alias, const QString& keyPath)
{
    const int dot = keyPath.indexOf(QLatin1Char('.'));
    const QString key = dot < 0 ? keyPath : keyPath.left(dot);
    const QString rest = dot < 0 ? QString() : keyPath.mid(dot + 1);
    const PersistentStore::EntityLayout& layout = m_store.layout(entity);
    if (const AttributeDescription* attribute = entity->attributeNamed(key)) {
        const int column = layout.attributeColumns[size_t(attribute->index())];
        const int kind = attributeKind(attribute);
        if (!rest.isEmpty() || column < 0 || kind == None)
            return std::nullopt;
        return Operand { alias + QLatin1Char('.') + quoted(layout.table->columns[column - 2]), kind,
            nullptr };
    }
    const RelationshipDescription* relationship = entity->relationshipNamed(key);
    if (!relationship || relationship->isToMany())
        return std::nullopt;
    const int column = layout.relationshipColumns[size_t(relationship->index())];
    if (column < 0)
        return std::nullopt;
    m_usesRelationships = true;
    const QString foreignKey = alias + QLatin1Char('.') + quoted(layout.table->columns[column - 2]);
    if (rest.isEmpty())
        return Operand { foreignKey, ObjectKey, relationship->destinationEntity() };
    const QString inner = nextAlias();
    std::optional<Operand> operand = keyPathOperand(relationship->destinationEntity(), inner, rest);
    if (!operand || operand->kind == ObjectKey)
        return std::nullopt;
    const PersistentStore::EntityLayout& destination = m_store.layout(relationship->destinationEntity());
    operand->sql = QStringLiteral("(SELECT %1 FROM %2 %3 WHERE %3.pk = %4)")
                       .arg(operand->sql, quoted(destination.table->name), inner, foreignKey);
    return operand;
}

std::optional<QString> PredicateSqlCompiler::compare(
    const Operand& left, Predicate::Operator op, int options, const QVariant& right)
{
    const bool c = options & Predicate::CaseInsensitive;
    const bool d = options & Predicate::DiacriticInsensitive;
    if (Expression::isNullValue(right)) {
        if (op == Op::EqualTo)
            return left.sql + QStringLiteral(" IS NULL");
        if (op == Op::NotEqualTo)
            return left.sql + QStringLiteral(" IS NOT NULL");
        return std::nullopt;
    }
    if (left.kind == ObjectKey) {
        ManagedObject* object = dynamic_cast<ManagedObject*>(KeyValueCoding::fromVariant(right));
        if (!object || (op != Op::EqualTo && op != Op::NotEqualTo))
            return std::nullopt;
        const ManagedObjectID id = object->objectID();
        const bool stored = !id.isTemporaryID() && id.storeNumber() == m_store.storeNumber()
            && (!left.destination || id.entity()->rootEntity() == left.destination->rootEntity());
        if (!stored)
            return op == Op::EqualTo ? QStringLiteral("0") : QStringLiteral("1");
        return left.sql + (op == Op::EqualTo ? QStringLiteral(" = ") : QStringLiteral(" IS NOT "))
            + bind(QVariant::fromValue<qint64>(id.referenceKey()));
    }
    const bool strings = left.kind == String;
    const QString x = strings && (c || d)
        ? QStringLiteral("kfold(%1, %2, %3)").arg(left.sql).arg(c ? 1 : 0).arg(d ? 1 : 0)
        : left.sql;
    const QString collate = strings ? QStringLiteral(" COLLATE KCP") : QString();
    auto value = [&](const QVariant& v) -> std::optional<QString> {
        if (constantKind(v) != left.kind)
            return std::nullopt;
        return bind(strings ? QVariant(StringFolding::fold(v.toString(), c, d)) : v);
    };
    switch (op) {
    case Op::EqualTo:
    case Op::NotEqualTo: {
        std::optional<QString> v = value(right);
        if (!v)
            return std::nullopt;
        return x + (op == Op::EqualTo ? QStringLiteral(" = ") : QStringLiteral(" IS NOT ")) + *v;
    }
    case Op::LessThan:
    case Op::LessThanOrEqualTo:
    case Op::GreaterThan:
    case Op::GreaterThanOrEqualTo: {
        if (left.kind == Data)
            return std::nullopt;
        std::optional<QString> v = value(right);
        if (!v)
            return std::nullopt;
        static const char* const symbols[] = { " < ", " <= ", " > ", " >= " };
        return x + collate + QLatin1String(symbols[int(op) - int(Op::LessThan)]) + *v;
    }
    case Op::Between: {
        const QVariantList bounds = right.toList();
        if (right.metaType().id() != QMetaType::QVariantList || bounds.size() != 2 || left.kind == Data)
            return std::nullopt;
        std::optional<QString> low = value(bounds.at(0));
        std::optional<QString> high = value(bounds.at(1));
        if (!low || !high)
            return std::nullopt;
        return QStringLiteral("(%1%2 >= %3 AND %1%2 <= %4)").arg(x, collate, *low, *high);
    }
    case Op::In: {
        if (right.metaType().id() != QMetaType::QVariantList)
            return std::nullopt;
        QStringList items;
        for (const QVariant& element : right.toList()) {
            std::optional<QString> v = value(element);
            if (!v)
                return std::nullopt;
            items.append(*v);
        }
        return items.isEmpty()
            ? QStringLiteral("0")
            : x + QStringLiteral(" IN (") + items.join(QLatin1Char(',')) + QLatin1Char(')');
    }
    case Op::BeginsWith:
    case Op::EndsWith:
    case Op::Contains:
    case Op::Like: {
        if (!strings || constantKind(right) != String)
            return std::nullopt;
        Op effective = op;
        QString text = StringFolding::fold(right.toString(), c, d);
        if (op == Op::Like) {
            // Only the patterns that are plain substring tests.
            if (text.contains(QLatin1Char('?')) || text.contains(QLatin1Char('\\')))
                return std::nullopt;
            const bool leading = text.startsWith(QLatin1Char('*'));
            const bool trailing = text.size() > (leading ? 1 : 0) && text.endsWith(QLatin1Char('*'));
            QString inner = text.mid(leading ? 1 : 0);
            if (trailing)
                inner.chop(1);
            if (inner.contains(QLatin1Char('*')))
                return std::nullopt;
            if (text == QLatin1String("*"))
                return x + QStringLiteral(" IS NOT NULL");
            text = inner;
            effective = leading && trailing ? Op::Contains
                : leading                   ? Op::EndsWith
                : trailing                  ? Op::BeginsWith
                                            : Op::EqualTo;
        }
        const QString v = bind(text);
        switch (effective) {
        case Op::BeginsWith:
            return QStringLiteral("instr(%1, %2) = 1").arg(x, v);
        case Op::EndsWith:
            return QStringLiteral("kends(%1, %2)").arg(x, v);
        case Op::Contains:
            // Folded as it is read, without a folded copy of every row's text.
            if (c || d)
                return QStringLiteral("kcontains(%1, %2, %3, %4)")
                    .arg(left.sql, v)
                    .arg(c ? 1 : 0)
                    .arg(d ? 1 : 0);
            return QStringLiteral("instr(%1, %2) > 0").arg(x, v);
        default:
            return x + QStringLiteral(" = ") + v;
        }
    }
    case Op::Matches:
        return std::nullopt;
    }
    return std::nullopt;
}

// The key column is indexed, and the few destination rows that pass are looked up through that
// index, where a sub-select per row would read the destination once for every row. The unary "+"
// keeps the key's integer affinity off the list, so SQLite may use the index on the column.
std::optional<QString> PredicateSqlCompiler::toOneMembership(const EntityDescription* entity,
    const QString& alias, const QString& keyPath, Predicate::Operator op, int options, const QVariant& right)
{
    const int dot = keyPath.indexOf(QLatin1Char('.'));
    if (dot < 0 || !rejectsNull(op, right))
        return std::nullopt;
    const RelationshipDescription* relationship = entity->relationshipNamed(keyPath.left(dot));
    const qsizetype bound = m_bindings.size(); // a condition that fails half-way binds nothing
    if (!relationship || relationship->isToMany())
        return std::nullopt;
    const PersistentStore::EntityLayout& layout = m_store.layout(entity);
    const int column = layout.relationshipColumns[size_t(relationship->index())];
    if (column < 0)
        return std::nullopt;
    const QString rest = keyPath.mid(dot + 1);
    const EntityDescription* destination = relationship->destinationEntity();
    const QString inner = nextAlias();
    std::optional<QString> test = toOneMembership(destination, inner, rest, op, options, right);
    if (!test) {
        const std::optional<Operand> operand = keyPathOperand(destination, inner, rest);
        if (!operand || operand->kind == ObjectKey)
            return std::nullopt;
        test = compare(*operand, op, options, right);
    }
    if (!test) {
        m_bindings.resize(bound);
        return std::nullopt;
    }
    m_usesRelationships = true;
    return QStringLiteral("%1.%2 IN (SELECT +%3.pk FROM %4 %3 WHERE %5)")
        .arg(alias, quoted(layout.table->columns[column - 2]), inner,
            quoted(m_store.layout(destination).table->name), *test);
}

std::optional<QString> PredicateSqlCompiler::comparison(const Predicate& predicate)
{
    const Expression left = predicate.leftExpression();
    const Expression right = predicate.rightExpression();
    if (right.expressionType() != Expression::Type::ConstantValue)
        return std::nullopt;
    const Predicate::Modifier modifier = predicate.comparisonPredicateModifier();
    const QVariant constant = right.constantValue();
    const PersistentStore::EntityLayout& layout = m_store.layout(m_entity);

    // The rows of a to-many relationship of t0, as a sub-select of `select` (alias of the members).
    auto members = [&](const RelationshipDescription* relationship, const QString& alias,
                       const QString& select, const QString& where) -> QString {
        const PersistentStore::EntityLayout& destination = m_store.layout(relationship->destinationEntity());
        if (!relationship->isManyToMany()) {
            const RelationshipDescription* inverse = relationship->inverseRelationship();
            const QString column = quoted(
                destination.table->columns[destination.relationshipColumns[size_t(inverse->index())] - 2]);
            return QStringLiteral("SELECT %1 FROM %2 %3 WHERE %3.%4 = t0.pk%5")
                .arg(select, quoted(destination.table->name), alias, column,
                    where.isEmpty() ? QString() : QStringLiteral(" AND ") + where);
        }
        bool ownerSide = false;
        const QString table = m_store.joinTableName(relationship, &ownerSide);
        const QString mine = ownerSide ? QStringLiteral("a") : QStringLiteral("b");
        const QString theirs = ownerSide ? QStringLiteral("b") : QStringLiteral("a");
        return QStringLiteral("SELECT %1 FROM %2 j%3 JOIN %4 %3 ON %3.pk = j%3.%5 WHERE j%3.%6 = t0.pk%7")
            .arg(select, quoted(table), alias, quoted(destination.table->name), theirs, mine,
                where.isEmpty() ? QString() : QStringLiteral(" AND ") + where);
    };

    if (left.expressionType() == Expression::Type::Function) {
        // @count of a to-many relationship of the entity.
        const Expression operand = left.operand();
        if (left.function() != QLatin1String("@count") || !left.keyPath().isEmpty()
            || modifier != Predicate::Modifier::Direct
            || operand.expressionType() != Expression::Type::KeyPath)
            return std::nullopt;
        const RelationshipDescription* relationship = m_entity->relationshipNamed(operand.keyPath());
        if (!relationship || !relationship->isToMany())
            return std::nullopt;
        m_usesRelationships = true;
        const QString alias = nextAlias();
        const Operand count { QLatin1Char('(')
                + members(relationship, alias, QStringLiteral("count(*)"), QString()) + QLatin1Char(')'),
            Number, nullptr };
        return compare(count, predicate.predicateOperatorType(), predicate.options(), constant);
    }
    if (left.expressionType() != Expression::Type::KeyPath)
        return std::nullopt;
    const QString keyPath = left.keyPath();
    if (modifier == Predicate::Modifier::Direct) {
        if (std::optional<QString> membership = toOneMembership(m_entity, QStringLiteral("t0"), keyPath,
                predicate.predicateOperatorType(), predicate.options(), constant))
            return membership;
        std::optional<Operand> operand = keyPathOperand(m_entity, QStringLiteral("t0"), keyPath);
        if (!operand)
            return std::nullopt;
        return compare(*operand, predicate.predicateOperatorType(), predicate.options(), constant);
    }
    if (modifier != Predicate::Modifier::Any && modifier != Predicate::Modifier::None)
        return std::nullopt;
    const int dot = keyPath.indexOf(QLatin1Char('.'));
    const QString key = dot < 0 ? keyPath : keyPath.left(dot);
    const QString rest = dot < 0 ? QString() : keyPath.mid(dot + 1);
    const RelationshipDescription* relationship = m_entity->relationshipNamed(key);
    if (!relationship || !relationship->isToMany() || layout.entity != m_entity)
        return std::nullopt;
    m_usesRelationships = true;
    const QString alias = nextAlias();
    std::optional<QString> test;
    if (!rest.isEmpty())
        test = toOneMembership(relationship->destinationEntity(), alias, rest,
            predicate.predicateOperatorType(), predicate.options(), constant);
    if (!test) {
        std::optional<Operand> element = rest.isEmpty()
            ? std::optional<Operand>(
                Operand { alias + QStringLiteral(".pk"), ObjectKey, relationship->destinationEntity() })
            : keyPathOperand(relationship->destinationEntity(), alias, rest);
        if (!element)
            return std::nullopt;
        test = compare(*element, predicate.predicateOperatorType(), predicate.options(), constant);
    }
    if (!test)
        return std::nullopt;
    // Uncorrelated, so SQLite runs it once (and can use an index on the members' column).
    QString any;
    const PersistentStore::EntityLayout& destination = m_store.layout(relationship->destinationEntity());
    if (!relationship->isManyToMany()) {
        const RelationshipDescription* inverse = relationship->inverseRelationship();
        const QString column = alias + QLatin1Char('.')
            + quoted(
                destination.table->columns[destination.relationshipColumns[size_t(inverse->index())] - 2]);
        any = QStringLiteral("t0.pk IN (SELECT %1 FROM %2 %3 WHERE %1 IS NOT NULL AND (%4))")
                  .arg(column, quoted(destination.table->name), alias, *test);
    } else {
        bool ownerSide = false;
        const QString table = m_store.joinTableName(relationship, &ownerSide);
        const QString mine = ownerSide ? QStringLiteral("a") : QStringLiteral("b");
        const QString theirs = ownerSide ? QStringLiteral("b") : QStringLiteral("a");
        any = QStringLiteral("t0.pk IN (SELECT j%1.%2 FROM %3 j%1 JOIN %4 %1 ON %1.pk = j%1.%5 WHERE (%6))")
                  .arg(alias, mine, quoted(table), quoted(destination.table->name), theirs, *test);
    }
    return modifier == Predicate::Modifier::Any ? any : QStringLiteral("NOT coalesce((%1), 0)").arg(any);
}
