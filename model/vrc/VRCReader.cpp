#include "VRCReader.h"

#include "BLStringUtilities.h"
#include "Log.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>
#include <limits>

using BLStringUtilities::stringByTrimmingWhitespaceAndNewlines;
using BLStringUtilities::viewByTrimmingWhitespaceAndNewlines;

namespace
{

const QString startMarker = QStringLiteral("<<start>>");
const QString altStartMarker = QStringLiteral("<start<<");
const QString endMarker = QStringLiteral("<<end>>");
const QString altEndMarker = QStringLiteral(">end>>");
// A value's own text may hold lines that begin with "BEGIN" or "END"; only the lines as the
// writer writes them end a value whose end marker is missing.
const QString beginLine = QStringLiteral("BEGIN:VRECIPECARD");
const QString endLine = QStringLiteral("END:VRECIPECARD");
const QString degreeEscape = QStringLiteral("%C2%B0");
constexpr char16_t degreeSign = u'\u00B0';
constexpr qsizetype loggedLineLength = 300;

QString expandingTilde(const QString& path)
{
    if (path == u"~")
        return QDir::homePath();
    if (path.startsWith(u"~/"))
        return QDir::homePath() + path.mid(1);
    return path;
}

// UTF-8 first, then what a byte-order mark names; text in neither is read as ASCII so that the
// whole cards in it still come through.
QString decodedText(const QByteArray& data, const QString& path)
{
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(data);
    if (!utf8.hasError())
        return text;

    const std::optional<QStringConverter::Encoding> detected = QStringConverter::encodingForData(data);
    if (detected && *detected != QStringConverter::Utf8) {
        QStringDecoder decoder(*detected);
        text = decoder.decode(data);
        if (!decoder.hasError())
            return text;
    }

    text.clear();
    text.reserve(data.size());
    qsizetype replaced = 0;
    for (const char byte : data) {
        const auto unit = static_cast<unsigned char>(byte);
        if (unit < 0x80) {
            text.append(QLatin1Char(char(unit)));
        } else {
            text.append(QChar(QChar::ReplacementCharacter));
            ++replaced;
        }
    }
    Log::log(QStringLiteral("VRCReader: %1 is not UTF-8 text; read as ASCII with %2 bytes replaced")
                 .arg(path)
                 .arg(replaced));
    return text;
}

void removeMarkers(QString& text, const QString& marker, const QString& alternative)
{
    if (text.contains(marker))
        text.remove(marker);
    else
        text.remove(alternative);
}

} // namespace

VRCReader::VRCReader()
    : m_allTags({ VRCBeginTag, VRCVersionTag, VRCNameTag, VRCOnlineIDTag, VRCCategoryTag, VRCCuisineTag,
        VRCDescriptionTag, VRCYieldTag, VRCCookTimeTag, QStringLiteral("CTIME"), VRCTotalTimeTag,
        VRCKitchenTag, VRCRatingTag, VRCIngredientTag, VRCDirectionTag, VRCNoteTag, VRCEndTag })
    , m_quickKeyTranslationTags({
          { VRCNameTag, QStringLiteral("name") },
          { VRCOnlineIDTag, QStringLiteral("onlineID") },
          { VRCDescriptionTag, QStringLiteral("recipeDescription") },
          { VRCYieldTag, QStringLiteral("yield") },
          { VRCCookTimeTag, QStringLiteral("cookTime") },
          { QStringLiteral("CTIME"), QStringLiteral("cookTime") },
          { VRCRatingTag, QStringLiteral("rating") },
          { VRCCategoryTag, QStringLiteral("category") },
          { VRCCuisineTag, QStringLiteral("cuisine") },
          { VRCKitchenTag, QStringLiteral("kitchen") },
      })
{
}

VRCReader::VRCReader(const QString& string)
    : VRCReader()
{
    m_workingString = string;
}

bool VRCReader::initWithContentsOfFile(const QString& path)
{
    const QString expanded = expandingTilde(path);
    QFile file(expanded);
    if (!file.open(QIODevice::ReadOnly)) {
        Log::log(QStringLiteral("VRCReader: cannot read %1: %2").arg(expanded, file.errorString()));
        return false;
    }
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        Log::log(QStringLiteral("VRCReader: cannot read %1: %2").arg(expanded, file.errorString()));
        return false;
    }
    m_workingString = decodedText(data, expanded);
    return true;
}

QStringView VRCReader::WorkingLines::line(qsizetype index) const
{
    const Range range = ranges.at(index);
    return QStringView(text).mid(range.location, range.length);
}

QString VRCReader::WorkingLines::remainderFrom(qsizetype line) const
{
    if (line < 0 || line >= ranges.size())
        return {};
    return text.mid(ranges.at(line).location);
}

VRCReader::WorkingLines VRCReader::workingLines(const QString& string)
{
    WorkingLines working;
    working.text = string;
    working.text.replace(degreeEscape, QChar(degreeSign));
    working.ranges = BLStringUtilities::lineArrayRanges(working.text);
    return working;
}

bool VRCReader::hasStartMarker(QStringView line)
{
    return line.contains(startMarker) || line.contains(altStartMarker);
}

bool VRCReader::hasEndMarker(QStringView line)
{
    return line.contains(endMarker) || line.contains(altEndMarker);
}

bool VRCReader::isCardBoundary(QStringView trimmedLine)
{
    return trimmedLine.startsWith(beginLine) || trimmedLine.startsWith(endLine);
}

