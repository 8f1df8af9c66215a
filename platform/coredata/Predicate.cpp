#include "Predicate.h"

#include "PredicateParser.h"
#include "StringFolding.h"

#include <QRegularExpression>
#include <QStringList>
#include <vector>

struct Predicate::Node {
    Type type = Type::True;
    // Comparison
    Expression left;
    Expression right;
    Operator op = Operator::EqualTo;
    Modifier modifier = Modifier::Direct;
    int options = 0;
    // Compound
    CompoundType compoundType = CompoundType::And;
    QList<Predicate> subpredicates;
};

namespace
{

bool isString(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QString && !value.toString().isNull();
}

bool isList(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QVariantList
        || value.metaType().id() == QMetaType::QStringList;
}

struct PatternItem {
    enum Kind { Literal, AnyOne, AnyRun } kind;
    char32_t c;
};

std::vector<PatternItem> compileLikePattern(const QList<uint>& pattern)
{
    std::vector<PatternItem> items;
    items.reserve(pattern.size());
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char32_t c = pattern.at(i);
        if (c == U'\\' && i + 1 < pattern.size())
            items.push_back({ PatternItem::Literal, char32_t(pattern.at(++i)) });
        else if (c == U'*')
            items.push_back({ PatternItem::AnyRun, 0 });
        else if (c == U'?')
            items.push_back({ PatternItem::AnyOne, 0 });
        else
            items.push_back({ PatternItem::Literal, c });
    }
    return items;
}

// Wildcard match of the whole text, by code point; backtracks only to the last "*".
bool likeMatches(const QString& text, const QString& pattern)
{
    const QList<uint> t = text.toUcs4();
    const std::vector<PatternItem> p = compileLikePattern(pattern.toUcs4());
    size_t ti = 0, pi = 0;
    size_t starPattern = SIZE_MAX, starText = 0;
    while (ti < size_t(t.size())) {
        if (pi < p.size() && p[pi].kind == PatternItem::AnyRun) {
            starPattern = pi++;
            starText = ti;
        } else if (pi < p.size()
            && (p[pi].kind == PatternItem::AnyOne
                || (p[pi].kind == PatternItem::Literal && p[pi].c == t[ti]))) {
            ++pi;
            ++ti;
        } else if (starPattern != SIZE_MAX) {
            pi = starPattern + 1;
            ti = ++starText;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].kind == PatternItem::AnyRun)
        ++pi;
    return pi == p.size();
}

bool regexMatches(const QString& text, const QString& pattern, bool caseInsensitive)
{
    // Compiling is the expensive part; a fetch evaluates one pattern against many objects.
    struct Cache {
        QString pattern;
        bool caseInsensitive = false;
        QRegularExpression expression;
    };
    thread_local Cache cache;
    if (cache.pattern != pattern || cache.caseInsensitive != caseInsensitive || cache.pattern.isNull()) {
        QRegularExpression::PatternOptions options = QRegularExpression::UseUnicodePropertiesOption;
        if (caseInsensitive)
            options |= QRegularExpression::CaseInsensitiveOption;
        cache.expression = QRegularExpression(QRegularExpression::anchoredPattern(pattern), options);
        cache.pattern = pattern;
        cache.caseInsensitive = caseInsensitive;
    }
    if (!cache.expression.isValid())
        return false;
    return cache.expression.match(text).hasMatch();
}

