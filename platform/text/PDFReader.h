#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

// The text of a PDF document, page by page in reading order, through poppler. A document that
// cannot be opened (not a PDF, damaged beyond repair, or locked by a password) answers no
// pages and a message for the user; a page without text (a scan) gives an empty string.
// Any thread.
class PDFReader
{
public:
    PDFReader() = delete;

    static std::optional<QStringList> pagesFromPDF(const QByteArray& data, QString* error = nullptr);
};