QString VRCReader::multilineValue(const WorkingLines& working, qsizetype& index)
{
    const qsizetype first = index;
    QString buffer = working.line(index).toString();
    removeMarkers(buffer, startMarker, altStartMarker);
    if (!hasEndMarker(working.line(index))) {
        while (index + 1 < working.count()) {
            const QStringView next = working.line(index + 1);
            // A value whose end marker was lost must not run into the next card.
            if (isCardBoundary(viewByTrimmingWhitespaceAndNewlines(next))) {
                Log::log(QStringLiteral(
                    "VRCReader: no end marker for the value of line %1; it ends before line %2")
                             .arg(first + 1)
                             .arg(index + 2));
                break;
            }
            ++index;
            buffer += next;
            if (hasEndMarker(next))
                break;
        }
    }
    removeMarkers(buffer, endMarker, altEndMarker);
    return stringByTrimmingWhitespaceAndNewlines(buffer);
}

std::pair<QString, QString> VRCReader::tagAndValue(const QString& line)
{
    const qsizetype colon = line.indexOf(u':');
    if (colon < 0)
        return { line, QStringLiteral("") };
    return { line.left(colon), line.mid(colon + 1) };
}

qint64 VRCReader::integerValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && BLStringUtilities::isWhitespaceOrNewline(text.at(i)))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    qint64 value = 0;
    constexpr qint64 limit = std::numeric_limits<int>::max();
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i) {
        value = value * 10 + (text.at(i).unicode() - u'0');
        if (value > limit) {
            value = limit + (negative ? 1 : 0);
            break;
        }
    }
    return negative ? -value : value;
}

QString VRCReader::loggable(const QString& line)
{
    if (line.size() <= loggedLineLength)
        return line;
    return QStringLiteral("%1... (%2 characters)").arg(line.left(loggedLineLength)).arg(line.size());
}

QList<VRCRecipe> VRCReader::vrcObjects() const
{
    const WorkingLines working = workingLines(m_workingString);
    QList<VRCRecipe> result;
    std::optional<VRCRecipe> card;
    bool reportedOutside = false;

    for (qsizetype i = 0; i < working.count(); ++i) {
        const QStringView trimmed = viewByTrimmingWhitespaceAndNewlines(working.line(i));
        if (trimmed.startsWith(VRCBeginTag)) {
            if (card)
                Log::log(
                    QStringLiteral("VRCReader: BEGIN in line %1 while a card is open; the open card has no "
                                   "END line and is left out")
                        .arg(i + 1));
            card.emplace();
            continue;
        }
        if (trimmed.startsWith(VRCEndTag)) {
            if (card) {
                result.append(std::move(*card));
                card.reset();
                reportedOutside = false;
            } else {
                Log::log(QStringLiteral("VRCReader: END in line %1 closes no card; ignored").arg(i + 1));
            }
            continue;
        }
        if (trimmed.isEmpty()) {
            Log::log(QStringLiteral("VRCReader: Trimmed empty line"));
            continue;
        }
        // Comments go before markers: a marker inside a comment opens no value.
        if (trimmed.startsWith(u'#'))
            continue;

        const qsizetype first = i;
        const QString line = hasStartMarker(trimmed) ? multilineValue(working, i) : trimmed.toString();
        if (!card) {
            if (!reportedOutside)
                Log::log(
                    QStringLiteral("VRCReader: text outside a card is ignored, from line %1").arg(first + 1));
            reportedOutside = true;
            continue;
        }
        parseLine(line, *card);
    }
    if (card)
        Log::log(QStringLiteral(
            "VRCReader: the text ends inside a card; that card has no END line and is left out"));
    return result;
}

void VRCReader::parseLine(const QString& line, VRCRecipe& object) const
{
    if (line.startsWith(u'#'))
        return;
    const auto [tag, value] = tagAndValue(line);
    const auto key = m_quickKeyTranslationTags.constFind(tag);
    if (key != m_quickKeyTranslationTags.constEnd()) {
        object.setValue(value, *key);
        return;
    }
    if (tag == VRCVersionTag)
        return;
    if (tag == VRCIngredientTag)
        parseIngredientLine(value, object);
    else if (tag == VRCDirectionTag)
        parseDirectionLine(value, object);
    else if (tag == VRCNoteTag)
        parseNoteLine(value, object);
    else
        Log::log(QStringLiteral("Unhandled tag: <%1> in line: %2").arg(loggable(tag), loggable(line)));
}

void VRCReader::parseIngredientLine(const QString& value, VRCRecipe& object) const
{
    const qsizetype colon = value.indexOf(u':');
    const QStringList fields = colon < 0 ? QStringList() : value.mid(colon + 1).split(u';');
    if (fields.size() < 4) {
        Log::log(QStringLiteral("VRCReader: Bad ingredient line, too few pieces: %1").arg(loggable(value)));
        return;
    }
    object.addIngredient(VRCIngredient(fields), integerValue(value.left(colon)) - 1);
}

void VRCReader::parseDirectionLine(const QString& value, VRCRecipe& object) const
{
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0) {
        Log::log(QStringLiteral("VRCReader: Bad direction line, no index: %1").arg(loggable(value)));
        return;
    }
    object.addDirection(value.mid(colon + 1), integerValue(value.left(colon)) - 1);
}

void VRCReader::parseNoteLine(const QString& value, VRCRecipe& object) const
{
    const qsizetype colon = value.indexOf(u':');
    if (colon < 0) {
        Log::log(QStringLiteral("VRCReader: Bad note line, no index: %1").arg(loggable(value)));
        return;
    }
    object.addNote(value.mid(colon + 1), integerValue(value.left(colon)) - 1);
}
