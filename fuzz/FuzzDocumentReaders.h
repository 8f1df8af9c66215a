#pragma once

#include <cstddef>
#include <cstdint>

// The readers of outside documents, one check each.
//
// RTF: the bytes read as RTF. A refusal must come with a message. Read text must have no control
// characters but tab and line end, no unpaired surrogate, an image attachment with a name on every
// attachment character and nowhere else, and a font of positive size on every character; written
// back with the RTF writer and read again it must give the same text, attachments left out.
void fuzzRTFReader(const uint8_t* data, size_t size);

// HTML: the bytes read as a web page. The text must have no attachment character and a font of
// positive size on every character, and survive the RTF writer and reader as above.
void fuzzHTMLReader(const uint8_t* data, size_t size);

// PDF: the bytes read as a PDF document. A refusal must come with a message; read text has no
// carriage return or form feed.
void fuzzPDFReader(const uint8_t* data, size_t size);

// Plain text: the bytes read as a text file. The text has no carriage return and no NUL; bytes
// that are valid UTF-8 without those read as exactly that text.
void fuzzPlainTextReader(const uint8_t* data, size_t size);
