#pragma once

#include "AttributedString.h"

#include <QByteArray>

// Writes attributed strings as RTF 1.x, the text format word processors share: a font table and a
// colour table from the runs' fonts and colours; per paragraph its alignment, indents, spacing
// after and tab stops; per run its font, size, bold, italic and colour, each property written
// where it changes (RTF keeps them until changed, across paragraphs). Every character outside
// ASCII is written as \uN with its Windows-1252 byte (or "?") for readers that lack Unicode;
// "\", "{" and "}" are escaped, so no text can open or close a group. Attachments are left out.
// Any thread.
class RTFWriter
{
public:
    RTFWriter() = delete;

    // The whole string as one RTF document, with no document attributes.
    static QByteArray RTFFromAttributedString(const AttributedString& string);
    // The part of the string inside range (clipped to it).
    static QByteArray RTFFromRange(const AttributedString& string, Range range);
};
