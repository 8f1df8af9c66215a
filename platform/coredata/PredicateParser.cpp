#include "PredicateParser.h"

#include "Decimal.h"
#include "Predicate.h"

#include <QByteArray>
#include <QDateTime>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

namespace
{

// Deeper nesting than any real predicate; keeps hostile input from exhausting the stack.
constexpr int maximumDepth = 200;

const QSet<QString>& reservedWords()
{
    static const QSet<QString> words = {
        QStringLiteral("AND"),
        QStringLiteral("OR"),
        QStringLiteral("NOT"),
        QStringLiteral("IN"),
        QStringLiteral("LIKE"),
        QStringLiteral("MATCHES"),
        QStringLiteral("CONTAINS"),
        QStringLiteral("BEGINSWITH"),
        QStringLiteral("ENDSWITH"),
        QStringLiteral("BETWEEN"),
        QStringLiteral("ANY"),
        QStringLiteral("ALL"),
        QStringLiteral("NONE"),
        QStringLiteral("SOME"),
        QStringLiteral("NULL"),
        QStringLiteral("NIL"),
        QStringLiteral("SELF"),
        QStringLiteral("TRUE"),
        QStringLiteral("FALSE"),
        QStringLiteral("YES"),
        QStringLiteral("NO"),
        QStringLiteral("TRUEPREDICATE"),
        QStringLiteral("FALSEPREDICATE"),
        QStringLiteral("CAST"),
    };
    return words;
}

const QStringList& collectionOperators()
{
    static const QStringList operators = { QStringLiteral("@count"), QStringLiteral("@sum"),
        QStringLiteral("@avg"), QStringLiteral("@min"), QStringLiteral("@max") };
    return operators;
}

bool isIdentifierStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isIdentifierPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

struct Token {
    enum Kind { End, Identifier, Number, String, Symbol, FormatArgument, Variable, Options };
    Kind kind = End;
    QString text; // identifier, symbol, variable name, or 'K' / '@' of a format argument
    QVariant value; // numbers and strings
    int options = 0;
    bool escaped = false; // identifier written with '#'
    qsizetype start = 0;
};

class Parser
{
public:
    Parser(const QString& format, const QVariantList& args)
        : m_text(format)
        , m_args(args)
    {
    }

    std::optional<Predicate> run(QString* error)
    {
        std::optional<Predicate> result;
        if (advance())
            result = parseOr();
        if (result && m_token.kind != Token::End) {
            fail(QStringLiteral("AND, OR or the end of the text"));
            result.reset();
        }
        if (!result && error)
            *error = m_error;
        return result;
    }

private:
    // ---- lexing

    bool advance()
    {
        m_previousEnd = m_pos;
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
        m_token = Token();
        m_token.start = m_pos;
        if (m_pos >= m_text.size())
            return true;
        const QChar c = m_text.at(m_pos);
        const QChar next = m_pos + 1 < m_text.size() ? m_text.at(m_pos + 1) : QChar();
        if (c == QLatin1Char('"') || c == QLatin1Char('\''))
            return lexString(c);
        if (c.isDigit() || (c == QLatin1Char('-') && (next.isDigit() || next == QLatin1Char('.')))
            || (c == QLatin1Char('.') && next.isDigit() && m_previousAllowsNumber))
            return lexNumber();
        m_previousAllowsNumber = true;
        if (c == QLatin1Char('%')) {
            if (next != QLatin1Char('@') && next != QLatin1Char('K'))
                return lexError(QStringLiteral("a format argument %@ or %K"));
            m_token.kind = Token::FormatArgument;
            m_token.text = next;
            m_pos += 2;
            m_previousAllowsNumber = false;
            return true;
        }
        if (c == QLatin1Char('$') || c == QLatin1Char('#') || c == QLatin1Char('@')) {
            if (!isIdentifierStart(next))
                return lexError(c == QLatin1Char('$') ? QStringLiteral("a variable name after $")
                                                      : QStringLiteral("a name after %1").arg(c));
            ++m_pos;
            const QString name = readIdentifier();
            m_token.kind = c == QLatin1Char('$') ? Token::Variable : Token::Identifier;
            m_token.text = c == QLatin1Char('@') ? QLatin1Char('@') + name : name;
            m_token.escaped = c == QLatin1Char('#');
            m_previousAllowsNumber = false;
            return true;
        }
        if (isIdentifierStart(c)) {
            m_token.kind = Token::Identifier;
            m_token.text = readIdentifier();
            m_previousAllowsNumber = false;
            return true;
        }
        if (c == QLatin1Char('['))
            return lexOptions();
        static const char* const twoCharacterSymbols[]
            = { "==", "!=", "<>", "<=", "=<", ">=", "=>", "&&", "||" };
        for (const char* symbol : twoCharacterSymbols) {
            if (c == QLatin1Char(symbol[0]) && next == QLatin1Char(symbol[1])) {
                m_token.kind = Token::Symbol;
                m_token.text = QString::fromLatin1(symbol);
                m_pos += 2;
                return true;
            }
        }
        if (QStringLiteral("=<>!(){},.").contains(c)) {
            m_token.kind = Token::Symbol;
            m_token.text = c;
            ++m_pos;
            m_previousAllowsNumber = c != QLatin1Char(')') && c != QLatin1Char('}');
            return true;
        }
        return lexError(QStringLiteral("a predicate"));
    }

