#include "PrintingSupport.h"

#include "CardTextDocument.h"
#include "Log.h"
#include "NotificationCenter.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <memory>

namespace PrintingSupport
{

namespace
{

// The shared printer goes with the application, before the statics do.
class PrintInfoHolder : public QObject
{
public:
    using QObject::QObject;
    QPrinter printer { QPrinter::HighResolution };
};

// Where pages break: at line bottoms, so no line is cut, each page at most `pageHeight` high.
QList<double> pageStarts(const QTextDocument& document, double pageHeight)
{
    QList<double> lineBottoms;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextLayout* layout = block.layout();
        if (!layout)
            continue;
        const double top = document.documentLayout()->blockBoundingRect(block).top();
        for (int i = 0; i < layout->lineCount(); ++i)
            lineBottoms.append(top + layout->lineAt(i).rect().bottom());
    }
    QList<double> starts { 0.0 };
    double previousBottom = 0.0;
    for (const double bottom : lineBottoms) {
        // A line taller than a page gets a page of its own, cut.
        if (bottom - starts.last() > pageHeight && previousBottom > starts.last())
            starts.append(previousBottom);
        previousBottom = bottom;
    }
    return starts;
}

} // namespace

QMarginsF printMarginsForPaperMargins(const QMarginsF& paper)
{
    return { paper.left() + 10.0, paper.top() + 20.0, paper.right() + 10.0, paper.bottom() + 5.0 };
}

QRectF printablePageBoundsFromPrintInfo(const QRectF& imageable, const QMarginsF& margins)
{
    return { imageable.x() + margins.left(), imageable.y() + margins.bottom(),
        imageable.width() - margins.left() - margins.right(),
        imageable.height() - margins.bottom() - margins.top() };
}

QRectF imageablePageBounds(const QPrinter& printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    const QMarginsF paper = layout.minimumMargins();
    return QRectF(layout.fullRectPoints()).marginsRemoved(paper);
}

void preparePrintInfo(QPrinter& printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    printer.setPageMargins(printMarginsForPaperMargins(layout.minimumMargins()), QPageLayout::Point);
}

AttributedString printCopy(const AttributedString& card)
{
    MutableAttributedString copy;
    const QString& text = card.string();
    card.enumerateAttributesInRange(
        { 0, card.length() }, [&](const QVariantMap& attributes, Range run, bool&) {
            if (attributes.contains(NSAttachmentAttributeName))
                return;
            QVariantMap kept;
            for (const QString& name :
                { NSFontAttributeName, NSForegroundColorAttributeName, NSParagraphStyleAttributeName })
                if (attributes.contains(name))
                    kept.insert(name, attributes.value(name));
            copy.appendAttributedString(AttributedString(text.mid(run.location, run.length), kept));
        });
    return copy;
}

bool printCopyOnPrinter(const AttributedString& copy, QPrinter& printer, const QRectF& frame)
{
    // Laid out in points, the unit of the card's fonts, indents and tab stops, and painted scaled
    // to the printer's resolution.
    static QImage pointDevice = [] {
        QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
        image.setDotsPerMeterX(qRound(72.0 / 0.0254));
        image.setDotsPerMeterY(qRound(72.0 / 0.0254));
        return image;
    }();
    QTextDocument document;
    document.documentLayout()->setPaintDevice(&pointDevice);
    document.setDocumentMargin(0);
    CardTextDocument::fill(&document, copy);
    const double width = std::max(1.0, frame.width());
    document.setTextWidth(width);

    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    const double toDevice = printer.resolution() / 72.0;
    // The width fits the page; the text is centred across it and runs on over the pages.
    const double pageWidth = printer.width() / toDevice;
    const double pageHeight = printer.height() / toDevice;
    const double scale = std::min(1.0, pageWidth / width);
    const double left = (pageWidth - width * scale) / 2.0;
    const double pageHeightInText = pageHeight / scale;
    const QList<double> starts = pageStarts(document, pageHeightInText);
    for (qsizetype page = 0; page < starts.size(); ++page) {
        if (page > 0 && !printer.newPage())
            break;
        const double top = starts.at(page);
        const double bottom = page + 1 < starts.size() ? starts.at(page + 1) : top + pageHeightInText;
        painter.save();
        painter.scale(toDevice, toDevice);
        painter.translate(left, 0);
        painter.scale(scale, scale);
        painter.translate(0, -top);
        const QRectF shown(0, top, width, std::min(bottom - top, pageHeightInText));
        painter.setClipRect(shown);
        document.drawContents(&painter, shown);
        painter.restore();
    }
    return painter.end();
}

QPrinter& sharedPrintInfo()
{
    static QPointer<PrintInfoHolder> holder;
    if (!holder)
        holder = new PrintInfoHolder(QCoreApplication::instance());
    return holder->printer;
}

bool print(const AttributedString& card, QPrinter& printer, const PrintPanel& panel, const void* sender)
{
    preparePrintInfo(printer);
    const QRectF frame = printablePageBoundsFromPrintInfo(
        imageablePageBounds(printer), printer.pageLayout().margins(QPageLayout::Point));
    const AttributedString copy = printCopy(card);
    bool accepted = false;
    if (panel) {
        accepted = panel(printer);
    } else {
        QPrintDialog dialog(&printer);
        accepted = dialog.exec() == QDialog::Accepted;
    }
    if (!accepted)
        return false;
    if (!printCopyOnPrinter(copy, printer, frame)) {
        Log::log(QStringLiteral("RVTextView: -print: the printer could not be used"));
        return false;
    }
    NotificationCenter::defaultCenter().postNotificationName(KRDidPrintRecipeNotification, sender);
    return true;
}

} // namespace PrintingSupport
