#include "RTFReader.h"

#include "CodePages.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QObject>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace
{

// What the RTF writer writes for a run without a font, so a round trip keeps it.
const QString kDefaultFamily = QStringLiteral("Helvetica");
constexpr int kDefaultHalfPoints = 24;
constexpr int kMaximumHalfPoints = 3276;
constexpr int kMaximumTabStops = 100;
constexpr int kWindows1252 = 1252;

enum class Destination {
    Text, // the document's text
    Ignored, // text dropped, control words read (\upr's 8-bit half, whose \ud half is read)
    Skip, // the whole group passed over
    FontTable,
    ColorTable,
    PictureName, // a package picture's file name
};

struct CharFormat {
    int font = -1; // -1: the document's default font
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int color = 0;
    bool operator==(const CharFormat&) const = default;
};

size_t qHash(const CharFormat& format, size_t seed = 0)
{
    return qHashMulti(
        seed, format.font, format.halfPoints, format.bold, format.italic, format.underline, format.color);
}

struct ParaFormat {
    ParagraphStyle::Alignment alignment = ParagraphStyle::Alignment::Natural;
    int leftIndent = 0; // twips
    int firstIndent = 0; // twips, from the left indent
    int spaceAfter = 0; // twips
    QList<TabStop> tabs; // empty: the default stops
    TabStop::Type nextTabType = TabStop::Type::Left;
    bool operator==(const ParaFormat&) const = default;
};

struct Group {
    CharFormat chars;
    ParaFormat para;
    Destination destination = Destination::Text;
    int unicodeSkip = 1; // \ucN: fallback characters after each \uN
    bool picture = false; // the group of a package picture
};

struct Font {
    QString family;
    int codePage = 0; // 0: the document's
};

enum class Word {
    Ansi,
    Mac,
    Pc,
    Pca,
    AnsiCodePage,
    DefaultFont,
    FontTable,
    ColorTable,
    Font,
    Charset,
    CodePage,
    Red,
    Green,
    Blue,
    FontSize,
    Bold,
    Italic,
    Underline,
    UnderlineNone,
    Plain,
    Color,
    Pard,
    AlignLeft,
    AlignRight,
    AlignCenter,
    AlignJustified,
    LeftIndent,
    FirstIndent,
    SpaceAfter,
    TabPosition,
    TabRight,
    TabCenter,
    TabDecimal,
    BarTab,
    Par,
    Line,
    Tab,
    Cell,
    Row,
    Page,
    Sect,
    Unicode,
    UnicodeSkip,
    Binary,
    Upr,
    Ud,
    Picture,
    Skip,
    Character,
};

struct WordInfo {
    Word word;
    char16_t character = 0; // for Word::Character
};

const std::unordered_map<std::string_view, WordInfo>& words()
{
    static const std::unordered_map<std::string_view, WordInfo> table = {
        { "ansi", { Word::Ansi } },
        { "mac", { Word::Mac } },
        { "pc", { Word::Pc } },
        { "pca", { Word::Pca } },
        { "ansicpg", { Word::AnsiCodePage } },
        { "deff", { Word::DefaultFont } },
        { "fonttbl", { Word::FontTable } },
        { "colortbl", { Word::ColorTable } },
        { "f", { Word::Font } },
        { "fcharset", { Word::Charset } },
        { "cpg", { Word::CodePage } },
        { "red", { Word::Red } },
        { "green", { Word::Green } },
        { "blue", { Word::Blue } },
        { "fs", { Word::FontSize } },
        { "b", { Word::Bold } },
        { "i", { Word::Italic } },
        { "ul", { Word::Underline } },
        { "uld", { Word::Underline } },
        { "uldb", { Word::Underline } },
        { "ulw", { Word::Underline } },
        { "ulth", { Word::Underline } },
        { "ulwave", { Word::Underline } },
        { "uldash", { Word::Underline } },
        { "ulnone", { Word::UnderlineNone } },
        { "plain", { Word::Plain } },
        { "cf", { Word::Color } },
        { "pard", { Word::Pard } },
        { "ql", { Word::AlignLeft } },
        { "qr", { Word::AlignRight } },
        { "qc", { Word::AlignCenter } },
        { "qj", { Word::AlignJustified } },
        { "li", { Word::LeftIndent } },
        { "fi", { Word::FirstIndent } },
        { "sa", { Word::SpaceAfter } },
        { "tx", { Word::TabPosition } },
        { "tqr", { Word::TabRight } },
        { "tqc", { Word::TabCenter } },
        { "tqdec", { Word::TabDecimal } },
        { "tb", { Word::BarTab } },
        { "par", { Word::Par } },
        { "line", { Word::Line } },
        { "tab", { Word::Tab } },
        { "cell", { Word::Cell } },
        { "nestcell", { Word::Cell } },
        { "row", { Word::Row } },
        { "nestrow", { Word::Row } },
        { "page", { Word::Page } },
        { "sect", { Word::Sect } },
        { "u", { Word::Unicode } },
        { "uc", { Word::UnicodeSkip } },
        { "bin", { Word::Binary } },
        { "upr", { Word::Upr } },
        { "ud", { Word::Ud } },
        { "NeXTGraphic", { Word::Picture } },
        { "emdash", { Word::Character, 0x2014 } },
        { "endash", { Word::Character, 0x2013 } },
        { "emspace", { Word::Character, 0x2003 } },
        { "enspace", { Word::Character, 0x2002 } },
        { "qmspace", { Word::Character, 0x2005 } },
        { "bullet", { Word::Character, 0x2022 } },
        { "lquote", { Word::Character, 0x2018 } },
        { "rquote", { Word::Character, 0x2019 } },
        { "ldblquote", { Word::Character, 0x201C } },
        { "rdblquote", { Word::Character, 0x201D } },
        { "zwj", { Word::Character, 0x200D } },
        { "zwnj", { Word::Character, 0x200C } },
        { "zwbo", { Word::Character, 0x200B } },
        // Destinations whose text is not the document's.
        { "stylesheet", { Word::Skip } },
        { "info", { Word::Skip } },
        { "pict", { Word::Skip } },
        { "object", { Word::Skip } },
        { "header", { Word::Skip } },
        { "headerl", { Word::Skip } },
        { "headerr", { Word::Skip } },
        { "headerf", { Word::Skip } },
        { "footer", { Word::Skip } },
        { "footerl", { Word::Skip } },
        { "footerr", { Word::Skip } },
        { "footerf", { Word::Skip } },
        { "footnote", { Word::Skip } },
        { "annotation", { Word::Skip } },
        { "fldinst", { Word::Skip } },
        { "listtable", { Word::Skip } },
        { "listoverridetable", { Word::Skip } },
        { "revtbl", { Word::Skip } },
        { "rsidtbl", { Word::Skip } },
        { "xmlnstbl", { Word::Skip } },
        { "themedata", { Word::Skip } },
        { "colorschememapping", { Word::Skip } },
        { "datastore", { Word::Skip } },
        { "latentstyles", { Word::Skip } },
        { "generator", { Word::Skip } },
        { "pgdsctbl", { Word::Skip } },
        { "shp", { Word::Skip } },
        { "shpinst", { Word::Skip } },
        { "shppict", { Word::Skip } },
        { "nonshppict", { Word::Skip } },
        { "bkmkstart", { Word::Skip } },
        { "bkmkend", { Word::Skip } },
        { "xe", { Word::Skip } },
        { "tc", { Word::Skip } },
        { "template", { Word::Skip } },
        { "do", { Word::Skip } },
        { "txe", { Word::Skip } },
        { "atnid", { Word::Skip } },
        { "atnauthor", { Word::Skip } },
        { "userprops", { Word::Skip } },
        { "filetbl", { Word::Skip } },
        { "ftnsep", { Word::Skip } },
        { "ftnsepc", { Word::Skip } },
        { "aftnsep", { Word::Skip } },
        { "aftnsepc", { Word::Skip } },
        { "objdata", { Word::Skip } },
        { "background", { Word::Skip } },
        { "pnseclvl", { Word::Skip } },
        { "pntxta", { Word::Skip } },
        { "pntxtb", { Word::Skip } },
        { "mmathPr", { Word::Skip } },
        { "docvar", { Word::Skip } },
        { "falt", { Word::Skip } },
        { "panose", { Word::Skip } },
    };
    return table;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Parser
{
public:
    explicit Parser(const QByteArray& data)
        : m_data(data.constData())
        , m_size(data.size())
    {
    }

    bool parse(QString* error);
    AttributedString result() const;

private:
    struct Run {
        qsizetype start;
        CharFormat format;
        QString attachment; // the picture's name on its attachment character
    };
    struct Paragraph {
        qsizetype start;
        qsizetype end;
        ParaFormat format;
    };

    Group& group() { return m_groups.back(); }
    int currentCodePage() const;

    bool pushGroup(QString* error);
    void popGroup();
    void skipGroup();
    void controlWord(std::string_view name, bool hasNumber, int number);
    void controlSymbol(char symbol);
    void textBytes(qsizetype end);
    void flushBytes();
    void deliver(const QString& text);

    void appendText(QStringView text);
    void appendRaw(QStringView text);
    void startRun(const QString& attachment = QString());
    void endParagraph();
    void commitFont();
    void commitColor();
    void replaceLoneSurrogates();

    QVariantMap characterAttributes(const CharFormat& format) const;

    const char* m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    bool m_done = false;

    std::vector<Group> m_groups;
    int m_documentCodePage = kWindows1252;
    int m_defaultFont = 0;
    bool m_starred = false; // \* came before the next control word
    int m_pendingSkip = 0; // fallback characters still to pass over after \uN
    QByteArray m_pendingBytes; // 8-bit text not yet decoded
    int m_pendingCodePage = kWindows1252;

    QHash<int, Font> m_fonts;
    int m_fontNumber = -1; // the font table entry being read
    QString m_fontName;
    int m_fontCodePage = 0;
    QList<QColor> m_colors;
    int m_red = -1, m_green = -1, m_blue = -1;
    QString m_pictureName;
    bool m_pictureNameOpen = false;

    QString m_text;
    std::vector<Run> m_runs;
    std::vector<Paragraph> m_paragraphs;
    qsizetype m_paragraphStart = 0;
    ParaFormat m_lastTextPara;
    bool m_pendingCell = false; // a cell ended: a tab comes before any more text of the row
    bool m_swallowMark = false; // a package picture's placeholder character may follow
};

int Parser::currentCodePage() const
{
    const Group& g = m_groups.back();
    if (g.destination == Destination::FontTable && m_fontCodePage > 0)
        return m_fontCodePage;
    const int font = g.chars.font < 0 ? m_defaultFont : g.chars.font;
    const auto found = m_fonts.constFind(font);
    if (found != m_fonts.constEnd() && found->codePage > 0)
        return found->codePage;
    return m_documentCodePage;
}

bool Parser::parse(QString* error)
{
    // Leading white space (and a byte-order mark some programs add) before "{\rtf".
    qsizetype start = 0;
    if (m_size >= 3 && std::string_view(m_data, 3) == "\xEF\xBB\xBF")
        start = 3;
    while (start < m_size
        && (m_data[start] == ' ' || m_data[start] == '\r' || m_data[start] == '\n' || m_data[start] == '\t'))
        ++start;
    if (m_size - start < 5 || std::string_view(m_data + start, 5) != "{\\rtf") {
        if (error)
            *error = QObject::tr("The document is not in the RTF format.");
        return false;
    }
    m_pos = start;
    m_groups.push_back(Group());
    m_text.reserve(m_size / 4);

    while (m_pos < m_size && !m_done) {
        const char c = m_data[m_pos];
        if (c == '{') {
            ++m_pos;
            if (!pushGroup(error))
                return false;
        } else if (c == '}') {
            ++m_pos;
            popGroup();
        } else if (c == '\\') {
            ++m_pos;
            if (m_pos >= m_size)
                break;
            if (!isLetter(m_data[m_pos])) {
                controlSymbol(m_data[m_pos++]);
                continue;
            }
            const qsizetype nameStart = m_pos;
            while (m_pos < m_size && isLetter(m_data[m_pos]) && m_pos - nameStart < 32)
                ++m_pos;
            const std::string_view name(m_data + nameStart, std::size_t(m_pos - nameStart));
            bool negative = false;
            if (m_pos + 1 < m_size && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
                negative = true;
                ++m_pos;
            }
            const qsizetype digitsStart = m_pos;
            qint64 value = 0;
            while (m_pos < m_size && isDigit(m_data[m_pos])) {
                if (m_pos - digitsStart < 10)
                    value = value * 10 + (m_data[m_pos] - '0');
                ++m_pos;
            }
            const bool hasNumber = m_pos > digitsStart;
            if (m_pos < m_size && m_data[m_pos] == ' ')
                ++m_pos;
            value = std::clamp<qint64>(negative ? -value : value, INT_MIN, INT_MAX);
            controlWord(name, hasNumber, int(value));
        } else {
            qsizetype end = m_pos + 1;
            while (end < m_size && m_data[end] != '{' && m_data[end] != '}' && m_data[end] != '\\')
                ++end;
            textBytes(end);
        }
    }
    flushBytes();
    if (m_paragraphStart < m_text.size())
        m_paragraphs.push_back({ m_paragraphStart, m_text.size(), m_lastTextPara });
    replaceLoneSurrogates();
    return true;
}

// \uN gives UTF-16 units one at a time, so a pair may come broken or half.
void Parser::replaceLoneSurrogates()
{
    for (qsizetype i = 0; i < m_text.size(); ++i) {
        const QChar c = m_text.at(i);
        if (c.isHighSurrogate() && i + 1 < m_text.size() && m_text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            m_text[i] = QChar::ReplacementCharacter;
    }
}

bool Parser::pushGroup(QString* error)
{
    flushBytes();
    m_swallowMark = false;
    m_starred = false;
    m_pendingSkip = 0;
    if (int(m_groups.size()) > RTFReader::kMaximumGroupDepth) {
        if (error)
            *error = QObject::tr("The RTF document nests its groups too deeply to be read.");
        return false;
    }
    m_groups.push_back(m_groups.back());
    m_groups.back().picture = false;
    return true;
}

void Parser::popGroup()
{
    flushBytes();
    m_swallowMark = false;
    m_starred = false;
    m_pendingSkip = 0;
    const Group closed = m_groups.back();
    if (closed.destination == Destination::FontTable && m_fontNumber >= 0 && !m_fontName.isEmpty())
        commitFont();
    m_groups.pop_back();
    if (m_groups.size() <= 1) {
        m_done = true; // the document's own group ended
        return;
    }
    if (closed.picture && group().destination == Destination::Text) {
        const QString name = m_pictureName.trimmed();
        if (m_pendingCell) {
            m_pendingCell = false;
            appendRaw(u"\t");
        }
        startRun(name.isEmpty() ? QStringLiteral("?") : name);
        m_text += QChar(NSAttachmentCharacter);
        m_lastTextPara = group().para;
        m_swallowMark = true;
    }
}

// Passes over the rest of the current group, counting braces but reading nothing, so pictures and
// other binary data cost no more than a scan, and then closes it.
void Parser::skipGroup()
{
    m_pendingBytes.clear();
    int depth = 1;
    while (m_pos < m_size) {
        const char c = m_data[m_pos++];
        if (c == '{') {
            ++depth;
        } else if (c == '}') {
            if (--depth == 0)
                break;
        } else if (c == '\\' && m_pos < m_size) {
            if (m_data[m_pos] == '{' || m_data[m_pos] == '}' || m_data[m_pos] == '\\') {
                ++m_pos;
            } else if (m_size - m_pos > 3 && std::string_view(m_data + m_pos, 3) == "bin"
                && isDigit(m_data[m_pos + 3])) {
                m_pos += 3;
                qint64 length = 0;
                while (m_pos < m_size && isDigit(m_data[m_pos])) {
                    length = std::min<qint64>(length * 10 + (m_data[m_pos] - '0'), m_size);
                    ++m_pos;
                }
                if (m_pos < m_size && m_data[m_pos] == ' ')
                    ++m_pos;
                m_pos += std::min<qint64>(length, m_size - m_pos);
            }
        }
    }
    if (depth == 0) {
        popGroup();
    } else {
        m_done = true; // cut short inside the skipped group
        m_groups.resize(1);
    }
}

void Parser::controlSymbol(char symbol)
{
    if (symbol == '\'') {
        // \'hh: one byte in the current code page.
        const int high = m_pos < m_size ? hexValue(m_data[m_pos]) : -1;
        const int low = m_pos + 1 < m_size ? hexValue(m_data[m_pos + 1]) : -1;
        if (high < 0 || low < 0) {
            m_pos += high < 0 ? 0 : 1; // a broken escape shows nothing
            return;
        }
        m_pos += 2;
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            return;
        }
        const int codePage = currentCodePage();
        if (!m_pendingBytes.isEmpty() && codePage != m_pendingCodePage)
            flushBytes();
        m_pendingCodePage = codePage;
        m_pendingBytes += char(high * 16 + low);
        return;
    }
    flushBytes();
    m_swallowMark = false;
    if (symbol == '*') {
        m_starred = true;
        return;
    }
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return;
    }
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        deliver(QString(QLatin1Char(symbol)));
        break;
    case '~':
        deliver(QString(QChar(0x00A0)));
        break;
    case '_':
        deliver(QString(QChar(0x2011)));
        break;
    case '\n':
    case '\r':
        controlWord("par", false, 0);
        break;
    default:
        break; // \- (optional hyphen), \: and the rest show nothing
    }
}