    QString readIdentifier()
    {
        const qsizetype begin = m_pos;
        while (m_pos < m_text.size() && isIdentifierPart(m_text.at(m_pos)))
            ++m_pos;
        return m_text.mid(begin, m_pos - begin);
    }

    bool lexString(QChar quote)
    {
        QString value = QStringLiteral(""); // '' is an empty string, not null
        ++m_pos;
        while (m_pos < m_text.size()) {
            const QChar c = m_text.at(m_pos++);
            if (c == quote) {
                m_token.kind = Token::String;
                m_token.value = value;
                m_previousAllowsNumber = false;
                return true;
            }
            if (c != QLatin1Char('\\')) {
                value += c;
                continue;
            }
            if (m_pos >= m_text.size())
                break;
            const QChar e = m_text.at(m_pos++);
            switch (e.unicode()) {
            case 'n':
                value += QLatin1Char('\n');
                break;
            case 'r':
                value += QLatin1Char('\r');
                break;
            case 't':
                value += QLatin1Char('\t');
                break;
            case '0':
                value += QChar(0);
                break;
            case '"':
            case '\'':
            case '\\':
                value += e;
                break;
            case 'u': {
                const QString hex = m_text.mid(m_pos, 4);
                bool ok = hex.size() == 4;
                for (QChar h : hex)
                    ok = ok && h.unicode() < 0x80 && std::isxdigit(h.unicode());
                const uint code = ok ? hex.toUInt(nullptr, 16) : 0;
                if (!ok) {
                    m_token.start = m_pos - 2;
                    return lexError(QStringLiteral("four hexadecimal digits after \\u"));
                }
                value += QChar(char16_t(code));
                m_pos += 4;
                break;
            }
            default:
                // Kept as written, so that a LIKE pattern can escape its wildcards.
                value += QLatin1Char('\\');
                value += e;
            }
        }
        return lexError(QStringLiteral("a closing %1").arg(quote));
    }

    bool lexNumber()
    {
        const qsizetype begin = m_pos;
        if (m_text.at(m_pos) == QLatin1Char('-'))
            ++m_pos;
        bool integral = true;
        qsizetype digitCount = 0;
        auto digits = [&] {
            while (m_pos < m_text.size() && m_text.at(m_pos).unicode() >= '0'
                && m_text.at(m_pos).unicode() <= '9') {
                ++m_pos;
                ++digitCount;
            }
        };
        digits();
        if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('.')) {
            integral = false;
            ++m_pos;
            digits();
        }
        if (digitCount == 0)
            return lexError(QStringLiteral("a number"));
        if (m_pos < m_text.size()
            && (m_text.at(m_pos) == QLatin1Char('e') || m_text.at(m_pos) == QLatin1Char('E'))) {
            qsizetype p = m_pos + 1;
            if (p < m_text.size() && (m_text.at(p) == QLatin1Char('+') || m_text.at(p) == QLatin1Char('-')))
                ++p;
            if (p < m_text.size() && m_text.at(p).isDigit()) {
                integral = false;
                m_pos = p;
                digits();
            }
        }
        if (m_pos < m_text.size() && isIdentifierPart(m_text.at(m_pos)))
            return lexError(QStringLiteral("a number"));
        const QByteArray text = m_text.mid(begin, m_pos - begin).toLatin1();
        m_token.kind = Token::Number;
        m_previousAllowsNumber = false;
        if (integral) {
            bool ok = false;
            const qint64 value = text.toLongLong(&ok);
            if (ok) {
                m_token.value = value;
                return true;
            }
        }
        const double value = std::strtod(text.constData(), nullptr);
        m_token.value = value;
        // A literal with more digits than a double holds keeps them as a decimal.
        const Decimal exact = Decimal::decimalNumberWithString(QString::fromLatin1(text));
        if (std::isfinite(value) && exact.isValid() && exact != Decimal::fromDouble(value))
            m_token.value = QVariant::fromValue(exact);
        return true;
    }

