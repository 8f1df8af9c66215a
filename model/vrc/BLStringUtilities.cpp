#include "BLStringUtilities.h"

#include "IsEmpty.h"

namespace BLStringUtilities
{
namespace
{

bool isLineBreak(char16_t unit)
{
    return unit == u'\n' || unit == u'\r' || unit == u'\u0085' || unit == u'\u2028' || unit == u'\u2029';
}

// Where the line that starts at start ends, its terminator included.
qsizetype endOfLine(QStringView string, qsizetype start)
{
    const qsizetype length = string.size();
    const char16_t* units = reinterpret_cast<const char16_t*>(string.constData());
    for (qsizetype i = start; i < length; ++i) {
        if (!isLineBreak(units[i]))
            continue;
        if (units[i] == u'\r' && i + 1 < length && units[i + 1] == u'\n')
            return i + 2;
        return i + 1;
    }
    return length;
}

Range trimmedRange(QStringView string, bool (*member)(QChar))
{
    qsizetype first = 0;
    qsizetype last = string.size();
    while (first < last && member(string.at(first)))
        ++first;
    while (last > first && member(string.at(last - 1)))
        --last;
    return { first, last - first };
}

QString trimmed(const QString& string, bool (*member)(QChar))
{
    const Range range = trimmedRange(string, member);
    if (range.length == string.size())
        return string;
    return string.mid(range.location, range.length);
}

} // namespace

bool isWhitespace(QChar character)
{
    return character == u'\t' || character.category() == QChar::Separator_Space;
}

bool isWhitespaceOrNewline(QChar character)
{
    const char16_t unit = character.unicode();
    return isWhitespace(character) || (unit >= u'\n' && unit <= u'\r') || unit == u'\u0085'
        || character.category() == QChar::Separator_Line
        || character.category() == QChar::Separator_Paragraph;
}

QString stringByTrimmingWhitespace(const QString& string)
{
    return trimmed(string, isWhitespace);
}

QString stringByTrimmingWhitespaceAndNewlines(const QString& string)
{
    return trimmed(string, isWhitespaceOrNewline);
}

QStringView viewByTrimmingWhitespaceAndNewlines(QStringView string)
{
    const Range range = trimmedRange(string, isWhitespaceOrNewline);
    return string.mid(range.location, range.length);
}

QList<Range> lineRanges(const QString& string)
{
    QList<Range> ranges;
    qsizetype start = 0;
    while (start < string.size()) {
        const qsizetype end = endOfLine(string, start);
        ranges.append({ start, end - start });
        start = end;
    }
    return ranges;
}

qsizetype lineCount(const QString& string)
{
    qsizetype count = 0;
    for (qsizetype start = 0; start < string.size(); start = endOfLine(string, start))
        ++count;
    return count;
}

QList<Range> lineArrayRanges(QStringView string)
{
    QList<Range> ranges;
    for (qsizetype start = 0; start < string.size();) {
        const qsizetype end = endOfLine(string, start);
        Range line = trimmedRange(string.mid(start, end - start), isWhitespace);
        line.location += start;
        if (!isEmpty(string.mid(line.location, line.length)))
            ranges.append(line);
        start = end;
    }
    return ranges;
}

QStringList lineArray(const QString& string)
{
    QStringList lines;
    for (const Range& range : lineArrayRanges(string))
        lines.append(string.mid(range.location, range.length));
    return lines;
}

QString stringWithSubstitute(
    const QString& string, const QString& substitute, const CharacterPredicate& forCharactersFromSet)
{
    qsizetype i = 0;
    while (i < string.size() && !forCharactersFromSet(string.at(i)))
        ++i;
    if (i == string.size())
        return string;
    QString result = string.left(i);
    result.reserve(string.size());
    for (; i < string.size(); ++i) {
        const QChar character = string.at(i);
        if (forCharactersFromSet(character))
            result += substitute;
        else
            result += character;
    }
    return result;
}

} // namespace BLStringUtilities
