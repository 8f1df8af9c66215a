#include "RegexKitAdditions.h"

#include "Log.h"
#include "RKTemplate.h"

#include <QRegularExpressionMatchIterator>

namespace RegexKitAdditions
{

Range rangeOfRegex(const QString& string, const RKRegex& regex)
{
    const QRegularExpressionMatch match = regex.regularExpression().match(string);
    if (!match.hasMatch())
        return { Range::NotFound, 0 };
    return { match.capturedStart(), match.capturedLength() };
}

bool isMatchedByRegex(const QString& string, const RKRegex& regex)
{
    return regex.regularExpression().match(string).hasMatch();
}

bool getCapturesWithRegex(
    const QString& string, const RKRegex& regex, Range range, const RKReferences& references)
{
    if (range.location < 0 || range.length < 0 || range.location > string.size()
        || range.length > string.size() - range.location)
        return false;
    const QRegularExpressionMatch match
        = regex.regularExpression().match(string.sliced(range.location, range.length));
    return RKTemplate::fillReferences(match, regex, references);
}

bool getCapturesWithRegexAndReferences(
    const QString& string, const RKRegex& regex, const RKReferences& references)
{
    return RKTemplate::fillReferences(regex.regularExpression().match(string), regex, references);
}

RKEnumerator matchEnumeratorWithRegex(const QString& string, const RKRegex& regex)
{
    return RKEnumerator(string, regex);
}

qsizetype matchReplaceWithString(
    QString& string, const RKRegex& regex, qsizetype count, const QString& replacement)
{
    qsizetype replaced = 0;
    string = stringByMatching(string, regex, count, replacement, &replaced);
    return replaced;
}

qsizetype matchReplaceWithFormat(QString& string, const RKRegex& regex, qsizetype count,
    const QString& format, const QStringList& arguments)
{
    QString replacement = format;
    if (!arguments.isEmpty()) {
        // One pass, so an argument holding "%2" stays as written.
        QString filled;
        for (qsizetype i = 0; i < format.size(); ++i) {
            if (format.at(i) == u'%' && i + 1 < format.size() && format.at(i + 1).isDigit()) {
                const int number = format.at(i + 1).digitValue();
                if (number >= 1 && number <= arguments.size()) {
                    filled += arguments.at(number - 1);
                    ++i;
                    continue;
                }
            }
            filled += format.at(i);
        }
        replacement = filled;
    }
    return matchReplaceWithString(string, regex, count, replacement);
}

QString stringByMatching(const QString& string, const RKRegex& regex, qsizetype count,
    const QString& referenceString, qsizetype* replacedCount)
{
    if (replacedCount)
        *replacedCount = 0;
    if (count <= 0)
        return string;
    const std::optional<QList<RKTemplate::Piece>> pieces
        = RKTemplate::parseReplacement(referenceString, regex);
    if (!pieces) {
        Log::logf(
            QStringLiteral("RKRegex: the replacement \"%1\" names no capture of \"%2\"; nothing replaced"),
            referenceString, regex.regexString());
        return string;
    }
    QString result;
    qsizetype copiedUpTo = 0;
    qsizetype replaced = 0;
    QRegularExpressionMatchIterator matches = regex.regularExpression().globalMatch(string);
    while (replaced < count && matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        result += QStringView(string).sliced(copiedUpTo, match.capturedStart() - copiedUpTo);
        result += RKTemplate::expand(*pieces, match);
        copiedUpTo = match.capturedEnd();
        ++replaced;
    }
    if (replaced == 0)
        return string;
    result += QStringView(string).sliced(copiedUpTo);
    if (replacedCount)
        *replacedCount = replaced;
    return result;
}

} // namespace RegexKitAdditions
