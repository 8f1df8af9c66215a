#include "RKTemplate.h"

#include "Log.h"

#include <limits>

namespace RKTemplate
{
namespace
{

struct CaptureReference {
    int index = -1;
    bool asInteger = false;
};

// The capture a name or number inside "${...}" (or the digit after "$") stands for; -1 for none.
int captureIndex(QStringView name, const RKRegex& regex)
{
    if (name.isEmpty())
        return -1;
    bool number = false;
    const int index = name.toInt(&number);
    if (number)
        return index >= 0 && index <= regex.captureCount() ? index : -1;
    return regex.captureIndexForCaptureName(name.toString());
}

// "$N", "${N}", "${name}", optionally with ":%d" inside the braces; the whole text must be one.
std::optional<CaptureReference> parseCaptureReference(const QString& reference, const RKRegex& regex)
{
    if (reference.size() == 2 && reference.at(0) == u'$' && reference.at(1).isDigit()) {
        const int index = captureIndex(QStringView(reference).sliced(1), regex);
        return index < 0 ? std::nullopt : std::optional<CaptureReference>({ index, false });
    }
    if (!reference.startsWith(QLatin1String("${")) || !reference.endsWith(u'}'))
        return std::nullopt;
    QStringView inner = QStringView(reference).sliced(2, reference.size() - 3);
    bool asInteger = false;
    const qsizetype colon = inner.indexOf(u':');
    if (colon >= 0) {
        if (inner.sliced(colon + 1) != QLatin1String("%d"))
            return std::nullopt;
        asInteger = true;
        inner = inner.first(colon);
    }
    const int index = captureIndex(inner, regex);
    return index < 0 ? std::nullopt : std::optional<CaptureReference>({ index, asInteger });
}

// The leading integer of a capture, as "%d" reads it ("12 cups" is 12); nothing without digits
// or beyond an int.
std::optional<int> leadingInteger(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace())
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+'))
        negative = text.at(i++) == u'-';
    qint64 value = 0;
    const qsizetype firstDigit = i;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > qint64(std::numeric_limits<int>::max()) + 1)
            return std::nullopt;
    }
    if (i == firstDigit)
        return std::nullopt;
    value = negative ? -value : value;
    if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min())
        return std::nullopt;
    return int(value);
}

void appendLiteral(QList<Piece>& pieces, QChar character)
{
    if (pieces.isEmpty() || pieces.last().capture >= 0)
        pieces.append(Piece {});
    pieces.last().literal.append(character);
}

} // namespace

std::optional<QList<Piece>> parseReplacement(const QString& replacement, const RKRegex& regex)
{
    QList<Piece> pieces;
    const qsizetype size = replacement.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = replacement.at(i);
        if (c == u'\\' && i + 1 < size) {
            appendLiteral(pieces, replacement.at(++i));
            continue;
        }
        if (c != u'$' || i + 1 == size) {
            appendLiteral(pieces, c);
            continue;
        }
        const QChar next = replacement.at(i + 1);
        if (next == u'$') {
            appendLiteral(pieces, next);
            ++i;
        } else if (next.isDigit()) {
            const int index = captureIndex(QStringView(replacement).sliced(i + 1, 1), regex);
            if (index < 0)
                return std::nullopt;
            pieces.append(Piece { QString(), index });
            ++i;
        } else if (next == u'{') {
            const qsizetype close = replacement.indexOf(u'}', i + 2);
            if (close < 0)
                return std::nullopt;
            const int index = captureIndex(QStringView(replacement).sliced(i + 2, close - i - 2), regex);
            if (index < 0)
                return std::nullopt;
            pieces.append(Piece { QString(), index });
            i = close;
        } else {
            appendLiteral(pieces, c);
        }
    }
    return pieces;
}

QString expand(const QList<Piece>& pieces, const QRegularExpressionMatch& match)
{
    QString result;
    for (const Piece& piece : pieces) {
        if (piece.capture < 0)
            result += piece.literal;
        else
            result += match.capturedView(piece.capture);
    }
    return result;
}

bool fillReferences(
    const QRegularExpressionMatch& match, const RKRegex& regex, const RKReferences& references)
{
    if (!match.hasMatch())
        return false;
    // Everything is read first, so a bad reference late in the list leaves every variable as it was.
    struct Value {
        bool present = false;
        QString text;
        int number = 0;
    };
    QList<Value> values;
    values.reserve(references.size());
    for (const RKReference& entry : references) {
        const std::optional<CaptureReference> reference = parseCaptureReference(entry.reference, regex);
        if (!reference) {
            Log::logf(QStringLiteral("RKRegex: the reference \"%1\" names no capture of \"%2\""),
                entry.reference, regex.regexString());
            return false;
        }
        if (reference->asInteger != std::holds_alternative<int*>(entry.target)) {
            Log::logf(
                QStringLiteral("RKRegex: the reference \"%1\" does not suit its variable"), entry.reference);
            return false;
        }
        Value value;
        value.present = match.capturedStart(reference->index) >= 0;
        if (value.present && reference->asInteger) {
            const std::optional<int> number = leadingInteger(match.capturedView(reference->index));
            if (!number)
                return false;
            value.number = *number;
        } else if (value.present) {
            value.text = match.captured(reference->index);
        }
        values.append(value);
    }
    for (qsizetype i = 0; i < references.size(); ++i) {
        const Value& value = values.at(i);
        if (QString* const* text = std::get_if<QString*>(&references.at(i).target)) {
            if (*text)
                **text = value.present ? value.text : QString();
        } else if (int* const* number = std::get_if<int*>(&references.at(i).target)) {
            if (*number && value.present)
                **number = value.number;
        }
    }
    return true;
}

} // namespace RKTemplate
