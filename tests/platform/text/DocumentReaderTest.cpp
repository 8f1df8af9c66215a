#include "DocumentReader.h"

#include "HTMLReader.h"
#include "PlainTextReader.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

QString dataPath(const char* name)
{
    return QStringLiteral(KITCHORA_TEST_DATA "/") + QLatin1String(name);
}

// The shared evaluation data beside the checkout, when it is there.
QString evalData(const QString& relative)
{
    for (const char* up : { "/../shared/evaldata/", "/../../shared/evaldata/" }) {
        const QString path = QStringLiteral(KITCHORA_SOURCE_DIR) + QLatin1String(up) + relative;
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

bool writeFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QString readText(const QByteArray& data, DocumentReader::Kind kind)
{
    QString error;
    const std::optional<AttributedString> string = DocumentReader::readData(data, kind, &error);
    EXPECT_TRUE(string.has_value()) << error.toStdString();
    return string ? string->string() : QString();
}

// Runs of white space as one blank, so layout differences don't matter.
QString simplified(const QString& text)
{
    return QString(text).replace(QChar::Nbsp, u' ').simplified();
}

// ---- Kinds ----

TEST(DocumentReaderTest, TheKindOfDataComesFromItsFirstBytes)
{
    using Kind = DocumentReader::Kind;
    const std::pair<QByteArray, Kind> cases[] = {
        { "{\\rtf1\\ansi x}", Kind::RTF },
        { "\xEF\xBB\xBF\r\n  {\\rtf1 x}", Kind::RTF },
        { "%PDF-1.7\n...", Kind::PDF },
        { "<!DOCTYPE html><p>x", Kind::HTML },
        { "\n<html lang=en><body>x", Kind::HTML },
        { "<p>just a paragraph</p>", Kind::PlainText },
        { "2 cups flour\n1 egg", Kind::PlainText },
        { "", Kind::PlainText },
    };
    for (const auto& [data, kind] : cases) {
        SCOPED_TRACE(data.toStdString());
        EXPECT_EQ(DocumentReader::kindForData(data), kind);
    }
    EXPECT_EQ(readText("{\\rtf1 {\\b bold}}", Kind::Unknown), QStringLiteral("bold"));
}

// ---- Plain text ----

TEST(DocumentReaderTest, PlainTextEncodingsAndLineEnds)
{
    struct Case {
        const char* name;
        QByteArray data;
        QString text;
    };
    const Case cases[] = {
        { "UTF-8", "Crème brûlée ½ cup", QStringLiteral("Crème brûlée ½ cup") },
        { "UTF-8 with its mark", "\xEF\xBB\xBF\xC3\xA9t\xC3\xA9", QStringLiteral("été") },
        { "UTF-16 little-endian", QByteArray("\xFF\xFE\xE9\x00t\x00\x3D\xD8\x00\xDE", 10),
            QStringLiteral("ét😀") },
        { "UTF-16 big-endian", QByteArray("\xFE\xFF\x00\xE9\x00t", 6), QStringLiteral("ét") },
        { "UTF-32 little-endian", QByteArray("\xFF\xFE\x00\x00\xE9\x00\x00\x00", 8), QStringLiteral("é") },
        { "not UTF-8: Windows-1252", "caf\xE9 \x80 \x93q\x94 \x85", QStringLiteral("café € “q” …") },
        { "Windows line ends", "one\r\ntwo\r\n", QStringLiteral("one\ntwo\n") },
        { "old Mac line ends", "one\rtwo\r\rthree", QStringLiteral("one\ntwo\n\nthree") },
        { "NUL characters", QByteArray("a\0b", 3), QStringLiteral("ab") },
        { "UTF-16 without its mark stays bytes", QByteArray("a\0b\0", 4), QStringLiteral("ab") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readText(c.data, DocumentReader::Kind::PlainText), c.text);
    }
}

// Real files: a MasterCook XML export in an 8-bit encoding with CRLF line ends, and a
// MealMaster file.
TEST(DocumentReaderTest, RealTextFiles)
{
    const QString mx2 = evalData(QStringLiteral("recipes/mealmaster-fixtures/gourmand/athenos.mx2"));
    const QString mmf = evalData(QStringLiteral("recipes/mealmaster-fixtures/gourmand/mealmaster.mmf"));
    if (mx2.isEmpty() || mmf.isEmpty())
        GTEST_SKIP() << "the evaluation data is not beside the checkout";

    QString error;
    const std::optional<AttributedString> xml = DocumentReader::readFile(mx2, &error);
    ASSERT_TRUE(xml.has_value()) << error.toStdString();
    EXPECT_TRUE(xml->string().contains(QStringLiteral("Oreo® Cheesecake")));
    EXPECT_TRUE(xml->string().contains(QStringLiteral("fresh jalapeño pepper")));
    EXPECT_TRUE(xml->string().contains(QStringLiteral("sautéed")));
    EXPECT_FALSE(xml->string().contains(u'\r'));
    EXPECT_FALSE(xml->string().contains(QChar::ReplacementCharacter));

    const std::optional<AttributedString> mealMaster = DocumentReader::readFile(mmf, &error);
    ASSERT_TRUE(mealMaster.has_value()) << error.toStdString();
    QFile raw(mmf);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_EQ(mealMaster->string(), QString::fromUtf8(raw.readAll()));
}

// ---- HTML ----

TEST(DocumentReaderTest, HTMLShowsItsTextWithFacesColoursAndParagraphs)
{
    const QByteArray html = "<html><head><title>Not shown</title><style>p { color: red }</style>"
                            "<script>var notShown = 1;</script></head><body>"
                            "<h1>Lemon Tart</h1>"
                            "<p>A <b>bold</b>, <i>italic</i> and <span style=\"color:#00ff00\">green</span>"
                            " tart &amp; more&nbsp;text<img src=\"x.png\">.</p>"
                            "<p align=\"center\">Centred<br>two lines</p>"
                            "<ul><li>2 lemons</li><li>100 g sugar</li></ul>"
                            "<table><tr><td>flour</td><td>200 g</td></tr></table>"
                            "</body></html>";
    const std::optional<AttributedString> doc = DocumentReader::readData(html, DocumentReader::Kind::HTML);
    ASSERT_TRUE(doc.has_value());
    const QString text = doc->string();
    EXPECT_EQ(simplified(text),
        QStringLiteral("Lemon Tart A bold, italic and green tart & more text. Centred two lines 2 lemons "
                       "100 g sugar flour 200 g"));
    EXPECT_TRUE(text.contains(QStringLiteral("Lemon Tart\nA bold")));
    EXPECT_TRUE(text.contains(QStringLiteral("Centred\u2028two lines")));
    EXPECT_TRUE(text.contains(QStringLiteral("2 lemons\n100 g sugar")));
    EXPECT_FALSE(text.contains(QChar::ObjectReplacementCharacter));

    const auto fontAt = [&](const QString& word) {
        return doc->attributeAtIndex(NSFontAttributeName, text.indexOf(word)).value<QFont>();
    };
    EXPECT_TRUE(fontAt(QStringLiteral("Lemon")).bold());
    EXPECT_GT(fontAt(QStringLiteral("Lemon")).pointSizeF(), fontAt(QStringLiteral("tart")).pointSizeF());
    EXPECT_TRUE(fontAt(QStringLiteral("bold")).bold());
    EXPECT_FALSE(fontAt(QStringLiteral("A bold")).bold());
    EXPECT_TRUE(fontAt(QStringLiteral("italic")).italic());
    EXPECT_EQ(doc->attributeAtIndex(NSForegroundColorAttributeName, text.indexOf(QStringLiteral("green")))
                  .value<QColor>(),
        QColor(0, 255, 0));
    EXPECT_EQ(doc->attributeAtIndex(NSParagraphStyleAttributeName, text.indexOf(QStringLiteral("Centred")))
                  .value<ParagraphStyle>()
                  .alignment,
        ParagraphStyle::Alignment::Center);
}

TEST(DocumentReaderTest, HTMLEncodings)
{
    struct Case {
        const char* name;
        QByteArray html;
        QString text;
    };
    const Case cases[] = {
        { "UTF-8 by default", "<p>Crème ½</p>", QStringLiteral("Crème ½") },
        { "meta charset", "<meta charset=\"windows-1251\"><p>\xcf\xf0\xe8\xe2\xe5\xf2</p>",
            QStringLiteral("Привет") },
        { "http-equiv",
            "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=ISO-8859-1\"><p>caf\xe9 \x80</p>",
            QStringLiteral("café €") },
        { "not UTF-8 without a charset", "<p>caf\xe9</p>", QStringLiteral("café") },
        { "UTF-16 with its mark", QByteArray("\xFF\xFE<\0p\0>\0\xE9\0", 10), QStringLiteral("é") },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(simplified(readText(c.html, DocumentReader::Kind::HTML)), c.text);
    }
}

// Real recipe pages: each page's title and most of its ingredient lines are in the text.
TEST(DocumentReaderTest, RealRecipePages)
{
    const QString folder = evalData(QStringLiteral("recipes/recipe-scrapers/html-fixtures"));
    if (folder.isEmpty())
        GTEST_SKIP() << "the evaluation data is not beside the checkout";
    const QStringList pages = QDir(folder).entryList({ QStringLiteral("*.html") }, QDir::Files, QDir::Name);
    ASSERT_FALSE(pages.isEmpty());
    int found = 0;
    int lines = 0;
    for (const QString& page : pages) {
        SCOPED_TRACE(page.toStdString());
        QString error;
        const std::optional<AttributedString> doc
            = DocumentReader::readFile(QDir(folder).filePath(page), &error);
        ASSERT_TRUE(doc.has_value()) << error.toStdString();
        const QString text = simplified(doc->string());
        EXPECT_FALSE(text.contains(QStringLiteral("function(")));

        QFile golden(
            QDir(folder).filePath(QString(page).replace(QStringLiteral(".html"), QStringLiteral(".json"))));
        ASSERT_TRUE(golden.open(QIODevice::ReadOnly));
        const QJsonObject expected = QJsonDocument::fromJson(golden.readAll()).object();
        for (const QJsonValue line : expected.value(QStringLiteral("ingredients")).toArray()) {
            ++lines;
            if (text.contains(simplified(line.toString()), Qt::CaseInsensitive))
                ++found;
        }
    }
    // Scrapers rewrite some lines (joined spans, fractions as characters); most stand as shown.
    EXPECT_GT(found, lines * 3 / 4) << found << " of " << lines;
}

// ---- PDF ----

// three-pages.pdf: LibreOffice's PDF export of three-pages.html, one paragraph per page.
TEST(DocumentReaderTest, PDFTextPageByPage)
{
    QString error;
    const std::optional<AttributedString> doc = DocumentReader::readFile(dataPath("three-pages.pdf"), &error);
    ASSERT_TRUE(doc.has_value()) << error.toStdString();
    const QString text = doc->string();
    EXPECT_EQ(simplified(text),
        QStringLiteral("Page One Soup 2 cups of stock on the first page. The finest flour. "
                       "Second page: simmer for 20 minutes. Third page: serve hot."));
    EXPECT_TRUE(text.contains(QStringLiteral("Page One Soup\n2 cups")));
    EXPECT_FALSE(text.contains(u'\f'));
    EXPECT_FALSE(text.contains(u'\r'));
}

TEST(DocumentReaderTest, BrokenPDFsAreRefusedWithAMessage)
{
    QFile file(dataPath("three-pages.pdf"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    const QByteArray broken[] = {
        "",
        "not a pdf at all",
        "%PDF-1.4\n1 0 obj << /Type /Catalog >> endobj\n%%EOF",
        whole.left(200),
        QByteArray(whole).replace("/Type/Page", "/Type/Junk").left(whole.size() / 3),
    };
    for (const QByteArray& data : broken) {
        SCOPED_TRACE(data.size());
        QString error;
        EXPECT_FALSE(DocumentReader::readData(data, DocumentReader::Kind::PDF, &error).has_value());
        EXPECT_FALSE(error.isEmpty());
    }
    // Cut anywhere, a PDF reads as far as poppler can repair it, or is refused; never more.
    for (qsizetype length = 0; length < whole.size(); length += whole.size() / 17) {
        QString error;
        const std::optional<AttributedString> doc
            = DocumentReader::readData(whole.left(length), DocumentReader::Kind::PDF, &error);
        EXPECT_TRUE(doc.has_value() || !error.isEmpty());
    }
}

// ---- RTF packages ----

TEST(DocumentReaderTest, RTFPackageWithItsPictures)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString package = dir.filePath(QStringLiteral("Recipe.rtfd"));
    ASSERT_TRUE(QDir().mkpath(package));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("secret.png")), "outside"));
    ASSERT_TRUE(writeFile(package + QStringLiteral("/photo.png"), "\x89PNG picture bytes"));
    ASSERT_TRUE(writeFile(package + QStringLiteral("/TXT.rtf"),
        "{\\rtf1\\ansi Pie{{\\NeXTGraphic photo.png \\width20 \\height20\n}\\'ac}"
        "{{\\NeXTGraphic ../secret.png \\width20\n}\\'ac}{{\\NeXTGraphic missing.tiff \\width20\n}\\'ac}}"));

    QString error;
    DocumentReader::Pictures pictures;
    const std::optional<AttributedString> doc = DocumentReader::readRTFDPackage(package, &pictures, &error);
    ASSERT_TRUE(doc.has_value()) << error.toStdString();
    EXPECT_EQ(doc->string(), QStringLiteral("Pie") + QString(3, QChar(NSAttachmentCharacter)));
    EXPECT_EQ(
        pictures, (DocumentReader::Pictures { { QStringLiteral("photo.png"), "\x89PNG picture bytes" } }));

    // Opened as a file, the package gives the same text.
    const std::optional<AttributedString> opened = DocumentReader::readFile(package, &error);
    ASSERT_TRUE(opened.has_value()) << error.toStdString();
    EXPECT_EQ(*opened, *doc);

    const QString empty = dir.filePath(QStringLiteral("Empty.rtfd"));
    ASSERT_TRUE(QDir().mkpath(empty));
    EXPECT_FALSE(DocumentReader::readFile(empty, &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("Empty.rtfd")));
}

// ---- Files ----

TEST(DocumentReaderTest, FilesThatCannotBeReadAreReported)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("folder.txt"))));
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("broken.rtf")), "{\\rtx not rtf}"));
    for (const QString& name : { QStringLiteral("missing.txt"), QStringLiteral("folder.txt"),
             QStringLiteral("broken.rtf"), QStringLiteral("missing.rtfd") }) {
        SCOPED_TRACE(name.toStdString());
        QString error;
        EXPECT_FALSE(DocumentReader::readFile(dir.filePath(name), &error).has_value());
        EXPECT_FALSE(error.isEmpty());
    }
    // A file's extension names its kind; data in another kind is read as that kind anyway.
    ASSERT_TRUE(writeFile(dir.filePath(QStringLiteral("recipe.card")), "{\\rtf1 {\\i Soup}}"));
    const std::optional<AttributedString> sniffed
        = DocumentReader::readFile(dir.filePath(QStringLiteral("recipe.card")));
    ASSERT_TRUE(sniffed.has_value());
    EXPECT_EQ(sniffed->string(), QStringLiteral("Soup"));
}

} // namespace
