#include "RTFReader.h"

#include "RTFWriter.h"
#include "RunAttributes.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <gtest/gtest.h>

namespace
{

QFont fontAt(const AttributedString& string, qsizetype index)
{
    return string.attributeAtIndex(NSFontAttributeName, index).value<QFont>();
}

QColor colorAt(const AttributedString& string, qsizetype index)
{
    return string.attributeAtIndex(NSForegroundColorAttributeName, index).value<QColor>();
}

ParagraphStyle paragraphAt(const AttributedString& string, qsizetype index)
{
    return string.attributeAtIndex(NSParagraphStyleAttributeName, index).value<ParagraphStyle>();
}

AttributedString read(const QByteArray& rtf)
{
    QString error;
    const std::optional<AttributedString> string = RTFReader::attributedStringFromRTF(rtf, &error);
    EXPECT_TRUE(string.has_value()) << error.toStdString();
    return string.value_or(AttributedString());
}

QByteArray fixture(const char* name)
{
    QFile file(QStringLiteral(KITCHORA_TEST_DATA "/") + QLatin1String(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// What the writer keeps of a run: family, size, faces and colour.
struct Look {
    QString family;
    qreal points;
    bool bold;
    bool italic;
    QColor color;
    bool operator==(const Look&) const = default;
};

Look lookAt(const AttributedString& string, qsizetype index)
{
    const QFont font = fontAt(string, index);
    return { font.family(), font.pointSizeF(), font.bold(), font.italic(), colorAt(string, index) };
}

// ---- Written by our writer, read back ----

TEST(RTFReaderTest, ReadsBackWhatTheWriterWrites)
{
    ParagraphStyle centred;
    centred.alignment = ParagraphStyle::Alignment::Center;
    centred.paragraphSpacing = 6;
    centred.headIndent = 18;
    centred.firstLineHeadIndent = 9;
    centred.tabStops = { TabStop { 36, TabStop::Type::Right }, TabStop { 72.5, TabStop::Type::Decimal } };

    MutableAttributedString string;
    string.appendAttributedString(AttributedString(
        QStringLiteral("Soup {for} \\two\\\n"), runAttributes(QStringLiteral("Helvetica"), 18, true, false)));
    string.appendAttributedString(AttributedString(
        QStringLiteral("1½ cup crème"), runAttributes(QStringLiteral("Times"), 10.5, false, true, Qt::red)));
    string.appendAttributedString(AttributedString(QStringLiteral("\tbroth 日本 😀\u2028next line"),
        runAttributes(QStringLiteral("Courier"), 12, true, true, QColor(0, 128, 255))));
    string.appendAttributedString(AttributedString(
        QStringLiteral("\n\nlast"), runAttributes(QStringLiteral("Helvetica"), 12, false, false)));
    string.addAttribute(NSParagraphStyleAttributeName, QVariant::fromValue(centred), Range { 0, 17 });

    const AttributedString back = read(RTFWriter::RTFFromAttributedString(string));

    ASSERT_EQ(back.string(), string.string());
    for (qsizetype i = 0; i < string.length(); ++i) {
        SCOPED_TRACE(i);
        // A paragraph mark is written with the look of the text before it.
        if (string.string().at(i) != u'\n') {
            EXPECT_EQ(lookAt(back, i), lookAt(string, i));
        }
    }
    EXPECT_EQ(paragraphAt(back, 3), centred);
    ParagraphStyle plain = ParagraphStyle::defaultParagraphStyle();
    plain.alignment = ParagraphStyle::Alignment::Left; // RTF has no "natural" alignment
    EXPECT_EQ(paragraphAt(back, 20), plain);
    EXPECT_EQ(paragraphAt(back, back.length() - 1), plain);
}

TEST(RTFReaderTest, ReadsBackTextsThatTestTheEscapes)
{
    const QStringList texts = {
        QStringLiteral("a\\b{c}d"),
        QStringLiteral("}}}\\{{{"),
        QStringLiteral("\\par injected\\"),
        QStringLiteral("Crème brûlée ½ cup – “quoted” €5 ‰ Œ"),
        QStringLiteral("日本語 and 😀 𝄞 (outside the BMP)"),
        QStringLiteral("\n\n\nblank lines\n\n"),
        QString(),
    };
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(read(RTFWriter::RTFFromAttributedString(AttributedString(text))).string(), text);
    }
}

TEST(RTFReaderTest, TextWithoutFontOrColourReadsAsTheWritersDefault)
{
    const AttributedString back
        = read(RTFWriter::RTFFromAttributedString(AttributedString(QStringLiteral("x"))));
    EXPECT_EQ(lookAt(back, 0), (Look { QStringLiteral("Helvetica"), 12, false, false, QColor() }));
    EXPECT_FALSE(back.attributeAtIndex(NSForegroundColorAttributeName, 0).isValid());
}

// ---- Written by a word processor ----

// writer-recipe.rtf: LibreOffice's RTF export of writer-recipe.fodt (see data/README.md).
TEST(RTFReaderTest, ReadsAWordProcessorsDocument)
{
    const AttributedString doc = read(fixture("writer-recipe.rtf"));
    const QString text = doc.string();

    EXPECT_EQ(text,
        QStringLiteral("Apple Crumble\n"
                       "A bold, italic and green dessert from the web.\n"
                       "6 apples, peeled – about 1½ lb (680 g)\n"
                       "¾ cup brown sugar; 1 tsp cinnamon; Crème fraîche to serve\n"
                       "flour\t150 g\n"
                       "butter\t100 g\n"
                       "Bake at 180 °C (350 °F) for 40 minutes.\tServes 6.\n"
                       "Ελληνικά · Русский · 日本語 · 🍎\n"));

    const auto at = [&](const QString& word) { return text.indexOf(word); };
    EXPECT_EQ(fontAt(doc, at(QStringLiteral("Apple"))).pointSizeF(), 20);
    EXPECT_TRUE(fontAt(doc, at(QStringLiteral("Apple"))).bold());
    EXPECT_EQ(paragraphAt(doc, at(QStringLiteral("Apple"))).alignment, ParagraphStyle::Alignment::Center);
    EXPECT_TRUE(fontAt(doc, at(QStringLiteral("bold"))).bold());
    EXPECT_FALSE(fontAt(doc, at(QStringLiteral("bold")) - 1).bold());
    EXPECT_TRUE(fontAt(doc, at(QStringLiteral("italic"))).italic());
    EXPECT_EQ(colorAt(doc, at(QStringLiteral("green"))), QColor(0, 128, 0));
    EXPECT_FALSE(colorAt(doc, at(QStringLiteral("dessert"))).isValid());
    EXPECT_EQ(fontAt(doc, at(QStringLiteral("Crumble"))).family(), QStringLiteral("Liberation Serif"));
    EXPECT_EQ(fontAt(doc, at(QStringLiteral("(350"))).family(), QStringLiteral("DejaVu Sans Mono"));
    EXPECT_EQ(fontAt(doc, at(QStringLiteral("(350"))).pointSizeF(), 9);
    EXPECT_TRUE(fontAt(doc, at(QStringLiteral("the web"))).underline());

    const ParagraphStyle indented = paragraphAt(doc, at(QStringLiteral("6 apples")));
    EXPECT_EQ(indented.headIndent, 36);
    EXPECT_EQ(indented.firstLineHeadIndent, 18);
    EXPECT_NEAR(indented.paragraphSpacing, 7.2, 0.01);
    EXPECT_EQ(paragraphAt(doc, at(QStringLiteral("Ελληνικά"))).alignment, ParagraphStyle::Alignment::Right);
}

// ---- Written by hand from the format's description ----

TEST(RTFReaderTest, BytesDecodeInTheDocumentsOrTheFontsCodePage)
{
    struct Case {
        const char* name;
        QByteArray rtf;
        QString text;
    };
    const Case cases[] = {
        { "ansi is Windows-1252", "{\\rtf1\\ansi caf\\'e9 \\'80 \\'93q\\'94}", QStringLiteral("café € “q”") },
        { "ansicpg1251", "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}",
            QStringLiteral("Привет") },
        { "mac", "{\\rtf1\\mac caf\\'8e \\'a5}", QStringLiteral("café •") },
        { "pc", "{\\rtf1\\pc \\'82\\'e1}", QStringLiteral("éß") },
        { "font charset 204 over ansi",
            "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial Cyr;}}\\f0 \\'e9 \\f1 \\'e9}",
            QStringLiteral("é й") },
        { "Shift_JIS double bytes",
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Mincho;}}\\f0 \\'82\\'a0\\'93\\'fa}",
            QStringLiteral("あ日") },
        { "literal 8-bit bytes", "{\\rtf1\\ansi caf\xe9}", QStringLiteral("café") },
        { "unicode with fallback skipped", "{\\rtf1\\ansi \\u233\\'e9t\\u8364?}", QStringLiteral("ét€") },
        { "uc2 skips two", "{\\rtf1\\ansi\\uc2 \\u26085\\'93\\'fa!}", QStringLiteral("日!") },
        { "uc0 skips none", "{\\rtf1\\ansi\\uc0 \\u26085 !}", QStringLiteral("日!") },
        { "negative unicode", "{\\rtf1\\ansi \\u-3971?}", QString(QChar(0xF07D)) },
        { "fallback skip ends with the group", "{\\rtf1\\ansi\\uc3 {\\u233}xy}", QStringLiteral("éxy") },
        { "lone surrogate", "{\\rtf1\\ansi \\u-10179?x}", QStringLiteral("\uFFFDx") },
        { "symbols",
            "{\\rtf1\\ansi a\\~b\\_c\\-d\\emdash\\endash\\bullet\\lquote\\rquote\\ldblquote\\rdblquote}",
            QStringLiteral("a\u00A0b\u2011cd—–•‘’“”") },
        { "line breaks in the source are not text", "{\\rtf1\\ansi one\r\ntwo\nthree}",
            QStringLiteral("onetwothree") },
        { "escaped line break is a paragraph", "{\\rtf1\\ansi one\\\ntwo}", QStringLiteral("one\ntwo") },
        { "upr reads its unicode half",
            "{\\rtf1\\ansi {\\upr{\\'3f\\'3f}{\\*\\ud{\\u26085\\'3f\\u26412\\'3f}}}}",
            QStringLiteral("日本") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(read(c.rtf).string(), c.text);
    }
}

TEST(RTFReaderTest, DestinationsThatAreNotTheTextAreSkipped)
{
    const QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman{\\*\\panose 02020603}Times;}}"
                           "{\\colortbl;\\red255\\green0\\blue0;}"
                           "{\\stylesheet{\\s0 Normal;}}{\\info{\\title A title}{\\author Somebody}}"
                           "{\\header header}{\\footer footer}{\\*\\generator Program 1.0;}"
                           "{\\*\\unknowndestination never shown {\\nested too}}"
                           "Start{\\footnote a note}"
                           "{\\field{\\*\\fldinst HYPERLINK \"http://x\"}{\\fldrslt link text}}"
                           "{\\pict\\pngblip 89504e47{\\*\\blipuid 0123}}"
                           "{\\*\\shppict{\\pict\\jpegblip ffd8}}{\\nonshppict{\\pict\\wmetafile8 0100}}"
                           "{\\object\\objemb{\\*\\objdata 0105}{\\result{\\pict ff}}}"
                           "{\\*\\bkmkstart mark}{\\*\\bkmkend mark}"
                           "{\\pict\\bin6 }}}{{{ tail} End}";
    EXPECT_EQ(read(rtf).string(), QStringLiteral("Startlink text End"));
}