    bool lexOptions()
    {
        qsizetype p = m_pos + 1;
        int options = 0;
        while (p < m_text.size() && m_text.at(p) != QLatin1Char(']')) {
            const QChar c = m_text.at(p).toLower();
            if (c == QLatin1Char('c'))
                options |= Predicate::CaseInsensitive;
            else if (c == QLatin1Char('d'))
                options |= Predicate::DiacriticInsensitive;
            else {
                m_token.start = p;
                return lexError(QStringLiteral("the option c or d"));
            }
            ++p;
        }
        if (p >= m_text.size())
            return lexError(QStringLiteral("] after the options"));
        m_token.kind = Token::Options;
        m_token.options = options;
        m_pos = p + 1;
        return true;
    }

    bool lexError(const QString& expected)
    {
        m_error = QStringLiteral("Unable to parse the format string \"%1\": expected %2 at position %3")
                      .arg(m_text, expected, QString::number(m_token.start));
        m_pos = m_text.size();
        return false;
    }

    // ---- parsing

    // Reports the current token, or the text from `start` to `end` when given.
    bool fail(const QString& expected, qsizetype start = -1, qsizetype end = -1)
    {
        if (start < 0) {
            start = m_token.start;
            end = m_token.kind == Token::End ? start : m_pos;
        }
        const QString found = end > start
            ? QLatin1Char('"') + m_text.mid(start, end - start) + QLatin1Char('"')
            : QStringLiteral("the end of the text");
        if (m_error.isEmpty())
            m_error = QStringLiteral(
                "Unable to parse the format string \"%1\": expected %2 at position %3, found %4")
                          .arg(m_text, expected, QString::number(start), found);
        return false;
    }

    // End of the previous token: where the text just read stops.
    qsizetype endOfPrevious() const { return m_previousEnd; }