bool compareOne(const QVariant& left, const QVariant& right, Predicate::Operator op, int options)
{
    const bool c = options & Predicate::CaseInsensitive;
    const bool d = options & Predicate::DiacriticInsensitive;
    using Op = Predicate::Operator;
    switch (op) {
    case Op::EqualTo:
        return Expression::valuesEqual(left, right, c, d);
    case Op::NotEqualTo:
        return !Expression::valuesEqual(left, right, c, d);
    case Op::LessThan: {
        const std::optional<int> order = Expression::compareValues(left, right, c, d);
        return order && *order < 0;
    }
    case Op::LessThanOrEqualTo: {
        const std::optional<int> order = Expression::compareValues(left, right, c, d);
        return order && *order <= 0;
    }
    case Op::GreaterThan: {
        const std::optional<int> order = Expression::compareValues(left, right, c, d);
        return order && *order > 0;
    }
    case Op::GreaterThanOrEqualTo: {
        const std::optional<int> order = Expression::compareValues(left, right, c, d);
        return order && *order >= 0;
    }
    case Op::BeginsWith:
    case Op::EndsWith:
    case Op::Like:
    case Op::Matches: {
        if (!isString(left) || !isString(right))
            return false;
        const QString text = StringFolding::fold(left.toString(), c, d);
        if (op == Op::Matches)
            return regexMatches(StringFolding::fold(left.toString(), false, d), right.toString(), c);
        const QString pattern = StringFolding::fold(right.toString(), c, d);
        if (op == Op::BeginsWith)
            return text.startsWith(pattern);
        if (op == Op::EndsWith)
            return text.endsWith(pattern);
        return likeMatches(text, pattern);
    }
    case Op::Contains:
        if (isList(left)) {
            for (const QVariant& element : left.toList()) {
                if (Expression::valuesEqual(element, right, c, d))
                    return true;
            }
            return false;
        }
        if (!isString(left) || !isString(right))
            return false;
        return StringFolding::fold(left.toString(), c, d)
            .contains(StringFolding::fold(right.toString(), c, d));
    case Op::In:
        if (isList(right)) {
            for (const QVariant& element : right.toList()) {
                if (Expression::valuesEqual(left, element, c, d))
                    return true;
            }
            return false;
        }
        if (!isString(left) || !isString(right))
            return false;
        return StringFolding::fold(right.toString(), c, d)
            .contains(StringFolding::fold(left.toString(), c, d));
    case Op::Between: {
        if (!isList(right))
            return false;
        const QVariantList bounds = right.toList();
        if (bounds.size() != 2)
            return false;
        const std::optional<int> low = Expression::compareValues(left, bounds.at(0), c, d);
        const std::optional<int> high = Expression::compareValues(left, bounds.at(1), c, d);
        return low && high && *low >= 0 && *high <= 0;
    }
    }
    return false;
}

// Strings folded, lists of them element by element; other values as they are.
QVariant foldValue(const QVariant& value, bool caseInsensitive, bool diacriticInsensitive)
{
    if (isString(value))
        return StringFolding::fold(value.toString(), caseInsensitive, diacriticInsensitive);
    if (!isList(value))
        return value;
    QVariantList folded = value.toList();
    for (QVariant& element : folded)
        element = foldValue(element, caseInsensitive, diacriticInsensitive);
    return folded;
}

// Folds the right value once per evaluation instead of once per element compared.
class Comparator
{
public:
    Comparator(const QVariant& right, Predicate::Operator op, int options)
        : m_op(op)
        , m_options(options)
        , m_caseInsensitive(options & Predicate::CaseInsensitive)
        , m_diacriticInsensitive(options & Predicate::DiacriticInsensitive)
        , m_foldsOperands(options != 0 && op != Predicate::Operator::Matches)
        , m_right(m_foldsOperands ? foldValue(right, m_caseInsensitive, m_diacriticInsensitive) : right)
    {
    }

    bool operator()(const QVariant& left) const
    {
        if (!m_foldsOperands)
            return compareOne(left, m_right, m_op, m_options);
        return compareOne(foldValue(left, m_caseInsensitive, m_diacriticInsensitive), m_right, m_op, 0);
    }

private:
    Predicate::Operator m_op;
    int m_options;
    bool m_caseInsensitive;
    bool m_diacriticInsensitive;
    bool m_foldsOperands;
    QVariant m_right;
};

QVariantList elementsForModifier(const QVariant& value)
{
    if (Expression::isNullValue(value))
        return {};
    if (value.metaType().id() == QMetaType::QVariantList)
        return value.toList();
    if (value.metaType().id() == QMetaType::QStringList) {
        QVariantList list;
        for (const QString& s : value.toStringList())
            list << s;
        return list;
    }
    return { value };
}

QString optionsText(int options)
{
    if (!(options & (Predicate::CaseInsensitive | Predicate::DiacriticInsensitive)))
        return {};
    QString text = QStringLiteral("[");
    if (options & Predicate::CaseInsensitive)
        text += QLatin1Char('c');
    if (options & Predicate::DiacriticInsensitive)
        text += QLatin1Char('d');
    return text + QLatin1Char(']');
}

