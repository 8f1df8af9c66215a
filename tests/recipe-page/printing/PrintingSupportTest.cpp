// Printing the shown card: the margin arithmetic, the print copy without attachments, a PDF made
// through the page, and a cooking counted only for a print that happened.
#include "PrintingSupport.h"

#include "PageControllerFixture.h"
#include "RVButtonTextAttachmentCell.h"
#include "RecipeCardAttributes.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

TEST(PrintingSupportMargins, PaperMarginsGiveThePrintMarginsAndTheLayoutFrame)
{
    const struct {
        double paper;
        QMarginsF print; // left, top, right, bottom
    } cases[] = {
        { 18, { 28, 38, 28, 23 } },
        { 0, { 10, 20, 10, 5 } },
    };
    for (const auto& c : cases) {
        const QMarginsF paper(c.paper, c.paper, c.paper, c.paper);
        const QMarginsF print = PrintingSupport::printMarginsForPaperMargins(paper);
        EXPECT_EQ(print, c.print) << c.paper;
        // US Letter less the paper's margins.
        const QRectF imageable = QRectF(0, 0, 612, 792).marginsRemoved(paper);
        const QRectF frame = PrintingSupport::printablePageBoundsFromPrintInfo(imageable, print);
        EXPECT_EQ(frame.width(), imageable.width() - c.print.left() - c.print.right()) << c.paper;
        EXPECT_EQ(frame.height(), imageable.height() - c.print.top() - c.print.bottom()) << c.paper;
        EXPECT_EQ(frame.x(), imageable.x() + c.print.left());
        EXPECT_EQ(frame.y(), imageable.y() + c.print.bottom());
    }
    EXPECT_EQ(PrintingSupport::printablePageBoundsFromPrintInfo(
                  QRectF(18, 18, 576, 756), PrintingSupport::printMarginsForPaperMargins({ 18, 18, 18, 18 }))
                  .width(),
        576 - 56);
}

TEST(PrintingSupportMargins, ThePrinterKeepsTheMarginsSet)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    PrintingSupport::preparePrintInfo(printer);
    // A PDF has no unprintable margins of its own.
    const QMarginsF margins = printer.pageLayout().margins(QPageLayout::Point);
    EXPECT_NEAR(margins.left(), 10, 0.01);
    EXPECT_NEAR(margins.top(), 20, 0.01);
    EXPECT_NEAR(margins.right(), 10, 0.01);
    EXPECT_NEAR(margins.bottom(), 5, 0.01);
}

TEST(PrintingSupportCopy, TheCopyKeepsTextFontsAndColoursButNoAttachments)
{
    MutableAttributedString card;
    QVariantMap name { { NSFontAttributeName, QFont(RVBoldDisplayFont, 18) },
        { RVValueAttribute, QStringLiteral("name") } };
    card.appendAttributedString(AttributedString(QStringLiteral("Stew\n"), name));
    RVButtonTextAttachmentCell button;
    button.setTitle(QStringLiteral("add ingredients..."));
    card.appendAttributedString(AttributedString(QString(QChar(0xFFFC)),
        { { NSAttachmentAttributeName, QVariant::fromValue(button.attachment()) },
            { RVPlaceholderAttribute, QStringLiteral("baseIngredient.name") } }));
    card.appendAttributedString(
        AttributedString(QStringLiteral("\nGrey"), { { NSForegroundColorAttributeName, QColor(Qt::gray) } }));

    const AttributedString copy = PrintingSupport::printCopy(card);
    EXPECT_EQ(copy.string(), QStringLiteral("Stew\n\nGrey"));
    EXPECT_EQ(copy.attributeAtIndex(NSFontAttributeName, 0).value<QFont>().pointSize(), 18);
    EXPECT_FALSE(copy.attributeAtIndex(RVValueAttribute, 0).isValid());
    EXPECT_EQ(copy.attributeAtIndex(NSForegroundColorAttributeName, 7).value<QColor>(), QColor(Qt::gray));
}

class PrintingTest : public PageControllerFixture
{
protected:
    RecipeMO* showStew()
    {
        RecipeMO* stew = recipeWith(QStringLiteral("Stew"), QStringLiteral("Simmer for two hours."));
        EXPECT_TRUE(context->save());
        selectInList(stew);
        return stew;
    }

    // A panel that answers `go` and sends the print to a PDF file.
    PrintingSupport::PrintPanel panelToPdf(bool go)
    {
        return [this, go](QPrinter& printer) {
            ++panels;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf());
            return go;
        };
    }

    QString pdf() const { return folder.filePath(QStringLiteral("print.pdf")); }
    qint64 cookCount(RecipeMO* recipe) const
    {
        return recipe->valueForKey(QStringLiteral("cookCount")).toLongLong();
    }

    QTemporaryDir folder;
    int panels = 0;
};

TEST_F(PrintingTest, APrintMakesAPdfAndCountsOneCooking)
{
    RecipeMO* stew = showStew();
    EXPECT_EQ(cookCount(stew), 0);
    EXPECT_TRUE(controller->printRecipePage(panelToPdf(true)));
    QFile file(pdf());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.read(5).startsWith("%PDF"));
    EXPECT_GT(file.size(), 500);
    EXPECT_EQ(cookCount(stew), 1);
    // Twice printed, twice counted.
    EXPECT_TRUE(controller->printRecipePage(panelToPdf(true)));
    EXPECT_EQ(cookCount(stew), 2);
    EXPECT_EQ(panels, 2);
}

TEST_F(PrintingTest, ACancelledPrintCountsNothing)
{
    RecipeMO* stew = showStew();
    EXPECT_FALSE(controller->printRecipePage(panelToPdf(false)));
    EXPECT_EQ(cookCount(stew), 0);
    EXPECT_FALSE(QFile::exists(pdf()));
    EXPECT_TRUE(presented.isEmpty());
}

TEST_F(PrintingTest, APrinterThatFailsIsReportedAndCountsNothing)
{
    RecipeMO* stew = showStew();
    const bool printed = controller->printRecipePage([](QPrinter& printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QStringLiteral("/nonexistent-folder/print.pdf"));
        return true;
    });
    EXPECT_FALSE(printed);
    EXPECT_EQ(cookCount(stew), 0);
    EXPECT_EQ(presented.size(), 1);
}

TEST_F(PrintingTest, AnEmptyPageStillPrints)
{
    selectInList(nullptr);
    EXPECT_TRUE(controller->printRecipePage(panelToPdf(true)));
    EXPECT_TRUE(QFile::exists(pdf()));
}

} // namespace