TEST(RTFReaderTest, TablesBecomeTabsAndLineEnds)
{
    const QByteArray rtf = "{\\rtf1\\ansi Before\\par"
                           "\\trowd\\cellx1000\\cellx2000\\cellx3000"
                           "\\pard\\intbl flour\\cell 200 g\\cell sifted\\cell\\row"
                           "\\trowd\\cellx1000\\cellx2000\\cellx3000"
                           "\\pard\\intbl \\cell 1 tsp\\cell salt\\cell\\row"
                           "\\pard After}";
    EXPECT_EQ(read(rtf).string(), QStringLiteral("Before\nflour\t200 g\tsifted\n\t1 tsp\tsalt\nAfter"));
}

TEST(RTFReaderTest, FormattingFollowsGroupsPlainAndPard)
{
    const QByteArray rtf = "{\\rtf1\\ansi\\deff1{\\fonttbl{\\f0 Times;}{\\f1 Courier;}}"
                           "{\\colortbl;\\red0\\green0\\blue255;}"
                           "\\qc\\li720\\fi-360\\sa240\\tqr\\tx2880\\tx4320 "
                           "A{\\b\\i\\ul\\fs36\\f0\\cf1 B}C\\b D\\plain E\\b0 F\\par\\pard G}";
    const AttributedString doc = read(rtf);
    ASSERT_EQ(doc.string(), QStringLiteral("ABCDEF\nG"));

    EXPECT_EQ(lookAt(doc, 0), (Look { QStringLiteral("Courier"), 12, false, false, QColor() }));
    EXPECT_EQ(lookAt(doc, 1), (Look { QStringLiteral("Times"), 18, true, true, QColor(Qt::blue) }));
    EXPECT_TRUE(fontAt(doc, 1).underline());
    EXPECT_EQ(lookAt(doc, 2), lookAt(doc, 0)); // the group's end undoes its formatting
    EXPECT_TRUE(fontAt(doc, 3).bold());
    EXPECT_EQ(lookAt(doc, 4), lookAt(doc, 0)); // \plain: the default font, no faces

    const ParagraphStyle first = paragraphAt(doc, 0);
    EXPECT_EQ(first.alignment, ParagraphStyle::Alignment::Center);
    EXPECT_EQ(first.headIndent, 36);
    EXPECT_EQ(first.firstLineHeadIndent, 18);
    EXPECT_EQ(first.paragraphSpacing, 12);
    EXPECT_EQ(
        first.tabStops, (QList<TabStop> { { 144, TabStop::Type::Right }, { 216, TabStop::Type::Left } }));
    EXPECT_EQ(paragraphAt(doc, 6), first); // the paragraph mark has its paragraph's style
    EXPECT_EQ(paragraphAt(doc, 7), ParagraphStyle::defaultParagraphStyle());
}