Predicate normalize(const Predicate& predicate)
{
    if (predicate.predicateType() != Predicate::Type::Compound)
        return predicate;
    const QList<Predicate> subs = predicate.subpredicates();
    switch (predicate.compoundPredicateType()) {
    case Predicate::CompoundType::And:
        if (subs.isEmpty())
            return Predicate::truePredicate();
        return subs.size() == 1 ? normalize(subs.front()) : predicate;
    case Predicate::CompoundType::Or:
        if (subs.isEmpty())
            return Predicate::falsePredicate();
        return subs.size() == 1 ? normalize(subs.front()) : predicate;
    case Predicate::CompoundType::Not:
        return predicate;
    }
    return predicate;
}

bool needsParentheses(const Predicate& predicate)
{
    const Predicate p = normalize(predicate);
    return p.predicateType() == Predicate::Type::Compound
        && p.compoundPredicateType() != Predicate::CompoundType::Not;
}

} // namespace

Predicate::Predicate()
    : d(std::make_shared<Node>())
{
}

Predicate::Predicate(std::shared_ptr<const Node> node)
    : d(std::move(node))
{
}

std::optional<Predicate> Predicate::predicateWithFormat(
    const QString& format, const QVariantList& args, QString* error)
{
    return PredicateParser::parse(format, args, error);
}

Predicate Predicate::truePredicate()
{
    return Predicate();
}

Predicate Predicate::falsePredicate()
{
    auto node = std::make_shared<Node>();
    node->type = Type::False;
    return Predicate(std::move(node));
}

Predicate Predicate::andPredicateWithSubpredicates(const QList<Predicate>& subpredicates)
{
    auto node = std::make_shared<Node>();
    node->type = Type::Compound;
    node->compoundType = CompoundType::And;
    node->subpredicates = subpredicates;
    return Predicate(std::move(node));
}

Predicate Predicate::orPredicateWithSubpredicates(const QList<Predicate>& subpredicates)
{
    auto node = std::make_shared<Node>();
    node->type = Type::Compound;
    node->compoundType = CompoundType::Or;
    node->subpredicates = subpredicates;
    return Predicate(std::move(node));
}

Predicate Predicate::notPredicateWithSubpredicate(const Predicate& subpredicate)
{
    auto node = std::make_shared<Node>();
    node->type = Type::Compound;
    node->compoundType = CompoundType::Not;
    node->subpredicates = { subpredicate };
    return Predicate(std::move(node));
}

Predicate Predicate::predicateWithLeftExpression(
    const Expression& left, const Expression& right, Modifier modifier, Operator type, int options)
{
    auto node = std::make_shared<Node>();
    node->type = Type::Comparison;
    node->left = left;
    node->right = right;
    node->modifier = modifier;
    node->op = type;
    node->options = options & (CaseInsensitive | DiacriticInsensitive);
    return Predicate(std::move(node));
}

Predicate::Type Predicate::predicateType() const
{
    return d->type;
}

Expression Predicate::leftExpression() const
{
    return d->left;
}

Expression Predicate::rightExpression() const
{
    return d->right;
}

Predicate::Operator Predicate::predicateOperatorType() const
{
    return d->op;
}

Predicate::Modifier Predicate::comparisonPredicateModifier() const
{
    return d->modifier;
}

int Predicate::options() const
{
    return d->options;
}

Predicate::CompoundType Predicate::compoundPredicateType() const
{
    return d->compoundType;
}

QList<Predicate> Predicate::subpredicates() const
{
    return d->subpredicates;
}

bool Predicate::evaluateWithObject(const QVariant& object, const QVariantMap& substitutionVariables) const
{
    switch (d->type) {
    case Type::True:
        return true;
    case Type::False:
        return false;
    case Type::Compound:
        switch (d->compoundType) {
        case CompoundType::Not:
            return !d->subpredicates.front().evaluateWithObject(object, substitutionVariables);
        case CompoundType::And:
            for (const Predicate& p : d->subpredicates) {
                if (!p.evaluateWithObject(object, substitutionVariables))
                    return false;
            }
            return true;
        case CompoundType::Or:
            for (const Predicate& p : d->subpredicates) {
                if (p.evaluateWithObject(object, substitutionVariables))
                    return true;
            }
            return false;
        }
        return false;
    case Type::Comparison:
        break;
    }
    const QVariant left = d->left.expressionValueWithObject(object, substitutionVariables);
    const Comparator matches(
        d->right.expressionValueWithObject(object, substitutionVariables), d->op, d->options);
    switch (d->modifier) {
    case Modifier::Direct:
        return matches(left);
    case Modifier::Any:
        for (const QVariant& element : elementsForModifier(left)) {
            if (matches(element))
                return true;
        }
        return false;
    case Modifier::All:
        for (const QVariant& element : elementsForModifier(left)) {
            if (!matches(element))
                return false;
        }
        return true;
    case Modifier::None:
        for (const QVariant& element : elementsForModifier(left)) {
            if (matches(element))
                return false;
        }
        return true;
    }
    return false;
}

