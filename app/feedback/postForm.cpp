#include "postForm.h"

#include "Log.h"

#include <QUuid>

namespace postForm
{

QString newBoundary()
{
    return QStringLiteral("x-mime-boundary-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

Request requestWithURLPostForm(const QUrl& url, const Fields& fields, const QString& boundary)
{
    const QByteArray mark = boundary.toUtf8();
    QByteArray body;
    for (const auto& [name, value] : fields) {
        QByteArray part
            = "\r\n--" + mark + "\r\n" + "Content-Disposition: form-data; name=\"" + name.toUtf8() + "\"\r\n";
        if (value.typeId() == QMetaType::QByteArray) {
            part += "\r\n" + value.toByteArray();
        } else if (value.typeId() == QMetaType::QString) {
            part += "Content-Type: text/plain; charset=utf-8\r\n\r\n" + value.toString().toUtf8();
        } else {
            Q_ASSERT_X(false, "postForm", "unknown value class");
            Log::logf(QStringLiteral("unknown value class: %1"), QString::fromUtf8(value.metaType().name()));
            continue;
        }
        body += part;
    }
    body += "\r\n--" + mark + "--\r\n";

    Request result;
    result.request.setUrl(url);
    result.request.setHeader(
        QNetworkRequest::ContentTypeHeader, QByteArray("multipart/form-data; boundary=" + mark));
    result.request.setRawHeader("Content-Length", QByteArray::number(body.size()));
    result.body = body;
    return result;
}

} // namespace postForm
