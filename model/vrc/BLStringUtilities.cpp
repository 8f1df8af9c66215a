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
qsizetype endOfLine(const QString& string, qsizetype start)
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

QString trimmed(const QString& string, bool (*member)(QChar))
{
    qsizetype first = 0;
    qsizetype last = string.size();
    while (first < last && member(string.at(first)))
        ++first;
    while (last > first && member(string.at(last - 1)))
        --last;
    if (first == 0 && last == string.size())
        return string;
    return string.mid(first, last - first);
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

QStringList lineArray(const QString& string, QList<qsizetype>* starts)
{
    QStringList lines;
    if (starts)
        starts->clear();
    for (qsizetype start = 0; start < string.size();) {
        const qsizetype end = endOfLine(string, start);
        qsizetype first = start;
        qsizetype last = end;
        while (first < last && isWhitespace(string.at(first)))
            ++first;
        while (last > first && isWhitespace(string.at(last - 1)))
            --last;
        QString line = string.mid(first, last - first);
        if (!isEmpty(line)) {
            lines.append(std::move(line));
            if (starts)
                starts->append(first);
        }
        start = end;
    }
    return lines;
}

QStringList lineArray(const QString& string)
{
    return lineArray(string, nullptr);
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