TEST(RTFReaderTest, PackagePicturesBecomeImageAttachments)
{
    // As a package's TXT.rtf holds its pictures: the file name, then a placeholder character.
    const QByteArray rtf
        = "{\\rtf1\\ansi\\ansicpg1252 Before "
          "{{\\NeXTGraphic Pasted Graphic 1.png \\width2000 \\height1000 \\appleattachmentpadding0 "
          "\\appleembedtype0 \\appleaqc\n}\\'ac}"
          " after{{\\NeXTGraphic caf\\'e9.tiff \\width20 \\height20\n}\xac}}";
    const AttributedString doc = read(rtf);
    const QString expected = QStringLiteral("Before ") + QChar(NSAttachmentCharacter)
        + QStringLiteral(" after") + QChar(NSAttachmentCharacter);
    ASSERT_EQ(doc.string(), expected);
    const auto attachment = [&](qsizetype index) {
        return doc.attributeAtIndex(NSAttachmentAttributeName, index).value<TextAttachment>();
    };
    EXPECT_EQ(attachment(7),
        (TextAttachment { TextAttachment::Cell::Image, QStringLiteral("Pasted Graphic 1.png") }));
    EXPECT_EQ(attachment(14), (TextAttachment { TextAttachment::Cell::Image, QStringLiteral("café.tiff") }));
    EXPECT_FALSE(doc.attributeAtIndex(NSAttachmentAttributeName, 8).isValid());

    // An attachment character in the text itself carries no attachment: it is left out.
    EXPECT_EQ(read("{\\rtf1\\ansi a\\u65532?b}").string(), QStringLiteral("ab"));
}