void Parser::textBytes(qsizetype end)
{
    const Destination destination = group().destination;
    for (; m_pos < end; ++m_pos) {
        const char c = m_data[m_pos];
        if (c == '\r' || c == '\n')
            continue;
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            continue;
        }
        if (c == ';' && (destination == Destination::FontTable || destination == Destination::ColorTable)) {
            flushBytes();
            if (destination == Destination::FontTable)
                commitFont();
            else
                commitColor();
            continue;
        }
        if (destination == Destination::Ignored || destination == Destination::ColorTable)
            continue;
        if (c == '\t') {
            flushBytes();
            deliver(QStringLiteral("\t"));
            continue;
        }
        // Plain ASCII straight into the text, a stretch at a time.
        if (destination == Destination::Text && m_pendingBytes.isEmpty()
            && static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x80) {
            qsizetype stop = m_pos + 1;
            while (stop < end && static_cast<unsigned char>(m_data[stop]) >= 0x20
                && static_cast<unsigned char>(m_data[stop]) < 0x80)
                ++stop;
            appendText(QString::fromLatin1(m_data + m_pos, stop - m_pos));
            m_pos = stop - 1;
            continue;
        }
        const int codePage = currentCodePage();
        if (!m_pendingBytes.isEmpty() && codePage != m_pendingCodePage)
            flushBytes();
        m_pendingCodePage = codePage;
        m_pendingBytes += c;
    }
}

