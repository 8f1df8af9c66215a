#include "AttributedString.h"
#include "FontNames.h"
#include "PathExtensions.h"
#include "RegexAdditions.h"
#include "StringHeight.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>

TEST(RegexAdditions, Escapes)
{
    struct Case {
        const char* text;
        const char* regex;
        const char* reference;
    };
    const QList<Case> cases = {
        { "a[b]c", "a\\[b\\]c", "a[b]c" },
        { "plain", "plain", "plain" },
        { "", "", "" },
        { "5$ and 2\\3", "5$ and 2\\3", "5$$ and 2\\\\3" },
        { "[[x]]", "\\[\\[x\\]\\]", "[[x]]" },
        { "$\\", "$\\", "$$\\\\" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RegexAdditions::escapedRegexString(c.text), c.regex) << c.text;
        EXPECT_EQ(RegexAdditions::escapedReferenceString(c.text), c.reference) << c.text;
    }
}

TEST(RegexAdditions, BracketsMatchLiterally)
{
    const QRegularExpression pattern(RegexAdditions::escapedRegexString("[name]"));
    ASSERT_TRUE(pattern.isValid());
    EXPECT_TRUE(pattern.match("Title: [name]").hasMatch());
    EXPECT_FALSE(pattern.match("Title: n").hasMatch());
}

namespace
{

QVariantMap withFont(const QFont& font, const ParagraphStyle& style = {})
{
    return { { NSFontAttributeName, QVariant::fromValue(font) },
        { NSParagraphStyleAttributeName, QVariant::fromValue(style) } };
}

// The font's line: ascent and descent, plus leading when the font asks for more room (a
// negative leading does not squeeze lines). Layout rounds metrics to whole pixels.
void expectOneLineOf(const QFont& font, qreal height)
{
    const QFontMetricsF metrics(font);
    EXPECT_NEAR(height, metrics.ascent() + metrics.descent() + std::max<qreal>(0, metrics.leading()), 1.0);
}

} // namespace

TEST(StringHeight, EmptyTextHasNoHeight)
{
    const QFont font = FontNames::fontWithName("Helvetica", 12);
    for (const char* text : { "", "(null)" })
        EXPECT_EQ(StringHeight::heightWithAttributes(text, withFont(font), 200), 0.0) << text;
}

TEST(StringHeight, LinesOfTheFont)
{
    const QFont font = FontNames::fontWithName("Helvetica", 12);
    const qreal line = StringHeight::heightWithAttributes("x", withFont(font), 400);
    expectOneLineOf(font, line);
    const QString longText = QString("word ").repeated(60).trimmed();
    struct Case {
        const char* name;
        QString text;
        qreal width;
        int lines;
    };
    const QList<Case> cases = {
        { "fits on one line", "Apple pie", 400, 1 },
        { "explicit line ends", "one\ntwo\r\nthree\rfour", 400, 4 },
        { "trailing line end adds an empty line", "one\n", 400, 2 },
        { "paragraph separator", QString("one") + QChar(QChar::ParagraphSeparator) + "two", 400, 2 },
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(StringHeight::heightWithAttributes(c.text, withFont(font), c.width), c.lines * line)
            << c.name;

    // Wrapping: narrower gives more lines, each a whole line high.
    const qreal wide = StringHeight::heightWithAttributes(longText, withFont(font), 100000);
    const qreal narrow = StringHeight::heightWithAttributes(longText, withFont(font), 100);
    EXPECT_DOUBLE_EQ(wide, line);
    EXPECT_GT(narrow, 3 * line);
    EXPECT_NEAR(std::fmod(narrow, line), 0.0, 1e-6);
}

TEST(StringHeight, ParagraphStyleSpacingAndIndents)
{
    const QFont font = FontNames::fontWithName("Helvetica", 12);
    const qreal line = StringHeight::heightWithAttributes("x", withFont(font), 400);
    ParagraphStyle spaced;
    spaced.lineSpacing = 2;
    spaced.paragraphSpacing = 4;
    // Two paragraphs: the line spacing between the lines and the paragraph spacing after the first.
    EXPECT_DOUBLE_EQ(
        StringHeight::heightWithAttributes("a\nb", withFont(font, spaced), 400), 2 * line + 2 + 4);

    // A head indent as wide as the container leaves each later line its narrowest: more lines.
    const QString text = QString("word ").repeated(20).trimmed();
    ParagraphStyle indented;
    indented.headIndent = 150;
    EXPECT_GT(StringHeight::heightWithAttributes(text, withFont(font, indented), 200),
        StringHeight::heightWithAttributes(text, withFont(font), 200));
}

TEST(StringHeight, DefaultsAndOddWidths)
{
    // Without attributes: the application font.
    const qreal plain = StringHeight::heightWithAttributes("x", {}, 300);
    expectOneLineOf(QGuiApplication::font(), plain);
    // A wrong-typed font value is ignored rather than misread.
    EXPECT_EQ(StringHeight::heightWithAttributes("x", { { NSFontAttributeName, "Helvetica" } }, 300), plain);
    const QFont font = FontNames::fontWithName("Helvetica", 12);
    for (qreal width :
        { 0.0, -5.0, std::numeric_limits<qreal>::quiet_NaN(), std::numeric_limits<qreal>::infinity() }) {
        const qreal height = StringHeight::heightWithAttributes("ab cd", withFont(font), width);
        EXPECT_TRUE(std::isfinite(height) && height > 0) << width;
    }
}

TEST(PathExtensions, FollowsLinksAndStandardises)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString root = QFileInfo(dir.path()).canonicalFilePath();
    ASSERT_TRUE(QDir(root).mkdir("real"));
    QFile file(root + "/real/recipe.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_TRUE(QFile::link(root + "/real", root + "/link"));
    ASSERT_TRUE(QFile::link(root + "/link/recipe.txt", root + "/chain"));

    struct Case {
        QString path;
        QString expected;
    };
    const QList<Case> cases = {
        { root + "/real/recipe.txt", root + "/real/recipe.txt" },
        { root + "/link/recipe.txt", root + "/real/recipe.txt" },
        { root + "/chain", root + "/real/recipe.txt" },
        { root + "/link/", root + "/real" },
        { root + "/real/./../real//recipe.txt", root + "/real/recipe.txt" },
        { root + "/missing/../gone.txt/", root + "/gone.txt" },
        { "/", "/" },
        { "", "" },
        { "~", PathExtensions::stringByResolvingAliasesInPath(QDir::homePath()) },
        { "~/", PathExtensions::stringByResolvingAliasesInPath(QDir::homePath()) },
    };
    for (const Case& c : cases)
        EXPECT_EQ(PathExtensions::stringByResolvingAliasesInPath(c.path), c.expected) << c.path.toStdString();

    const QString relative = PathExtensions::stringByResolvingAliasesInPath("no-such-file-here");
    EXPECT_EQ(relative, QDir::cleanPath(QDir::currentPath() + "/no-such-file-here"));
}
