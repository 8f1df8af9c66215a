#include "GroceryListPrintView.h"

#include "FontNames.h"
#include "GroceryList.h"
#include "RecipeCardDocument.h"

#include <QFontMetricsF>
#include <QPrinter>
#include <QTextOption>
#include <algorithm>

GroceryListPrintView::GroceryListPrintView(const GroceryList& list)
{
    m_document.setDefaultFont(FontNames::fontWithName(QStringLiteral("Helvetica"), 12));
    QTextOption option = m_document.defaultTextOption();
    option.setTabStopDistance(tabStopDistance);
    m_document.setDefaultTextOption(option);
    RecipeCardDocument::fill(&m_document, list.attributedString());
}

int GroceryListPrintView::knowsPageRange(const QSizeF& pageSize)
{
    // A page shorter than a line would leave the count undefined: one line a page at least.
    const double lineHeight = QFontMetricsF(m_document.defaultFont()).lineSpacing();
    m_document.setPageSize(QSizeF(pageSize.width(), std::max(pageSize.height(), lineHeight * 1.5)));
    return std::max(1, m_document.pageCount());
}

void GroceryListPrintView::print(QPrinter& printer)
{
    // QTextDocument lays the text out on the printer's page and moves a line that would straddle
    // a page break onto the next page.
    m_document.print(&printer);
}
