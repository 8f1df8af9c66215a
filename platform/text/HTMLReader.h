#pragma once

#include "AttributedString.h"

#include <QByteArray>
#include <QString>

// HTML as the text a browser shows, laid out by QTextDocument: each block (paragraph, heading,
// list item, table cell) a paragraph with its alignment, indents and spacing after; each
// stretch of text its font, size, bold, italic, underline and colour. Scripts, styles,
// pictures and control characters show no text; half a surrogate pair shows as U+FFFD.
// The encoding comes from a byte-order mark or the page's meta charset; pages without one
// are read as UTF-8 when they are valid UTF-8, else as Windows-1252. Any thread.
class HTMLReader
{
public:
    HTMLReader() = delete;

    static AttributedString attributedStringFromHTML(const QByteArray& data);
    // The page's text, decoded as above.
    static QString decodedHTML(const QByteArray& data);
};
