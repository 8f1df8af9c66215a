#pragma once

#include <QByteArray>
#include <QString>

// Plain text files as text: UTF-8 or UTF-16 and UTF-32 when a byte-order mark says so, UTF-8
// when the bytes are valid UTF-8, else the locale's 8-bit encoding (Windows-1252 in a UTF-8
// locale). Line ends become "\n" whatever system wrote them ("\r\n", "\r"); NUL characters are
// dropped. Any thread.
class PlainTextReader
{
public:
    PlainTextReader() = delete;

    static QString stringFromData(const QByteArray& data);
    // "\r\n" and "\r" as "\n", NUL characters dropped.
    static QString withUnixLineEnds(const QString& text);
};