// ---- Broken input ----

TEST(RTFReaderTest, InputThatIsNotRTFIsRefusedWithAMessage)
{
    const QByteArray inputs[]
        = { "", "plain text", "{\\rtx1 nearly}", "{\\rt", "\\rtf1 no group", "{{\\rtf1 x}}" };
    for (const QByteArray& input : inputs) {
        SCOPED_TRACE(input.toStdString());
        QString error;
        EXPECT_FALSE(RTFReader::attributedStringFromRTF(input, &error).has_value());
        EXPECT_FALSE(error.isEmpty());
    }
    // A byte-order mark and white space before the document are allowed.
    EXPECT_EQ(read("\xEF\xBB\xBF \r\n{\\rtf1 ok}").string(), QStringLiteral("ok"));
}

TEST(RTFReaderTest, ADocumentCutShortGivesTheTextUpToTheCut)
{
    const QByteArray whole = fixture("writer-recipe.rtf");
    const QString text = read(whole).string();
    const qsizetype cut = whole.indexOf("Bake at");
    ASSERT_GT(cut, 0);
    for (qsizetype length : { cut + 4, cut + 200, whole.indexOf("\\u1056") + 3, whole.size() - 3 }) {
        SCOPED_TRACE(length);
        const QString partial = read(whole.left(length)).string();
        EXPECT_TRUE(text.startsWith(partial.left(partial.size() - 1)));
        EXPECT_TRUE(partial.contains(QStringLiteral("Bake")));
    }
    // Every shorter cut reads or refuses; none crashes or reads beyond the data.
    for (qsizetype length = 0; length < whole.size(); length += 7)
        RTFReader::attributedStringFromRTF(whole.left(length));
    // Inside a skipped group, a \bin or a \u.
    for (const QByteArray& cut : { QByteArray("{\\rtf1 a{\\pict 0102"), QByteArray("{\\rtf1 a\\bin99999 xy"),
             QByteArray("{\\rtf1 a\\u"), QByteArray("{\\rtf1 a\\'e"), QByteArray("{\\rtf1 a\\") })
        EXPECT_EQ(read(cut).string(), QStringLiteral("a"));
}