void Parser::flushBytes()
{
    if (m_pendingBytes.isEmpty())
        return;
    const QString text = CodePages::decode(m_pendingBytes, m_pendingCodePage);
    m_pendingBytes.clear();
    deliver(text);
}

void Parser::deliver(const QString& text)
{
    switch (group().destination) {
    case Destination::Text:
        appendText(text);
        break;
    case Destination::FontTable:
        m_fontName += text;
        break;
    case Destination::PictureName:
        if (m_pictureNameOpen)
            m_pictureName += text;
        break;
    case Destination::Ignored:
    case Destination::Skip:
    case Destination::ColorTable:
        break;
    }
}

void Parser::appendText(QStringView text)
{
    if (m_swallowMark) {
        m_swallowMark = false;
        if (text.startsWith(QChar(0x00AC)))
            text = text.mid(1);
    }
    if (text.isEmpty())
        return;
    if (m_pendingCell) {
        m_pendingCell = false;
        appendRaw(u"\t");
    }
    appendRaw(text);
}

void Parser::appendRaw(QStringView text)
{
    startRun();
    m_lastTextPara = group().para;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u == NSAttachmentCharacter || (u < 0x20 && u != u'\t' && u != u'\n') || u == 0x7F)
            continue; // control characters, and attachment marks that carry no attachment
        m_text += u == QChar::ParagraphSeparator ? QChar(u'\n') : c;
    }
}

