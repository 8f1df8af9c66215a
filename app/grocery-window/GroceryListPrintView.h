#pragma once

#include <QSizeF>
#include <QTextDocument>

class GroceryList;
class QPrinter;

// A grocery list laid out for print: the list's text (name, header, one line per item not had
// yet) in Helvetica 12 with tab stops every 28 points. Pages break between lines, never through
// one, however long the list; a page too short for a line still holds one line.
class GroceryListPrintView
{
public:
    static constexpr double tabStopDistance = 28.0;

    explicit GroceryListPrintView(const GroceryList& list);

    QTextDocument& document() { return m_document; }
    // The number of pages for pages of `pageSize` (points); at least 1.
    int knowsPageRange(const QSizeF& pageSize);
    // Prints every page on `printer`.
    void print(QPrinter& printer);

private:
    QTextDocument m_document;
};
