#pragma once

#include "AttributedString.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Reads RTF 1.x as word processors write it into an attributed string: fonts, sizes, bold,
// italic, underline and colours of the runs; each paragraph's alignment, indents, spacing after and
// tab stops; \uN characters with their fallbacks skipped, \'hh bytes in the document's code page
// (\ansicpgN, \mac, \pc) or the font's character set. Tables become text: cells end with a tab,
// rows with a line end. Page headers and footers, pictures, objects, field instructions and other
// destinations are skipped. A picture of an RTF package (\NeXTGraphic) becomes an attachment
// character with an image attachment titled with the picture's file name in the package.
//
// Input that does not start as RTF, or whose groups nest deeper than kMaximumGroupDepth, answers
// no string and a message for the user; a document cut short gives the text read up to the cut.
// Any thread.
class RTFReader
{
public:
    RTFReader() = delete;

    static constexpr int kMaximumGroupDepth = 200;

    static std::optional<AttributedString> attributedStringFromRTF(
        const QByteArray& data, QString* error = nullptr);
};