TEST(RTFReaderTest, DeepNestingIsRefusedNotRecursed)
{
    const int limit = RTFReader::kMaximumGroupDepth;
    const auto nested = [](int depth) {
        return "{\\rtf1 " + QByteArray(depth - 1, '{') + "deep" + QByteArray(depth - 1, '}') + " end}";
    };
    EXPECT_EQ(read(nested(limit)).string(), QStringLiteral("deep end"));

    QString error;
    EXPECT_FALSE(RTFReader::attributedStringFromRTF(nested(limit + 1), &error).has_value());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(
        RTFReader::attributedStringFromRTF("{\\rtf1 " + QByteArray(1000000, '{'), &error).has_value());

    // Skipped destinations are passed over by counting, at any depth.
    EXPECT_EQ(read("{\\rtf1 a{\\*\\x " + QByteArray(100000, '{') + QByteArray(100000, '}') + "}b}").string(),
        QStringLiteral("ab"));
}

TEST(RTFReaderTest, OutOfRangeNumbersAndTablesAreHarmless)
{
    const QByteArray rtf
        = "{\\rtf1\\ansi{\\fonttbl{\\f99999999999 Big;}}{\\colortbl;\\red999\\green-5\\blue3;}"
          "\\f-2147483648\\fs999999999\\cf99\\cf1\\li-99999999999\\fi99999999999"
          "\\uc-4\\u99999999 x\\ansicpg0\\'e9\\ansicpg99999\\'e9}";
    const AttributedString doc = read(rtf);
    EXPECT_EQ(doc.string(), QStringLiteral("xéé"));
    EXPECT_EQ(colorAt(doc, 0), QColor(255, 0, 3));
    EXPECT_GT(fontAt(doc, 0).pointSizeF(), 0);
}

} // namespace
