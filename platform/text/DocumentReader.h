#pragma once

#include "AttributedString.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Reads documents from outside the program into attributed strings, for the import window:
// plain text, RTF, RTF packages (a folder with "TXT.rtf" and its pictures), HTML and PDF.
// Unreadable or broken input answers no string and a message for the user; it never crashes.
// Any thread.
namespace DocumentReader
{

enum class Kind { PlainText, RTF, RTFD, HTML, PDF, Unknown };

// The kind a file's extension stands for ("txt", "rtf", "rtfd", "html"/"htm", "pdf").
Kind kindForPath(const QString& path);

std::optional<AttributedString> readFile(const QString& path, QString* error = nullptr);
std::optional<AttributedString> readData(const QByteArray& data, Kind kind, QString* error = nullptr);

} // namespace DocumentReader
