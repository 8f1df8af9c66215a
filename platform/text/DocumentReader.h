#pragma once

#include "AttributedString.h"

#include <QByteArray>
#include <QMap>
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
// The kind the first bytes show: RTF ("{\rtf"), PDF ("%PDF-"), HTML (a doctype or an <html>,
// <head> or <body> tag near the start), else plain text.
Kind kindForData(const QByteArray& data);

// Files of Unknown kind are read as the kind their bytes show.
std::optional<AttributedString> readFile(const QString& path, QString* error = nullptr);
// Unknown data is read as the kind its bytes show. RTFD data is the package's text (its
// "TXT.rtf"), whose pictures are not in the data: their attachments stay, with no picture.
// A PDF's pages are joined in order, one line end between two pages, with no attributes.
std::optional<AttributedString> readData(const QByteArray& data, Kind kind, QString* error = nullptr);

// An RTF package's pictures by file name: the titles of the image attachments in its text.
using Pictures = QMap<QString, QByteArray>;
// Reads the package folder's "TXT.rtf"; `pictures`, when given, receives each picture its text
// names that the folder holds. A name that would lead out of the folder is never followed.
std::optional<AttributedString> readRTFDPackage(
    const QString& path, Pictures* pictures = nullptr, QString* error = nullptr);

} // namespace DocumentReader
