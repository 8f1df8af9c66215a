#include "RTFWriter.h"

#include "RunAttributes.h"

#include <QColor>
#include <QFont>
#include <gtest/gtest.h>

namespace
{

// What a reader makes of one character.
struct ReadStyle {
    QString family;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    QColor color;
    bool operator==(const ReadStyle&) const = default;
};

// A small RTF reader, enough to read back what the writer writes: groups, control words with
// their numbers, \'hh, \uN with its fallback skipped, the font and colour tables.
struct ReadDocument {
    bool wellFormed = true;
    QString text;
    QList<ReadStyle> styles; // one per character of text
    QStringList fonts;
    QList<QColor> colors; // index 0 is automatic
    QList<QByteArray> paragraphs;

    static ReadDocument read(const QByteArray& rtf)
    {
        ReadDocument doc;
        struct State {
            int font = 0;
            int halfPoints = 24;
            bool bold = false;
            bool italic = false;
            int color = 0;
            QByteArray destination;
        };
        QList<State> stack { State() };
        int depth = 0;
        int skip = 0;
        int uc = 1;
        QByteArray fontName;
        int fontNumber = 0;
        int r = 0, g = 0, b = 0;
        auto put = [&](QChar c) {
            State& s = stack.last();
            if (s.destination == "fonttbl") {
                if (c == u';') {
                    while (doc.fonts.size() <= fontNumber)
                        doc.fonts.append(QString());
                    doc.fonts[fontNumber] = QString::fromUtf8(fontName).trimmed();
                    fontName.clear();
                } else {
                    fontName += QString(c).toUtf8();
                }
                return;
            }
            if (s.destination == "colortbl") {
                if (c == u';') {
                    doc.colors.append(doc.colors.isEmpty() ? QColor() : QColor(r, g, b));
                    r = g = b = 0;
                }
                return;
            }
            doc.text += c;
            ReadStyle style;
            style.family = doc.fonts.value(s.font);
            style.halfPoints = s.halfPoints;
            style.bold = s.bold;
            style.italic = s.italic;
            style.color = doc.colors.value(s.color);
            doc.styles.append(style);
        };
        for (qsizetype i = 0; i < rtf.size(); ++i) {
            const char c = rtf.at(i);
            if (c == '{') {
                stack.append(stack.last());
                ++depth;
            } else if (c == '}') {
                if (stack.size() <= 1) {
                    doc.wellFormed = false;
                    return doc;
                }
                stack.removeLast();
                --depth;
            } else if (c == '\\') {
                const char next = i + 1 < rtf.size() ? rtf.at(i + 1) : '\0';
                if (next == '\\' || next == '{' || next == '}') {
                    ++i;
                    if (skip > 0)
                        --skip;
                    else
                        put(QChar(next));
                    continue;
                }
                if (next == '\'') {
                    const int byte = rtf.mid(i + 2, 2).toInt(nullptr, 16);
                    i += 3;
                    if (skip > 0)
                        --skip;
                    else
                        put(QChar(byte)); // Latin-1 part only; enough for these tests
                    continue;
                }
                qsizetype j = i + 1;
                while (j < rtf.size() && std::isalpha(static_cast<unsigned char>(rtf.at(j))))
                    ++j;
                const QByteArray word = rtf.mid(i + 1, j - i - 1);
                qsizetype k = j;
                if (k < rtf.size()
                    && (rtf.at(k) == '-' || std::isdigit(static_cast<unsigned char>(rtf.at(k)))))
                    ++k;
                while (k < rtf.size() && std::isdigit(static_cast<unsigned char>(rtf.at(k))))
                    ++k;
                const bool hasNumber = k > j;
                const int number = rtf.mid(j, k - j).toInt();
                if (k < rtf.size() && rtf.at(k) == ' ')
                    ++k;
                i = k - 1;
                State& s = stack.last();
                if (word == "fonttbl" || word == "colortbl")
                    s.destination = word;
                else if (word == "f" && s.destination == "fonttbl")
                    fontNumber = number;
                else if (word == "f")
                    s.font = number;
                else if (word == "fs")
                    s.halfPoints = number;
                else if (word == "b")
                    s.bold = !hasNumber || number != 0;
                else if (word == "i")
                    s.italic = !hasNumber || number != 0;
                else if (word == "cf")
                    s.color = number;
                else if (word == "red")
                    r = number;
                else if (word == "green")
                    g = number;
                else if (word == "blue")
                    b = number;
                else if (word == "uc")
                    uc = number;
                else if (word == "u") {
                    put(QChar(char16_t(number < 0 ? number + 0x10000 : number)));
                    skip = uc;
                } else if (word == "par")
                    put(u'\n');
                else if (word == "tab")
                    put(u'\t');
                else if (word == "line")
                    put(QChar::LineSeparator);
                else if (word == "pard") {
                    qsizetype end = rtf.indexOf(' ', i);
                    doc.paragraphs.append(rtf.mid(i - 4, end - i + 4));
                }
            } else if (c == '\n' || c == '\r') {
                continue;
            } else {
                if (skip > 0) {
                    --skip;
                    continue;
                }
                put(QChar(char16_t(static_cast<unsigned char>(c))));
            }
        }
        doc.wellFormed = doc.wellFormed && depth == 0;
        return doc;
    }
};

TEST(RTFWriterTest, ReadsBackTextFontsSizesFacesAndColours)
{
    MutableAttributedString string;
    string.appendAttributedString(AttributedString(
        QStringLiteral("Soup\n"), runAttributes(QStringLiteral("Helvetica"), 18, true, false)));
    string.appendAttributedString(AttributedString(
        QStringLiteral("1 cup"), runAttributes(QStringLiteral("Times"), 12, false, true, Qt::red)));
    string.appendAttributedString(AttributedString(QStringLiteral("\tbroth"),
        runAttributes(QStringLiteral("Helvetica"), 12, false, false, QColor(0, 128, 255))));

    const ReadDocument read = ReadDocument::read(RTFWriter::RTFFromAttributedString(string));

    ASSERT_TRUE(read.wellFormed);
    EXPECT_EQ(read.text, string.string());
    ASSERT_EQ(read.styles.size(), string.length());
    EXPECT_EQ(read.styles.at(0), (ReadStyle { QStringLiteral("Helvetica"), 36, true, false, QColor() }));
    EXPECT_EQ(read.styles.at(5), (ReadStyle { QStringLiteral("Times"), 24, false, true, QColor(Qt::red) }));
    EXPECT_EQ(read.styles.at(11),
        (ReadStyle { QStringLiteral("Helvetica"), 24, false, false, QColor(0, 128, 255) }));
    EXPECT_EQ(read.fonts, QStringList({ QStringLiteral("Helvetica"), QStringLiteral("Times") }));
}

TEST(RTFWriterTest, SpecialAndNonAsciiCharactersSurviveAndCannotBreakTheGroups)
{
    const QList<QString> texts = {
        QStringLiteral("a\\b{c}d"),
        QStringLiteral("}}}\\{{{"),
        QStringLiteral("\\par injected\\"),
        QStringLiteral("Crème brûlée ½ cup – “quoted” €5"),
        QStringLiteral("日本語 and 😀 (outside the BMP)"),
        QStringLiteral("line\u2028break"),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        const QByteArray rtf = RTFWriter::RTFFromAttributedString(AttributedString(text));
        for (char c : rtf)
            EXPECT_LT(static_cast<unsigned char>(c), 0x80); // 7-bit clean
        const ReadDocument read = ReadDocument::read(rtf);
        ASSERT_TRUE(read.wellFormed);
        EXPECT_EQ(read.text, text);
    }
}

TEST(RTFWriterTest, FallbackBytesForReadersWithoutUnicode)
{
    const QByteArray rtf = RTFWriter::RTFFromAttributedString(AttributedString(QStringLiteral("é€日😀")));
    EXPECT_TRUE(rtf.contains("\\uc1"));
    EXPECT_TRUE(rtf.contains("\\u233\\'e9")); // Latin-1 part of Windows-1252
    EXPECT_TRUE(rtf.contains("\\u8364\\'80")); // the euro sign's own byte
    EXPECT_TRUE(rtf.contains("\\u26085?")); // no byte in the code page
    EXPECT_TRUE(rtf.contains("\\u-10179?\\u-8704?")); // a surrogate pair, signed 16-bit
}

TEST(RTFWriterTest, ParagraphsCarryTheirStyle)
{
    ParagraphStyle centred;
    centred.alignment = ParagraphStyle::Alignment::Center;
    centred.paragraphSpacing = 6;
    centred.headIndent = 18;
    centred.firstLineHeadIndent = 0;
    centred.tabStops = { TabStop { 36, TabStop::Type::Right } };
    MutableAttributedString string(QStringLiteral("Title\nBody"));
    string.addAttribute(NSParagraphStyleAttributeName, QVariant::fromValue(centred), Range { 0, 6 });

    const QByteArray rtf = RTFWriter::RTFFromAttributedString(string);
    const ReadDocument read = ReadDocument::read(rtf);

    ASSERT_EQ(read.paragraphs.size(), 2);
    EXPECT_EQ(read.paragraphs.at(0), QByteArray("\\pard\\qc\\li360\\fi-360\\sa120\\tqr\\tx720"));
    EXPECT_TRUE(read.paragraphs.at(1).startsWith("\\pard\\ql\\li0\\fi0\\sa0"));
    EXPECT_EQ(rtf.count("\\par\n"), 1); // no paragraph mark after the last paragraph
    EXPECT_EQ(read.text, string.string());
}

TEST(RTFWriterTest, AttachmentsAndEmptyTextWriteNoText)
{
    const ReadDocument empty = ReadDocument::read(RTFWriter::RTFFromAttributedString(AttributedString()));
    EXPECT_TRUE(empty.wellFormed);
    EXPECT_TRUE(empty.text.isEmpty());

    const QString withAttachment = QStringLiteral("a") + QChar(NSAttachmentCharacter) + QStringLiteral("b");
    EXPECT_EQ(ReadDocument::read(RTFWriter::RTFFromAttributedString(AttributedString(withAttachment))).text,
        QStringLiteral("ab"));
}

TEST(RTFWriterTest, RangeWritesOnlyThatPart)
{
    const AttributedString string(QStringLiteral("one two three"));
    EXPECT_EQ(
        ReadDocument::read(RTFWriter::RTFFromRange(string, Range { 4, 3 })).text, QStringLiteral("two"));
}

} // namespace

namespace
{

// Properties hold until changed, so a long export of like paragraphs names each once.
TEST(RTFWriterTest, PropertiesAreWrittenWhereTheyChange)
{
    QString text;
    for (int i = 0; i < 100; ++i)
        text += QStringLiteral("1 cup flour\n");
    const QByteArray rtf = RTFWriter::RTFFromAttributedString(
        AttributedString(text, runAttributes(QStringLiteral("Times"), 12, false, false)));
    EXPECT_EQ(rtf.count("\\pard"), 1);
    EXPECT_EQ(rtf.count("\\fs24"), 1);
    EXPECT_EQ(ReadDocument::read(rtf).text, text);
}

} // namespace
