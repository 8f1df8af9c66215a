#include "Expression.h"

#include "Decimal.h"
#include "KeyValueCoding.h"
#include "PredicateParser.h"
#include "StringFolding.h"
#include "VariantNumbers.h"

#include <QByteArray>
#include <QDateTime>
#include <QStringList>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

struct Expression::Node {
    Type type = Type::ConstantValue;
    QVariant constant;
    QString name; // key path, variable name or function name
    QString keyPath; // a function's key path after the operator
    QList<Expression> children; // aggregate elements, or a function's operand
};

namespace
{

const QDateTime& referenceDate()
{
    static const QDateTime date(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    return date;
}

bool isUnsignedType(int id)
{
    return id == QMetaType::UInt || id == QMetaType::ULongLong || id == QMetaType::ULong
        || id == QMetaType::UShort || id == QMetaType::UChar;
}

bool isFloatingType(int id)
{
    return id == QMetaType::Double || id == QMetaType::Float;
}

bool isDecimal(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<Decimal>();
}

Decimal toDecimal(const QVariant& value)
{
    if (isDecimal(value))
        return value.value<Decimal>();
    const int type = value.metaType().id();
    if (isUnsignedType(type))
        return Decimal::decimalNumberWithString(QString::number(value.toULongLong()));
    if (VariantNumbers::isInteger(value))
        return Decimal::fromInt(value.toLongLong());
    return Decimal::fromDouble(value.toDouble());
}

int orderOf(Decimal::ComparisonResult result)
{
    return result == Decimal::ComparisonResult::OrderedAscending ? -1
        : result == Decimal::ComparisonResult::OrderedDescending ? 1
                                                                 : 0;
}

std::optional<int> compareWithDecimal(const QVariant& a, const QVariant& b)
{
    // Infinities have no decimal form but still order against every decimal.
    for (const QVariant* side : { &a, &b }) {
        if (isFloatingType(side->metaType().id()) && std::isinf(side->toDouble())) {
            const Decimal other = toDecimal(side == &a ? b : a);
            if (!other.isValid())
                return std::nullopt;
            const int infinity = side->toDouble() > 0 ? 1 : -1;
            return side == &a ? infinity : -infinity;
        }
    }
    const Decimal x = toDecimal(a);
    const Decimal y = toDecimal(b);
    if (!x.isValid() || !y.isValid())
        return std::nullopt;
    return orderOf(x.compare(y));
}

std::optional<int> compareNumbers(const QVariant& a, const QVariant& b)
{
    if (isDecimal(a) || isDecimal(b))
        return compareWithDecimal(a, b);
    const int ta = a.metaType().id();
    const int tb = b.metaType().id();
    if (VariantNumbers::isInteger(a) && VariantNumbers::isInteger(b)) {
        const bool ua = isUnsignedType(ta);
        const bool ub = isUnsignedType(tb);
        if (!ua && !ub) {
            const qint64 x = a.toLongLong();
            const qint64 y = b.toLongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        if (ua && ub) {
            const quint64 x = a.toULongLong();
            const quint64 y = b.toULongLong();
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        if (ua) {
            const qint64 y = b.toLongLong();
            if (y < 0)
                return 1;
            const quint64 x = a.toULongLong();
            return x < quint64(y) ? -1 : (x > quint64(y) ? 1 : 0);
        }
        const qint64 x = a.toLongLong();
        if (x < 0)
            return -1;
        const quint64 y = b.toULongLong();
        return quint64(x) < y ? -1 : (quint64(x) > y ? 1 : 0);
    }
    // long double holds every qint64 exactly, so mixed comparisons stay exact.
    const long double x = isUnsignedType(ta) ? (long double)a.toULongLong()
        : VariantNumbers::isInteger(a)       ? (long double)a.toLongLong()
                                             : (long double)a.toDouble();
    const long double y = isUnsignedType(tb) ? (long double)b.toULongLong()
        : VariantNumbers::isInteger(b)       ? (long double)b.toLongLong()
                                             : (long double)b.toDouble();
    if (std::isnan(x) || std::isnan(y))
        return std::nullopt;
    return x < y ? -1 : (x > y ? 1 : 0);
}

QString formatDouble(double value)
{
    if (std::isnan(value))
        return QStringLiteral("nil");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("1e999") : QStringLiteral("-1e999");
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, result.ptr - buffer);
    // Keep it a floating constant when read back.
    if (!text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

QString quoteString(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += QLatin1Char('"');
    for (QChar c : text) {
        switch (c.unicode()) {
        case '"':
            out += QStringLiteral("\\\"");
            break;
        case '\\':
            out += QStringLiteral("\\\\");
            break;
        case '\n':
            out += QStringLiteral("\\n");
            break;
        case '\r':
            out += QStringLiteral("\\r");
            break;
        case '\t':
            out += QStringLiteral("\\t");
            break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                out += c;
        }
    }
    out += QLatin1Char('"');
    return out;
}

QString formatDate(const QDateTime& date)
{
    const qint64 ms = referenceDate().msecsTo(date);
    const quint64 magnitude = ms < 0 ? quint64(-(ms + 1)) + 1 : quint64(ms);
    QString seconds = QString::number(magnitude / 1000);
    if (const quint64 fraction = magnitude % 1000) {
        QString digits = QStringLiteral("%1").arg(fraction, 3, 10, QLatin1Char('0'));
        while (digits.endsWith(QLatin1Char('0')))
            digits.chop(1);
        seconds += QLatin1Char('.') + digits;
    }
    if (ms < 0)
        seconds.prepend(QLatin1Char('-'));
    return QStringLiteral("CAST(%1, \"NSDate\")").arg(seconds);
}

QString formatConstant(const QVariant& value)
{
    if (Expression::isNullValue(value))
        return QStringLiteral("nil");
    const int type = value.metaType().id();
    if (type == QMetaType::Bool)
        return value.toBool() ? QStringLiteral("YES") : QStringLiteral("NO");
    if (VariantNumbers::isInteger(value))
        return isUnsignedType(type) ? QString::number(value.toULongLong())
                                    : QString::number(value.toLongLong());
    if (isFloatingType(type))
        return formatDouble(value.toDouble());
    if (isDecimal(value)) {
        const Decimal decimal = value.value<Decimal>();
        return decimal.isValid() ? decimal.stringValue() : QStringLiteral("nil");
    }
    switch (type) {
    case QMetaType::QString:
        return quoteString(value.toString());
    case QMetaType::QDateTime:
        return formatDate(value.toDateTime());
    case QMetaType::QByteArray:
        return QStringLiteral("CAST(%1, \"NSData\")")
            .arg(quoteString(QString::fromLatin1(value.toByteArray().toBase64())));
    case QMetaType::QVariantList: {
        QStringList parts;
        for (const QVariant& element : value.toList())
            parts << formatConstant(element);
        return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    default:
        break;
    }
    // Objects and other values have no literal form; this text does not read back.
    if (KeyValueCoding* object = KeyValueCoding::fromVariant(value))
        return QStringLiteral("<object 0x%1>").arg(quintptr(object), 0, 16);
    return QStringLiteral("<%1>").arg(QString::fromLatin1(value.metaType().name()));
}

QString formatKeyPath(const QString& keyPath)
{
    QStringList parts = keyPath.split(QLatin1Char('.'));
    for (QString& part : parts)
        part = PredicateParser::formatKey(part);
    return parts.join(QLatin1Char('.'));
}

QVariantList elementsOf(const QVariant& value, bool* isCollection)
{
    *isCollection = true;
    if (Expression::isNullValue(value))
        return {};
    switch (value.metaType().id()) {
    case QMetaType::QVariantList:
        return value.toList();
    case QMetaType::QStringList: {
        QVariantList list;
        for (const QString& s : value.toStringList())
            list << s;
        return list;
    }
    case QMetaType::QVariantMap:
        return value.toMap().values();
    case QMetaType::QVariantHash:
        return value.toHash().values();
    default:
        *isCollection = false;
        return { value };
    }
}

QVariant decimalSumOf(const QVariantList& values, int* count)
{
    Decimal sum = Decimal::zero();
    *count = 0;
    for (const QVariant& v : values) {
        if (Expression::isNullValue(v))
            continue;
        if (!Expression::isNumberValue(v))
            return {};
        ++*count;
        sum = sum.decimalNumberByAdding(toDecimal(v));
    }
    return QVariant::fromValue(sum);
}

QVariant sumOf(const QVariantList& values, int* count)
{
    if (std::any_of(values.begin(), values.end(), isDecimal))
        return decimalSumOf(values, count);
    qint64 integral = 0;
    long double floating = 0;
    bool useFloating = false;
    *count = 0;
    for (const QVariant& v : values) {
        if (Expression::isNullValue(v))
            continue;
        if (!Expression::isNumberValue(v))
            return {};
        ++*count;
        const int type = v.metaType().id();
        if (!useFloating && VariantNumbers::isInteger(v) && !isUnsignedType(type)) {
            qint64 next = 0;
            if (!__builtin_add_overflow(integral, v.toLongLong(), &next)) {
                integral = next;
                continue;
            }
        }
        if (!useFloating) {
            useFloating = true;
            floating = (long double)integral;
        }
        floating += isUnsignedType(type)   ? (long double)v.toULongLong()
            : VariantNumbers::isInteger(v) ? (long double)v.toLongLong()
                                           : (long double)v.toDouble();
    }
    if (useFloating)
        return double(floating);
    return integral;
}

QVariant extremeOf(const QVariantList& values, int wanted)
{
    QVariant best;
    for (const QVariant& v : values) {
        if (Expression::isNullValue(v))
            continue;
        if (!best.isValid()) {
            best = v;
            continue;
        }
        const std::optional<int> order = Expression::compareValues(v, best);
        if (!order)
            return {};
        if (*order == wanted)
            best = v;
    }
    return best;
}

QVariant applyFunction(const QString& function, const QVariant& operandValue, const QString& keyPath)
{
    bool isCollection = false;
    QVariantList elements = elementsOf(operandValue, &isCollection);
    if (function == QLatin1String("@count")) {
        if (!isCollection)
            return {};
        return qint64(elements.size());
    }
    if (!keyPath.isEmpty())
        elements = Expression::valueForKeyPath(elements, keyPath).toList();
    if (function == QLatin1String("@sum")) {
        int count = 0;
        return sumOf(elements, &count);
    }
    if (function == QLatin1String("@avg")) {
        int count = 0;
        const QVariant sum = sumOf(elements, &count);
        if (!sum.isValid() || count == 0)
            return {};
        if (isDecimal(sum))
            return QVariant::fromValue(
                sum.value<Decimal>().decimalNumberByDividingBy(Decimal::fromInt(count)));
        return sum.toDouble() / count;
    }
    if (function == QLatin1String("@min"))
        return extremeOf(elements, -1);
    if (function == QLatin1String("@max"))
        return extremeOf(elements, 1);
    return {};
}

} // namespace

Expression::Expression()
    : d(std::make_shared<Node>())
{
}

Expression::Expression(std::shared_ptr<const Node> node)
    : d(std::move(node))
{
}

Expression Expression::expressionForConstantValue(const QVariant& value)
{
    auto node = std::make_shared<Node>();
    node->type = Type::ConstantValue;
    node->constant = value;
    if (value.metaType().id() == QMetaType::QStringList) // one list type, which prints as {...}
        node->constant = QVariant(QVariantList(value.toStringList().cbegin(), value.toStringList().cend()));
    return Expression(std::move(node));
}

Expression Expression::expressionForEvaluatedObject()
{
    auto node = std::make_shared<Node>();
    node->type = Type::EvaluatedObject;
    return Expression(std::move(node));
}

Expression Expression::expressionForKeyPath(const QString& keyPath)
{
    // "items.@count" and the like are collection operators, whichever way they were made.
    if (keyPath.contains(QLatin1Char('@'))) {
        if (std::optional<Expression> function = PredicateParser::keyPathExpression(keyPath))
            return *function;
    }
    auto node = std::make_shared<Node>();
    node->type = Type::KeyPath;
    node->name = keyPath;
    return Expression(std::move(node));
}

Expression Expression::expressionForVariable(const QString& name)
{
    auto node = std::make_shared<Node>();
    node->type = Type::Variable;
    node->name = name;
    return Expression(std::move(node));
}

Expression Expression::expressionForAggregate(const QList<Expression>& elements)
{
    bool allConstant = true;
    QVariantList values;
    for (const Expression& e : elements) {
        if (e.expressionType() != Type::ConstantValue) {
            allConstant = false;
            break;
        }
        values << e.constantValue();
    }
    if (allConstant)
        return expressionForConstantValue(values);
    auto node = std::make_shared<Node>();
    node->type = Type::Aggregate;
    node->children = elements;
    return Expression(std::move(node));
}

Expression Expression::expressionForFunction(
    const QString& function, const Expression& operand, const QString& keyPath)
{
    auto node = std::make_shared<Node>();
    node->type = Type::Function;
    node->name = function;
    node->keyPath = keyPath;
    node->children = { operand };
    return Expression(std::move(node));
}

Expression::Type Expression::expressionType() const
{
    return d->type;
}

QVariant Expression::constantValue() const
{
    return d->constant;
}

QString Expression::keyPath() const
{
    if (d->type == Type::KeyPath)
        return d->name;
    if (d->type == Type::Function)
        return d->keyPath;
    return {};
}

QString Expression::variable() const
{
    return d->type == Type::Variable ? d->name : QString();
}

QList<Expression> Expression::collection() const
{
    return d->type == Type::Aggregate ? d->children : QList<Expression>();
}

QString Expression::function() const
{
    return d->type == Type::Function ? d->name : QString();
}

Expression Expression::operand() const
{
    return d->type == Type::Function ? d->children.front() : Expression();
}

QVariant Expression::expressionValueWithObject(const QVariant& object, const QVariantMap& variables) const
{
    switch (d->type) {
    case Type::ConstantValue:
        return d->constant;
    case Type::EvaluatedObject:
        return object;
    case Type::KeyPath:
        return valueForKeyPath(object, d->name);
    case Type::Variable:
        return variables.value(d->name);
    case Type::Aggregate: {
        QVariantList values;
        values.reserve(d->children.size());
        for (const Expression& e : d->children)
            values << e.expressionValueWithObject(object, variables);
        return values;
    }
    case Type::Function:
        return applyFunction(
            d->name, d->children.front().expressionValueWithObject(object, variables), d->keyPath);
    }
    return {};
}

Expression Expression::expressionWithSubstitutionVariables(const QVariantMap& variables) const
{
    switch (d->type) {
    case Type::Variable: {
        const auto it = variables.constFind(d->name);
        return it == variables.constEnd() ? *this : expressionForConstantValue(*it);
    }
    case Type::Aggregate: {
        QList<Expression> elements;
        for (const Expression& e : d->children)
            elements << e.expressionWithSubstitutionVariables(variables);
        return expressionForAggregate(elements);
    }
    case Type::Function:
        return expressionForFunction(
            d->name, d->children.front().expressionWithSubstitutionVariables(variables), d->keyPath);
    default:
        return *this;
    }
}

bool Expression::hasVariables() const
{
    if (d->type == Type::Variable)
        return true;
    for (const Expression& e : d->children) {
        if (e.hasVariables())
            return true;
    }
    return false;
}

QString Expression::predicateFormat() const
{
    switch (d->type) {
    case Type::ConstantValue:
        return formatConstant(d->constant);
    case Type::EvaluatedObject:
        return QStringLiteral("SELF");
    case Type::KeyPath:
        return formatKeyPath(d->name);
    case Type::Variable:
        return QLatin1Char('$') + d->name;
    case Type::Aggregate: {
        QStringList parts;
        for (const Expression& e : d->children)
            parts << e.predicateFormat();
        return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
    }
    case Type::Function: {
        QString text = d->children.front().predicateFormat() + QLatin1Char('.') + d->name;
        if (!d->keyPath.isEmpty())
            text += QLatin1Char('.') + formatKeyPath(d->keyPath);
        return text;
    }
    }
    return {};
}

bool Expression::operator==(const Expression& other) const
{
    if (d == other.d)
        return true;
    if (d->type != other.d->type)
        return false;
    switch (d->type) {
    case Type::ConstantValue:
        return isNullValue(d->constant) == isNullValue(other.d->constant)
            && (isNullValue(d->constant) || valuesEqual(d->constant, other.d->constant));
    case Type::EvaluatedObject:
        return true;
    case Type::KeyPath:
    case Type::Variable:
        return d->name == other.d->name;
    case Type::Aggregate:
        return d->children == other.d->children;
    case Type::Function:
        return d->name == other.d->name && d->keyPath == other.d->keyPath && d->children == other.d->children;
    }
    return false;
}

bool Expression::isNullValue(const QVariant& value)
{
    if (!value.isValid())
        return true;
    switch (value.metaType().id()) {
    case QMetaType::Nullptr:
        return true;
    case QMetaType::QString:
        return static_cast<const QString*>(value.constData())->isNull();
    case QMetaType::QDateTime:
        return !static_cast<const QDateTime*>(value.constData())->isValid();
    default:
        // A null object pointer is no object.
        return (value.metaType().flags() & QMetaType::IsPointer)
            && *static_cast<void* const*>(value.constData()) == nullptr;
    }
}

bool Expression::isNumberValue(const QVariant& value)
{
    return VariantNumbers::isNumber(value);
}

bool Expression::valuesEqual(
    const QVariant& a, const QVariant& b, bool caseInsensitive, bool diacriticInsensitive)
{
    const bool nullA = isNullValue(a);
    const bool nullB = isNullValue(b);
    if (nullA || nullB)
        return nullA && nullB;
    if (a.metaType().id() == QMetaType::QStringList || b.metaType().id() == QMetaType::QStringList) {
        auto asList = [](const QVariant& v) {
            return v.metaType().id() == QMetaType::QStringList ? QVariant(v.toList()) : v;
        };
        return valuesEqual(asList(a), asList(b), caseInsensitive, diacriticInsensitive);
    }
    if (isNumberValue(a) && isNumberValue(b)) {
        const std::optional<int> order = compareNumbers(a, b);
        return order && *order == 0;
    }
    const int ta = a.metaType().id();
    const int tb = b.metaType().id();
    if (ta == QMetaType::QString && tb == QMetaType::QString) {
        return StringFolding::fold(a.toString(), caseInsensitive, diacriticInsensitive)
            == StringFolding::fold(b.toString(), caseInsensitive, diacriticInsensitive);
    }
    if (ta == QMetaType::QDateTime && tb == QMetaType::QDateTime)
        return a.toDateTime() == b.toDateTime();
    if (ta == QMetaType::QByteArray && tb == QMetaType::QByteArray)
        return a.toByteArray() == b.toByteArray();
    if (ta == QMetaType::QVariantList && tb == QMetaType::QVariantList) {
        const QVariantList la = a.toList();
        const QVariantList lb = b.toList();
        if (la.size() != lb.size())
            return false;
        for (qsizetype i = 0; i < la.size(); ++i) {
            if (!valuesEqual(la.at(i), lb.at(i), caseInsensitive, diacriticInsensitive))
                return false;
        }
        return true;
    }
    if (isNumberValue(a) || isNumberValue(b) || ta == QMetaType::QString || tb == QMetaType::QString
        || ta == QMetaType::QDateTime || tb == QMetaType::QDateTime || ta == QMetaType::QByteArray
        || tb == QMetaType::QByteArray || ta == QMetaType::QVariantList || tb == QMetaType::QVariantList)
        return false;
    KeyValueCoding* objectA = KeyValueCoding::fromVariant(a);
    KeyValueCoding* objectB = KeyValueCoding::fromVariant(b);
    if (objectA || objectB)
        return objectA == objectB;
    return a == b;
}

std::optional<int> Expression::compareValues(
    const QVariant& a, const QVariant& b, bool caseInsensitive, bool diacriticInsensitive)
{
    if (isNullValue(a) || isNullValue(b))
        return std::nullopt;
    if (isNumberValue(a) && isNumberValue(b))
        return compareNumbers(a, b);
    const int ta = a.metaType().id();
    const int tb = b.metaType().id();
    if (ta != tb)
        return std::nullopt;
    switch (ta) {
    case QMetaType::QString: {
        const int order = StringFolding::compareCodePoints(
            StringFolding::fold(a.toString(), caseInsensitive, diacriticInsensitive),
            StringFolding::fold(b.toString(), caseInsensitive, diacriticInsensitive));
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    case QMetaType::QDateTime: {
        const QDateTime x = a.toDateTime();
        const QDateTime y = b.toDateTime();
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    case QMetaType::QByteArray: {
        const int order = a.toByteArray().compare(b.toByteArray());
        return order < 0 ? -1 : (order > 0 ? 1 : 0);
    }
    default:
        return std::nullopt;
    }
}

QVariant Expression::valueForKeyPath(const QVariant& object, const QString& keyPath)
{
    if (keyPath.isEmpty())
        return object;
    switch (object.metaType().id()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        const qsizetype dot = keyPath.indexOf(QLatin1Char('.'));
        const QString key = dot < 0 ? keyPath : keyPath.left(dot);
        const QVariant value = object.metaType().id() == QMetaType::QVariantMap
            ? static_cast<const QVariantMap*>(object.constData())->value(key)
            : static_cast<const QVariantHash*>(object.constData())->value(key);
        return dot < 0 ? value : valueForKeyPath(value, keyPath.mid(dot + 1));
    }
    case QMetaType::QVariantList: {
        QVariantList result;
        for (const QVariant& element : *static_cast<const QVariantList*>(object.constData())) {
            const QVariant value = valueForKeyPath(element, keyPath);
            if (value.metaType().id() == QMetaType::QVariantList)
                result.append(value.toList());
            else if (value.isValid())
                result.append(value);
        }
        return result;
    }
    default:
        break;
    }
    if (KeyValueCoding* kvc = KeyValueCoding::fromVariant(object))
        return kvc->valueForKeyPath(keyPath);
    return {};
}
