#pragma once

#include "Error.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUrl>

// A multipart form body under construction: parts separated by the fixed boundary, each with
// its header lines. Text is written as UTF-8.
class AFMultipartFormData
{
public:
    static QString boundary() { return QStringLiteral("Boundary+0xAbCdEfGbOuNdArY"); }

    // Headers are written in name order.
    void appendPartWithHeaders(const QMap<QString, QString>& headers, const QByteArray& body);
    void appendPartWithFormData(const QByteArray& data, const QString& name);
    // An empty MIME type leaves the part's "Content-Type" out.
    void appendPartWithFileData(
        const QByteArray& data, const QString& name, const QString& fileName, const QString& mimeType);
    // Reads a local file and appends it as a file part, named and typed after the file.
    bool appendPartWithFileURL(const QUrl& fileURL, const QString& name, Error* error = nullptr);
    void appendData(const QByteArray& data);
    void appendString(const QString& string);

    // The finished body: the parts and the closing boundary.
    QByteArray data() const;

private:
    QByteArray m_data;
};