void Parser::startRun(const QString& attachment)
{
    const CharFormat& format = group().chars;
    if (!m_runs.empty() && m_runs.back().start == m_text.size()) {
        m_runs.back().format = format;
        m_runs.back().attachment = attachment;
        return;
    }
    if (!m_runs.empty() && attachment.isEmpty() && m_runs.back().attachment.isEmpty()
        && m_runs.back().format == format)
        return;
    m_runs.push_back({ m_text.size(), format, attachment });
}

void Parser::endParagraph()
{
    m_pendingCell = false;
    appendRaw(u"\n");
    m_paragraphs.push_back({ m_paragraphStart, m_text.size(), group().para });
    m_paragraphStart = m_text.size();
}

void Parser::commitFont()
{
    QString name = m_fontName.trimmed();
    if (m_fontNumber >= 0 && !m_fonts.contains(m_fontNumber))
        m_fonts.insert(m_fontNumber, Font { name, m_fontCodePage });
    m_fontName.clear();
}

void Parser::commitColor()
{
    if (m_red < 0 && m_green < 0 && m_blue < 0)
        m_colors.append(QColor());
    else
        m_colors.append(
            QColor(std::clamp(m_red, 0, 255), std::clamp(m_green, 0, 255), std::clamp(m_blue, 0, 255)));
    m_red = m_green = m_blue = -1;
}

