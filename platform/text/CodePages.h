#pragma once

#include <QByteArray>
#include <QString>

// Decoding the 8-bit and double-byte code pages that documents from other programs name by
// number (RTF's \ansicpgN and \fcharsetN, Windows code pages) or that a system's locale uses.
// Any thread.
namespace CodePages
{

// The code page a font's RTF character set stands for (\fcharsetN); 0 when the set names none
// (the document's own code page applies).
int codePageForCharset(int charset);

// The bytes as text in code page `codePage` (1252, 1251, 932, 10000 for Mac Roman, 437...);
// Windows-1252 when the code page is unknown. Bytes the code page has no character for become
// U+FFFD.
QString decode(const QByteArray& bytes, int codePage);

// Windows-1252, which also fills the C1 gap of Latin-1 with its punctuation.
QString decodeWindows1252(const QByteArray& bytes);

// The 8-bit encoding of the user's locale when it has one, else Windows-1252, the most common
// 8-bit encoding of text files from other systems.
QString decodeLocale8Bit(const QByteArray& bytes);

} // namespace CodePages
