#include "AFMultipartFormData.h"

#include "AFNetworkingErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>

namespace
{

const char* const kNewLine = "\r\n";

} // namespace

void AFMultipartFormData::appendPartWithHeaders(const QMap<QString, QString>& headers, const QByteArray& body)
{
    if (m_data.isEmpty())
        appendString(QStringLiteral("--%1%2").arg(boundary(), QLatin1String(kNewLine)));
    else
        appendString(QStringLiteral("%1--%2%1").arg(QLatin1String(kNewLine), boundary()));
    for (auto it = headers.cbegin(); it != headers.cend(); ++it)
        appendString(QStringLiteral("%1: %2%3").arg(it.key(), it.value(), QLatin1String(kNewLine)));
    appendString(QLatin1String(kNewLine));
    appendData(body);
}

void AFMultipartFormData::appendPartWithFormData(const QByteArray& data, const QString& name)
{
    appendPartWithHeaders(
        { { QStringLiteral("Content-Disposition"), QStringLiteral("form-data; name=\"%1\"").arg(name) } },
        data);
}

void AFMultipartFormData::appendPartWithFileData(
    const QByteArray& data, const QString& name, const QString& fileName, const QString& mimeType)
{
    QMap<QString, QString> headers {
        { QStringLiteral("Content-Disposition"),
            QStringLiteral("form-data; name=\"%1\"; filename=\"%2\"").arg(name, fileName) },
    };
    if (!mimeType.isEmpty())
        headers.insert(QStringLiteral("Content-Type"), mimeType);
    appendPartWithHeaders(headers, data);
}

bool AFMultipartFormData::appendPartWithFileURL(const QUrl& fileURL, const QString& name, Error* error)
{
    if (!fileURL.isLocalFile()) {
        if (error) {
            *error = AFNetworkingErrors::makeError(AFNetworkingErrorDomain, AFNetworkingErrors::NotAFileURL,
                QStringLiteral("Expected URL to be a file URL"), fileURL);
        }
        return false;
    }
    QFile file(fileURL.toLocalFile());
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = Error { QStringLiteral("NSCocoaErrorDomain"), 260, file.errorString(), {} };
        return false;
    }
    const QByteArray bytes = file.readAll();
    const QString type = QMimeDatabase().mimeTypeForFile(file.fileName()).name();
    appendPartWithFileData(bytes, name, QFileInfo(file.fileName()).fileName(), type);
    return true;
}

void AFMultipartFormData::appendData(const QByteArray& data)
{
    m_data.append(data);
}

void AFMultipartFormData::appendString(const QString& string)
{
    m_data.append(string.toUtf8());
}

QByteArray AFMultipartFormData::data() const
{
    return m_data + QStringLiteral("\r\n--%1--\r\n").arg(boundary()).toUtf8();
}