void Parser::controlWord(std::string_view name, bool hasNumber, int number)
{
    flushBytes();
    m_swallowMark = false;
    const auto& table = words();
    const auto found = table.find(name);
    const bool starred = m_starred;
    m_starred = false;
    if (group().destination == Destination::PictureName)
        m_pictureNameOpen = false;

    if (found != table.end() && found->second.word == Word::Binary) {
        // Raw bytes follow, in whatever destination.
        m_pos += std::clamp<qsizetype>(number, 0, m_size - m_pos);
        return;
    }
    if (m_pendingSkip > 0) {
        --m_pendingSkip;
        return;
    }
    if (starred && (found == table.end() || found->second.word != Word::Ud)) {
        // An optional destination this reader does not know.
        skipGroup();
        return;
    }
    if (found == table.end())
        return;

    Group& g = group();
    const bool on = !hasNumber || number != 0;
    switch (found->second.word) {
    case Word::Ansi:
        m_documentCodePage = kWindows1252;
        break;
    case Word::Mac:
        m_documentCodePage = 10000;
        break;
    case Word::Pc:
        m_documentCodePage = 437;
        break;
    case Word::Pca:
        m_documentCodePage = 850;
        break;
    case Word::AnsiCodePage:
        if (number > 0)
            m_documentCodePage = number;
        break;
    case Word::DefaultFont:
        m_defaultFont = number;
        break;
    case Word::FontTable:
        g.destination = Destination::FontTable;
        m_fontNumber = -1;
        m_fontName.clear();
        m_fontCodePage = 0;
        break;
    case Word::ColorTable:
        g.destination = Destination::ColorTable;
        m_red = m_green = m_blue = -1;
        break;
    case Word::Font:
        if (g.destination == Destination::FontTable) {
            if (m_fontNumber >= 0 && !m_fontName.isEmpty())
                commitFont();
            m_fontNumber = number;
            m_fontName.clear();
            m_fontCodePage = 0;
        } else {
            g.chars.font = number;
        }
        break;
    case Word::Charset:
        if (g.destination == Destination::FontTable && CodePages::codePageForCharset(number) > 0)
            m_fontCodePage = CodePages::codePageForCharset(number);
        break;
    case Word::CodePage:
        if (g.destination == Destination::FontTable && number > 0)
            m_fontCodePage = number;
        break;
    case Word::Red:
        m_red = number;
        break;
    case Word::Green:
        m_green = number;
        break;
    case Word::Blue:
        m_blue = number;
        break;
    case Word::FontSize:
        g.chars.halfPoints = number > 0 ? std::min(number, kMaximumHalfPoints) : kDefaultHalfPoints;
        break;
    case Word::Bold:
        g.chars.bold = on;
        break;
    case Word::Italic:
        g.chars.italic = on;
        break;
    case Word::Underline:
        g.chars.underline = on;
        break;
    case Word::UnderlineNone:
        g.chars.underline = false;
        break;
    case Word::Plain:
        g.chars = CharFormat();
        break;
    case Word::Color:
        g.chars.color = std::max(number, 0);
        break;
    case Word::Pard:
        g.para = ParaFormat();
        break;
    case Word::AlignLeft:
        g.para.alignment = ParagraphStyle::Alignment::Left;
        break;
    case Word::AlignRight:
        g.para.alignment = ParagraphStyle::Alignment::Right;
        break;
    case Word::AlignCenter:
        g.para.alignment = ParagraphStyle::Alignment::Center;
        break;
    case Word::AlignJustified:
        g.para.alignment = ParagraphStyle::Alignment::Justified;
        break;
    case Word::LeftIndent:
        g.para.leftIndent = number;
        break;
    case Word::FirstIndent:
        g.para.firstIndent = number;
        break;
    case Word::SpaceAfter:
        g.para.spaceAfter = number;
        break;
    case Word::TabRight:
        g.para.nextTabType = TabStop::Type::Right;
        break;
    case Word::TabCenter:
        g.para.nextTabType = TabStop::Type::Center;
        break;
    case Word::TabDecimal:
        g.para.nextTabType = TabStop::Type::Decimal;
        break;
    case Word::BarTab:
        g.para.nextTabType = TabStop::Type::Left;
        break;
    case Word::TabPosition:
        if (g.para.tabs.size() < kMaximumTabStops)
            g.para.tabs.append(TabStop { number / 20.0, g.para.nextTabType });
        g.para.nextTabType = TabStop::Type::Left;
        break;
    case Word::Par:
        if (g.destination == Destination::Text)
            endParagraph();
        break;
    case Word::Line:
        deliver(QString(QChar::LineSeparator));
        break;
    case Word::Tab:
        deliver(QStringLiteral("\t"));
        break;
    case Word::Cell:
        if (g.destination == Destination::Text) {
            if (m_pendingCell)
                appendRaw(u"\t");
            m_pendingCell = true;
        }
        break;
    case Word::Row:
        if (g.destination == Destination::Text)
            endParagraph();
        break;
    case Word::Page:
    case Word::Sect:
        // A break, but never an empty paragraph of its own.
        if (g.destination == Destination::Text && m_paragraphStart < m_text.size() && !m_text.endsWith(u'\n'))
            endParagraph();
        break;
    case Word::Unicode: {
        const int unit = number < 0 ? number + 0x10000 : number;
        if (unit >= 0 && unit <= 0xFFFF)
            deliver(QString(QChar(char16_t(unit))));
        m_pendingSkip = g.unicodeSkip;
        break;
    }
    case Word::UnicodeSkip:
        g.unicodeSkip = std::clamp(number, 0, 16);
        break;
    case Word::Upr:
        g.destination = Destination::Ignored;
        break;
    case Word::Ud:
        g.destination = Destination::Text;
        break;
    case Word::Picture:
        if (g.destination == Destination::Text) {
            g.destination = Destination::PictureName;
            g.picture = true;
            m_pictureName.clear();
            m_pictureNameOpen = true;
        } else {
            skipGroup();
        }
        break;
    case Word::Skip:
        skipGroup();
        break;
    case Word::Character:
        deliver(QString(QChar(found->second.character)));
        break;
    case Word::Binary:
        break;
    }
}

