#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkRequest>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariant>

// A form posted as multipart/form-data: what the feedback form sends.
namespace postForm
{

using Fields = QList<QPair<QString, QVariant>>;

struct Request {
    QNetworkRequest request;
    QByteArray body;
};

// A new boundary: "x-mime-boundary-" and a new UUID, made only of characters a Content-Type
// parameter takes without quotes.
QString newBoundary();

// A POST to `url` of the fields in their order: a text value becomes a UTF-8 text part, a byte
// array a part of its bytes. Other values are a programming error and are left out. The body
// starts with CRLF before the first boundary and ends with the closing boundary and CRLF; the
// request carries "Content-Type: multipart/form-data; boundary=..." and "Content-Length".
Request requestWithURLPostForm(
    const QUrl& url, const Fields& fields, const QString& boundary = newBoundary());

} // namespace postForm
