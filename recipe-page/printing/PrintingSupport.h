#pragma once

#include "AttributedString.h"

#include <QMarginsF>
#include <QRectF>
#include <QString>
#include <functional>

class QPrinter;

// Posted after the shown card was printed, with the recipe text view as sender; the recipe
// controller counts a cooking of the shown recipe on it.
inline const QString KRDidPrintRecipeNotification = QStringLiteral("KRDidPrintRecipeNotification");

// Printing the recipe on show. Not the on-screen page: a copy of the card's text as a word
// processor would take it (characters, fonts, colours, paragraph styles; no rules, buttons,
// picture, edit box or bubble), laid out at the printable width, fitted to the page's width,
// centred across it and running over as many pages as it needs. Main thread only.
namespace PrintingSupport
{

// Asks the user how to print; true when the print should go ahead (the printer as the user left
// it). Empty: the standard print dialog.
using PrintPanel = std::function<bool(QPrinter& printer)>;

// The print margins for a paper's own (unprintable) margins, in points: 20 more at the top, 5 at
// the bottom, 10 each side.
QMarginsF printMarginsForPaperMargins(const QMarginsF& paperMargins);
// Where the copy is laid out, for the paper's imageable bounds I and the print margins (points):
// (I.x + left, I.y + bottom, I.width - left - right, I.height - bottom - top).
QRectF printablePageBoundsFromPrintInfo(const QRectF& imageablePageBounds, const QMarginsF& margins);
// The paper's imageable bounds in points: its rectangle less its own margins.
QRectF imageablePageBounds(const QPrinter& printer);
// Sets the printer's margins from its paper's; they stay for later prints.
void preparePrintInfo(QPrinter& printer);
// The card as printed: attachments left out, only fonts, colours and paragraph styles kept.
AttributedString printCopy(const AttributedString& card);
// Lays the copy out `frame.width()` points wide and paints it on the printer; false when the
// printer could not be painted on.
bool printCopyOnPrinter(const AttributedString& copy, QPrinter& printer, const QRectF& frame);

// The shared printer whose settings persist while the program runs.
QPrinter& sharedPrintInfo();
// Prints the card through the panel. Only a print the user let go ahead, and that the printer
// took, posts KRDidPrintRecipeNotification from `sender`; a cancelled panel counts nothing.
bool print(const AttributedString& card, QPrinter& printer, const PrintPanel& panel, const void* sender);

} // namespace PrintingSupport
