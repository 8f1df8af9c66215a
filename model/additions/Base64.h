#pragma once

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <string>

// Standard Base64 (RFC 4648: "A–Z a–z 0–9 + /", "=" padding) on one line, no line breaks.
namespace Base64
{

// The Base64 text of `data`; empty data gives the empty string.
QString base64EncodedString(const QByteArray& data);

} // namespace Base64

// The Base64 text of `length` bytes at `buffer`; stores the character count through
// `outputLength` when it is not null. A null buffer counts as no bytes.
std::string NewBase64Encode(const void* buffer, std::size_t length, std::size_t* outputLength = nullptr);