QVariantMap Parser::characterAttributes(const CharFormat& format) const
{
    const int fontNumber = format.font < 0 ? m_defaultFont : format.font;
    QString family = m_fonts.value(fontNumber).family;
    if (family.isEmpty())
        family = kDefaultFamily;
    QFont font(family);
    font.setPointSizeF(format.halfPoints / 2.0);
    font.setBold(format.bold);
    font.setItalic(format.italic);
    if (format.underline)
        font.setUnderline(true);
    QVariantMap attributes { { NSFontAttributeName, font } };
    const QColor color = m_colors.value(format.color);
    if (color.isValid())
        attributes.insert(NSForegroundColorAttributeName, color);
    return attributes;
}

ParagraphStyle paragraphStyle(const ParaFormat& format)
{
    ParagraphStyle style;
    style.alignment = format.alignment;
    style.headIndent = format.leftIndent / 20.0;
    style.firstLineHeadIndent = (qint64(format.leftIndent) + format.firstIndent) / 20.0;
    style.paragraphSpacing = format.spaceAfter / 20.0;
    if (!format.tabs.isEmpty())
        style.tabStops = format.tabs;
    return style;
}

AttributedString Parser::result() const
{
    // Every character has one run (its characters' format) and one paragraph (its lines'); each
    // stretch where neither changes gets both sets of attributes.
    MutableAttributedString string(m_text);
    QHash<CharFormat, QVariantMap> charCache;
    std::size_t run = 0;
    std::size_t paragraph = 0;
    qsizetype position = 0;
    while (position < m_text.size() && run < m_runs.size()) {
        while (run + 1 < m_runs.size() && m_runs[run + 1].start <= position)
            ++run;
        while (paragraph + 1 < m_paragraphs.size() && m_paragraphs[paragraph].end <= position)
            ++paragraph;
        const qsizetype runEnd = run + 1 < m_runs.size() ? m_runs[run + 1].start : m_text.size();
        const qsizetype paragraphEnd
            = paragraph < m_paragraphs.size() ? m_paragraphs[paragraph].end : m_text.size();
        const qsizetype end = std::max(position + 1, std::min(runEnd, paragraphEnd));

        const Run& r = m_runs[run];
        auto cached = charCache.constFind(r.format);
        if (cached == charCache.constEnd())
            cached = charCache.insert(r.format, characterAttributes(r.format));
        QVariantMap attributes = *cached;
        if (paragraph < m_paragraphs.size())
            attributes.insert(NSParagraphStyleAttributeName,
                QVariant::fromValue(paragraphStyle(m_paragraphs[paragraph].format)));
        if (!r.attachment.isEmpty())
            attributes.insert(NSAttachmentAttributeName,
                QVariant::fromValue(TextAttachment { TextAttachment::Cell::Image, r.attachment }));
        string.setAttributes(attributes, Range { position, end - position });
        position = end;
    }
    return string;
}

} // namespace

std::optional<AttributedString> RTFReader::attributedStringFromRTF(const QByteArray& data, QString* error)
{
    Parser parser(data);
    if (!parser.parse(error))
        return std::nullopt;
    return parser.result();
}