    bool isKeyword(const char* word) const
    {
        return m_token.kind == Token::Identifier && !m_token.escaped
            && m_token.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    bool isSymbol(const char* symbol) const
    {
        return m_token.kind == Token::Symbol && m_token.text == QLatin1String(symbol);
    }

    struct DepthGuard {
        explicit DepthGuard(int& depth)
            : depth(depth)
        {
            ++depth;
        }
        ~DepthGuard() { --depth; }
        int& depth;
    };

    bool tooDeep()
    {
        if (m_depth <= maximumDepth)
            return false;
        fail(QStringLiteral("less nesting"));
        return true;
    }

    std::optional<Predicate> parseOr()
    {
        QList<Predicate> parts;
        for (;;) {
            std::optional<Predicate> part = parseAnd();
            if (!part)
                return std::nullopt;
            parts << *part;
            if (!isKeyword("OR") && !isSymbol("||"))
                break;
            if (!advance())
                return std::nullopt;
        }
        return parts.size() == 1 ? parts.front() : Predicate::orPredicateWithSubpredicates(parts);
    }

    std::optional<Predicate> parseAnd()
    {
        QList<Predicate> parts;
        for (;;) {
            std::optional<Predicate> part = parseNot();
            if (!part)
                return std::nullopt;
            parts << *part;
            if (!isKeyword("AND") && !isSymbol("&&"))
                break;
            if (!advance())
                return std::nullopt;
        }
        return parts.size() == 1 ? parts.front() : Predicate::andPredicateWithSubpredicates(parts);
    }

    std::optional<Predicate> parseNot()
    {
        DepthGuard guard(m_depth);
        if (tooDeep())
            return std::nullopt;
        if (isKeyword("NOT") || isSymbol("!")) {
            if (!advance())
                return std::nullopt;
            std::optional<Predicate> inner = parseNot();
            if (!inner)
                return std::nullopt;
            return Predicate::notPredicateWithSubpredicate(*inner);
        }
        if (isSymbol("(")) {
            if (!advance())
                return std::nullopt;
            std::optional<Predicate> inner = parseOr();
            if (!inner)
                return std::nullopt;
            if (!isSymbol(")")) {
                fail(QStringLiteral("\")\""));
                return std::nullopt;
            }
            if (!advance())
                return std::nullopt;
            return inner;
        }
        if (isKeyword("TRUEPREDICATE") || isKeyword("FALSEPREDICATE")) {
            const bool value = isKeyword("TRUEPREDICATE");
            if (!advance())
                return std::nullopt;
            return value ? Predicate::truePredicate() : Predicate::falsePredicate();
        }
        return parseComparison();
    }

    std::optional<Predicate> parseComparison()
    {
        Predicate::Modifier modifier = Predicate::Modifier::Direct;
        if (isKeyword("ANY") || isKeyword("SOME"))
            modifier = Predicate::Modifier::Any;
        else if (isKeyword("ALL"))
            modifier = Predicate::Modifier::All;
        else if (isKeyword("NONE"))
            modifier = Predicate::Modifier::None;
        if (modifier != Predicate::Modifier::Direct && !advance())
            return std::nullopt;

        std::optional<Expression> left = parseExpression();
        if (!left)
            return std::nullopt;
        std::optional<Predicate::Operator> op = parseOperator();
        if (!op)
            return std::nullopt;
        int options = 0;
        if (m_token.kind == Token::Options) {
            options = m_token.options;
            if (!advance())
                return std::nullopt;
        }
        std::optional<Expression> right = parseExpression();
        if (!right)
            return std::nullopt;
        return Predicate::predicateWithLeftExpression(*left, *right, modifier, *op, options);
    }

    std::optional<Predicate::Operator> parseOperator()
    {
        using Op = Predicate::Operator;
        static const struct {
            const char* text;
            bool isSymbol;
            Op op;
        } operators[] = {
            { "==", true, Op::EqualTo },
            { "=", true, Op::EqualTo },
            { "!=", true, Op::NotEqualTo },
            { "<>", true, Op::NotEqualTo },
            { "<", true, Op::LessThan },
            { "<=", true, Op::LessThanOrEqualTo },
            { "=<", true, Op::LessThanOrEqualTo },
            { ">", true, Op::GreaterThan },
            { ">=", true, Op::GreaterThanOrEqualTo },
            { "=>", true, Op::GreaterThanOrEqualTo },
            { "BEGINSWITH", false, Op::BeginsWith },
            { "ENDSWITH", false, Op::EndsWith },
            { "CONTAINS", false, Op::Contains },
            { "LIKE", false, Op::Like },
            { "MATCHES", false, Op::Matches },
            { "IN", false, Op::In },
            { "BETWEEN", false, Op::Between },
        };
        for (const auto& candidate : operators) {
            if (candidate.isSymbol ? isSymbol(candidate.text) : isKeyword(candidate.text)) {
                if (!advance())
                    return std::nullopt;
                return candidate.op;
            }
        }
        fail(QStringLiteral("a comparison operator"));
        return std::nullopt;
    }

    std::optional<QVariant> nextArgument()
    {
        if (m_argumentIndex >= m_args.size()) {
            fail(QStringLiteral("an argument for %") + m_token.text
                + QStringLiteral(" (only %1 given)").arg(m_args.size()));
            return std::nullopt;
        }
        return m_args.at(m_argumentIndex++);
    }

    std::optional<Expression> parseExpression()
    {
        DepthGuard guard(m_depth);
        if (tooDeep())
            return std::nullopt;
        switch (m_token.kind) {
        case Token::Number:
        case Token::String: {
            const QVariant value = m_token.value;
            if (!advance())
                return std::nullopt;
            return Expression::expressionForConstantValue(value);
        }
        case Token::FormatArgument: {
            const bool isKey = m_token.text == QLatin1String("K");
            std::optional<QVariant> argument = nextArgument();
            if (!argument)
                return std::nullopt;
            if (!isKey) {
                if (!advance())
                    return std::nullopt;
                return Expression::expressionForConstantValue(*argument);
            }
            QString problem;
            std::optional<Expression> keyPath;
            if (argument->metaType().id() == QMetaType::QString)
                keyPath = PredicateParser::keyPathExpression(argument->toString(), &problem);
            if (!keyPath) {
                fail(QStringLiteral("a key path as the argument of %K (%1)")
                         .arg(problem.isEmpty() ? QStringLiteral("a string") : problem));
                return std::nullopt;
            }
            if (!advance())
                return std::nullopt;
            return keyPath;
        }
        case Token::Variable: {
            const QString name = m_token.text;
            if (!advance())
                return std::nullopt;
            return Expression::expressionForVariable(name);
        }
        case Token::Identifier:
            return parseIdentifierExpression();
        case Token::Symbol:
            if (isSymbol("{"))
                return parseList();
            break;
        default:
            break;
        }
        fail(QStringLiteral("an expression"));
        return std::nullopt;
    }

    std::optional<Expression> parseList()
    {
        QList<Expression> elements;
        if (!advance())
            return std::nullopt;
        if (!isSymbol("}")) {
            for (;;) {
                std::optional<Expression> element = parseExpression();
                if (!element)
                    return std::nullopt;
                elements << *element;
                if (isSymbol("}"))
                    break;
                if (!isSymbol(",")) {
                    fail(QStringLiteral("\",\" or \"}\""));
                    return std::nullopt;
                }
                if (!advance())
                    return std::nullopt;
            }
        }
        if (!advance())
            return std::nullopt;
        return Expression::expressionForAggregate(elements);
    }

    std::optional<Expression> parseIdentifierExpression()
    {
        const qsizetype start = m_token.start;
        if (!m_token.escaped && PredicateParser::isReservedWord(m_token.text)) {
            if (isKeyword("NULL") || isKeyword("NIL"))
                return constantAndAdvance(QVariant());
            if (isKeyword("TRUE") || isKeyword("YES"))
                return constantAndAdvance(true);
            if (isKeyword("FALSE") || isKeyword("NO"))
                return constantAndAdvance(false);
            if (isKeyword("CAST"))
                return parseCast();
            if (isKeyword("SELF"))
                return parseSelf();
            fail(QStringLiteral("an expression (write #%1 for a key of that name)").arg(m_token.text));
            return std::nullopt;
        }
        if (m_token.text.startsWith(QLatin1Char('@'))) {
            fail(QStringLiteral("a key before %1").arg(m_token.text));
            return std::nullopt;
        }
        QStringList components { m_token.text };
        if (!advance())
            return std::nullopt;
        while (isSymbol(".")) {
            if (!advance())
                return std::nullopt;
            if (m_token.kind != Token::Identifier) {
                fail(QStringLiteral("a key after \".\""));
                return std::nullopt;
            }
            components << m_token.text;
            if (!advance())
                return std::nullopt;
        }
        QString problem;
        std::optional<Expression> expression
            = PredicateParser::keyPathExpression(components.join(QLatin1Char('.')), &problem);
        if (!expression)
            fail(problem, start, endOfPrevious());
        return expression;
    }

    std::optional<Expression> parseSelf()
    {
        if (!advance())
            return std::nullopt;
        if (!isSymbol("."))
            return Expression::expressionForEvaluatedObject();
        if (!advance())
            return std::nullopt;
        if (m_token.kind != Token::Identifier || !collectionOperators().contains(m_token.text)) {
            fail(QStringLiteral("a collection operator such as @count after SELF."));
            return std::nullopt;
        }
        const QString function = m_token.text;
        if (!advance())
            return std::nullopt;
        QStringList rest;
        while (function != QLatin1String("@count") && isSymbol(".")) {
            if (!advance())
                return std::nullopt;
            if (m_token.kind != Token::Identifier || m_token.text.startsWith(QLatin1Char('@'))) {
                fail(QStringLiteral("a key after \".\""));
                return std::nullopt;
            }
            rest << m_token.text;
            if (!advance())
                return std::nullopt;
        }
        return Expression::expressionForFunction(
            function, Expression::expressionForEvaluatedObject(), rest.join(QLatin1Char('.')));
    }

    std::optional<Expression> parseCast()
    {
        const qsizetype castStart = m_token.start;
        if (!advance())
            return std::nullopt;
        if (!isSymbol("(")) {
            fail(QStringLiteral("\"(\" after CAST"));
            return std::nullopt;
        }
        if (!advance())
            return std::nullopt;
        std::optional<Expression> value = parseExpression();
        if (!value)
            return std::nullopt;
        if (!isSymbol(",")) {
            fail(QStringLiteral("\",\" in CAST"));
            return std::nullopt;
        }
        if (!advance())
            return std::nullopt;
        if (m_token.kind != Token::String) {
            fail(QStringLiteral("a type name in quotes in CAST"));
            return std::nullopt;
        }
        const QString type = m_token.value.toString();
        if (!advance())
            return std::nullopt;
        if (!isSymbol(")")) {
            fail(QStringLiteral("\")\" after CAST"));
            return std::nullopt;
        }
        const QVariant constant = value->constantValue();
        std::optional<QVariant> converted;
        if (value->expressionType() == Expression::Type::ConstantValue) {
            if (type == QLatin1String("NSDate"))
                converted = dateFromReferenceSeconds(constant);
            else if (type == QLatin1String("NSData"))
                converted = dataFromBase64(constant);
        }
        if (!converted) {
            fail(QStringLiteral("CAST(<seconds since 2001>, \"NSDate\") or CAST(\"<base64>\", \"NSData\")"),
                castStart, m_pos);
            return std::nullopt;
        }
        if (!advance())
            return std::nullopt;
        return Expression::expressionForConstantValue(*converted);
    }

    static std::optional<QVariant> dateFromReferenceSeconds(const QVariant& value)
    {
        if (value.metaType().id() == QMetaType::QDateTime)
            return value;
        if (!Expression::isNumberValue(value) || value.metaType().id() == QMetaType::Bool)
            return std::nullopt;
        const double seconds = value.toDouble();
        // About ±300,000 years: far beyond any real date, and safe from overflow.
        if (!std::isfinite(seconds) || std::fabs(seconds) > 1e13)
            return std::nullopt;
        const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        return reference.addMSecs(std::llround(seconds * 1000.0));
    }

    static std::optional<QVariant> dataFromBase64(const QVariant& value)
    {
        if (value.metaType().id() == QMetaType::QByteArray)
            return value;
        if (value.metaType().id() != QMetaType::QString)
            return std::nullopt;
        const auto decoded = QByteArray::fromBase64Encoding(
            value.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return QVariant(*decoded);
    }

    std::optional<Expression> constantAndAdvance(const QVariant& value)
    {
        if (!advance())
            return std::nullopt;
        return Expression::expressionForConstantValue(value);
    }

    const QString m_text;
    const QVariantList m_args;
    qsizetype m_argumentIndex = 0;
    qsizetype m_pos = 0;
    Token m_token;
    bool m_previousAllowsNumber = true;
    qsizetype m_previousEnd = 0;
    int m_depth = 0;
    QString m_error;
};

} // namespace

std::optional<Predicate> PredicateParser::parse(
    const QString& format, const QVariantList& args, QString* error)
{
    Parser parser(format, args);
    return parser.run(error);
}

bool PredicateParser::isReservedWord(const QString& word)
{
    return reservedWords().contains(word.toUpper());
}

QString PredicateParser::formatKey(const QString& key)
{
    return isReservedWord(key) ? QLatin1Char('#') + key : key;
}

std::optional<Expression> PredicateParser::keyPathExpression(const QString& keyPath, QString* problem)
{
    const QStringList components = keyPath.split(QLatin1Char('.'));
    for (qsizetype i = 0; i < components.size(); ++i) {
        const QString& component = components.at(i);
        if (component.isEmpty()) {
            if (problem)
                *problem = QStringLiteral("a key path without empty keys");
            return std::nullopt;
        }
        if (!component.startsWith(QLatin1Char('@'))) {
            // Only keys that the text syntax can write, so that the predicate prints back.
            const bool writable = isIdentifierStart(component.front())
                && std::all_of(component.begin(), component.end(), isIdentifierPart);
            if (!writable) {
                if (problem)
                    *problem = QStringLiteral("keys of letters, digits and \"_\"");
                return std::nullopt;
            }
            continue;
        }
        if (i == 0 || !collectionOperators().contains(component)) {
            if (problem)
                *problem = QStringLiteral("one of @count, @sum, @avg, @min, @max after a key");
            return std::nullopt;
        }
        const QStringList rest = components.mid(i + 1);
        const bool isCount = component == QLatin1String("@count");
        bool restIsPlain = true;
        for (const QString& key : rest)
            restIsPlain = restIsPlain && !key.isEmpty() && !key.startsWith(QLatin1Char('@'));
        if ((isCount && !rest.isEmpty()) || !restIsPlain) {
            if (problem)
                *problem = QStringLiteral("the end of the key path after %1").arg(component);
            return std::nullopt;
        }
        return Expression::expressionForFunction(component,
            Expression::expressionForKeyPath(components.mid(0, i).join(QLatin1Char('.'))),
            rest.join(QLatin1Char('.')));
    }
    return Expression::expressionForKeyPath(keyPath);
}
