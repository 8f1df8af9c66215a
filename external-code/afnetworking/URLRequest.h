#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QUrl>

// One HTTP request as the client builds it and an operation sends it. Header names keep the
// case they were set with and are matched without regard to case.
struct URLRequest {
    QUrl url;
    QByteArray method = QByteArrayLiteral("GET");
    QMap<QString, QString> headers;
    QByteArray body;
    double timeoutInterval = 30.0;

    QString valueForHTTPHeaderField(const QString& name) const;
    // An empty value removes the field.
    void setValueForHTTPHeaderField(const QString& value, const QString& name);
};

// The head of a reply.
struct URLResponse {
    QUrl url;
    int statusCode = 0;
    QMap<QString, QString> headers;
    // The reply's own length, -1 when it gave none.
    qint64 expectedContentLength = -1;

    QString valueForHTTPHeaderField(const QString& name) const;
    // The content type without parameters, lower case; empty when the reply named none.
    QString mimeType() const;
    // The "charset" parameter of the content type, lower case; empty when none.
    QString textEncodingName() const;
};
