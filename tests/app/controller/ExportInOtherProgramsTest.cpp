// The exported files as other programs see them: the PDF rendered and read by poppler's tools,
// the RTF opened by LibreOffice, the UTF-16 text files decoded by iconv. Each test is skipped,
// with a message, when its program is not installed.
#include "ControllerFixture.h"
#include "RecipeCollection.h"

#include <QFile>
#include <QImage>
#include <QLockFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <unistd.h>

namespace
{

const QByteArray kCard = "BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Crème Brûlée Pancakes\nCATEGORY:Breakfast\n"
                         "YIELD:8 pancakes\n"
                         "ING:1:1 1/2;cup;;all-purpose flour;1 1/2 cups all-purpose flour\n"
                         "ING:2:½;tsp.;;baking soda;½ teaspoon baking soda\n"
                         "ING:3:1 1/4;cup;;buttermilk;1 1/4 cups buttermilk — cold\n"
                         "DIR:1:Whisk the flour and the baking soda in a large bowl.\n"
                         "DIR:2:Cook on a hot griddle, about 2 minutes a side; serve with crème fraîche.\n"
                         "NOTE:1:Keeps for “two days” in the fridge.\n"
                         "END:VRECIPECARD\n";

struct ProgramRun {
    int exitCode = -1;
    QByteArray output;
};

ProgramRun run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    ProgramRun result;
    if (!process.waitForStarted() || !process.waitForFinished(240000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.output = process.readAllStandardOutput();
    return result;
}

// Text with all white space removed: other programs wrap and space lines as they please.
QString squeezed(QString text)
{
    text.remove(QChar(0xFFFC));
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return text.replace(QChar::Nbsp, u' ').remove(space);
}

class ExportInOtherProgramsTest : public ControllerFixture
{
public:
    void SetUp() override
    {
        ControllerFixture::SetUp();
        launch();
        const QString cards = root.filePath(QStringLiteral("pancakes.vrc"));
        QFile file(cards);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(kCard);
        file.close();
        controller->openFiles({ cards });
        const QList<ManagedObject*> recipes
            = controller->libraryCollection()->mutableSetValueForKey(QStringLiteral("recipes")).allObjects();
        ASSERT_EQ(recipes.size(), 1);
        recipe.current = recipes.first();

        // The page's lines as the plain-text export has them; every other program must show each.
        const QByteArray plain = controller->exportData(KitchoraController::TXTExportFormat);
        ASSERT_TRUE(plain.startsWith("\xFF\xFE"));
        pageText = QString::fromUtf16(
            reinterpret_cast<const char16_t*>(plain.constData() + 2), (plain.size() - 2) / 2);
        for (const QString& line : pageText.split(u'\n')) {
            if (!squeezed(line).isEmpty())
                pageLines.append(line);
        }
        ASSERT_GE(pageLines.size(), 6);
    }

    QString tool(const char* name) { return QStandardPaths::findExecutable(QLatin1String(name)); }

    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = root.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
        return path;
    }

    void expectEveryLineIn(const QString& shown)
    {
        const QString all = squeezed(shown);
        for (const QString& line : std::as_const(pageLines))
            EXPECT_TRUE(all.contains(squeezed(line))) << line.toStdString() << "\nnot in\n"
                                                      << shown.toStdString();
    }

    QString pageText;
    QStringList pageLines;
};

TEST_F(ExportInOtherProgramsTest, PDFRendersAndItsTextReadsInPoppler)
{
    const QString pdftoppm = tool("pdftoppm");
    const QString pdftotext = tool("pdftotext");
    if (pdftoppm.isEmpty() || pdftotext.isEmpty())
        GTEST_SKIP() << "poppler-utils (pdftoppm, pdftotext) are not installed";

    const QString pdf = root.filePath(QStringLiteral("Pancakes.pdf"));
    ASSERT_TRUE(controller->exportToPDF(pdf));

    // 36 dots per inch: a Letter page is 306 x 396 pixels, half a pixel per point.
    ASSERT_EQ(run(pdftoppm,
                  { QStringLiteral("-r"), QStringLiteral("36"), QStringLiteral("-png"), pdf,
                      root.filePath(QStringLiteral("page")) })
                  .exitCode,
        0);
    const QImage page(root.filePath(QStringLiteral("page-1.png")));
    ASSERT_FALSE(page.isNull());
    EXPECT_EQ(page.size(), QSize(306, 396));
    int inked = 0;
    int inMargins = 0;
    for (int y = 0; y < page.height(); ++y) {
        for (int x = 0; x < page.width(); ++x) {
            if (qGray(page.pixel(x, y)) >= 160)
                continue;
            ++inked;
            // The margins: 72 points at the sides, 40 at the top, 90 at the bottom.
            if (x < 36 - 1 || x > 306 - 36 + 1 || y < 20 - 1 || y > 396 - 45 + 1)
                ++inMargins;
        }
    }
    EXPECT_GT(inked, 500); // text, not a blank page
    EXPECT_EQ(inMargins, 0);

    const ProgramRun text
        = run(pdftotext, { QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-") });
    ASSERT_EQ(text.exitCode, 0);
    expectEveryLineIn(QString::fromUtf8(text.output));
}

TEST_F(ExportInOtherProgramsTest, RTFOpensInAWordProcessor)
{
    const QString soffice = tool("soffice");
    if (soffice.isEmpty())
        GTEST_SKIP() << "LibreOffice (soffice) is not installed";

    const QString rtf
        = write(QStringLiteral("Pancakes.rtf"), controller->exportData(KitchoraController::RTFExportFormat));
    const QString out = root.filePath(QStringLiteral("converted"));
    // LibreOffice takes long to set up a profile, so runs share one, one run at a time.
    const QString profileFolder = QStringLiteral("/tmp/kitchora-tests-office-%1").arg(getuid());
    QLockFile lock(profileFolder + QStringLiteral(".lock"));
    lock.setStaleLockTime(600000);
    ASSERT_TRUE(lock.tryLock(300000));
    const QString profile = QUrl::fromLocalFile(profileFolder).toString();
    ASSERT_EQ(run(soffice,
                  { QStringLiteral("-env:UserInstallation=") + profile, QStringLiteral("--headless"),
                      QStringLiteral("--convert-to"), QStringLiteral("txt:Text (encoded):UTF8"),
                      QStringLiteral("--outdir"), out, rtf })
                  .exitCode,
        0);
    QFile converted(out + QStringLiteral("/Pancakes.txt"));
    ASSERT_TRUE(converted.open(QIODevice::ReadOnly));
    QByteArray text = converted.readAll();
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    expectEveryLineIn(QString::fromUtf8(text));
}

TEST_F(ExportInOtherProgramsTest, TextExportsDecodeInIconv)
{
    const QString iconv = tool("iconv");
    if (iconv.isEmpty())
        GTEST_SKIP() << "iconv is not installed";

    for (const int format :
        { int(KitchoraController::TXTExportFormat), int(KitchoraController::VRCExportFormat) }) {
        SCOPED_TRACE(format);
        const QString path
            = write(QStringLiteral("export.%1").arg(KitchoraController::extensionForExportFormat(format)),
                controller->exportData(format));
        // UTF-16 with no byte order named: iconv must find it from the mark.
        const ProgramRun decoded = run(iconv,
            { QStringLiteral("-f"), QStringLiteral("UTF-16"), QStringLiteral("-t"), QStringLiteral("UTF-8"),
                path });
        ASSERT_EQ(decoded.exitCode, 0);
        const QString text = QString::fromUtf8(decoded.output);
        if (format == KitchoraController::TXTExportFormat) {
            EXPECT_EQ(text, pageText);
        } else {
            EXPECT_TRUE(text.startsWith(QStringLiteral("BEGIN:VRECIPECARD")));
            EXPECT_TRUE(text.contains(QStringLiteral("NAME:Crème Brûlée Pancakes")));
            EXPECT_TRUE(text.contains(QStringLiteral("½ teaspoon baking soda")));
        }
    }
}

} // namespace