Predicate Predicate::predicateWithSubstitutionVariables(const QVariantMap& variables) const
{
    switch (d->type) {
    case Type::True:
    case Type::False:
        return *this;
    case Type::Comparison:
        return predicateWithLeftExpression(d->left.expressionWithSubstitutionVariables(variables),
            d->right.expressionWithSubstitutionVariables(variables), d->modifier, d->op, d->options);
    case Type::Compound:
        break;
    }
    QList<Predicate> subs;
    subs.reserve(d->subpredicates.size());
    for (const Predicate& p : d->subpredicates)
        subs << p.predicateWithSubstitutionVariables(variables);
    auto node = std::make_shared<Node>(*d);
    node->subpredicates = subs;
    return Predicate(std::move(node));
}

bool Predicate::hasVariables() const
{
    if (d->type == Type::Comparison)
        return d->left.hasVariables() || d->right.hasVariables();
    for (const Predicate& p : d->subpredicates) {
        if (p.hasVariables())
            return true;
    }
    return false;
}

QString Predicate::predicateFormat() const
{
    switch (d->type) {
    case Type::True:
        return QStringLiteral("TRUEPREDICATE");
    case Type::False:
        return QStringLiteral("FALSEPREDICATE");
    case Type::Comparison: {
        QString text;
        switch (d->modifier) {
        case Modifier::Direct:
            break;
        case Modifier::Any:
            text = QStringLiteral("ANY ");
            break;
        case Modifier::All:
            text = QStringLiteral("ALL ");
            break;
        case Modifier::None:
            text = QStringLiteral("NONE ");
            break;
        }
        return text + d->left.predicateFormat() + QLatin1Char(' ') + operatorName(d->op)
            + optionsText(d->options) + QLatin1Char(' ') + d->right.predicateFormat();
    }
    case Type::Compound:
        break;
    }
    const Predicate self = normalize(*this);
    if (self.d != d)
        return self.predicateFormat();
    auto part = [](const Predicate& p) {
        return needsParentheses(p) ? QLatin1Char('(') + p.predicateFormat() + QLatin1Char(')')
                                   : p.predicateFormat();
    };
    if (d->compoundType == CompoundType::Not)
        return QStringLiteral("NOT ") + part(d->subpredicates.front());
    QStringList parts;
    for (const Predicate& p : d->subpredicates)
        parts << part(p);
    return parts.join(
        d->compoundType == CompoundType::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
}

bool Predicate::operator==(const Predicate& other) const
{
    if (d == other.d)
        return true;
    const Predicate a = normalize(*this);
    const Predicate b = normalize(other);
    if (a.d->type != b.d->type)
        return false;
    switch (a.d->type) {
    case Type::True:
    case Type::False:
        return true;
    case Type::Comparison:
        return a.d->op == b.d->op && a.d->modifier == b.d->modifier && a.d->options == b.d->options
            && a.d->left == b.d->left && a.d->right == b.d->right;
    case Type::Compound:
        return a.d->compoundType == b.d->compoundType && a.d->subpredicates == b.d->subpredicates;
    }
    return false;
}

QString Predicate::operatorName(Operator type)
{
    switch (type) {
    case Operator::LessThan:
        return QStringLiteral("<");
    case Operator::LessThanOrEqualTo:
        return QStringLiteral("<=");
    case Operator::GreaterThan:
        return QStringLiteral(">");
    case Operator::GreaterThanOrEqualTo:
        return QStringLiteral(">=");
    case Operator::EqualTo:
        return QStringLiteral("==");
    case Operator::NotEqualTo:
        return QStringLiteral("!=");
    case Operator::Matches:
        return QStringLiteral("MATCHES");
    case Operator::Like:
        return QStringLiteral("LIKE");
    case Operator::BeginsWith:
        return QStringLiteral("BEGINSWITH");
    case Operator::EndsWith:
        return QStringLiteral("ENDSWITH");
    case Operator::In:
        return QStringLiteral("IN");
    case Operator::Contains:
        return QStringLiteral("CONTAINS");
    case Operator::Between:
        return QStringLiteral("BETWEEN");
    }
    return {};
}
