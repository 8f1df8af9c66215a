#include "AFHTTPRequestOperation.h"

#include "AFNetworkingErrors.h"
#include "RunLoop.h"

#include <QBuffer>
#include <QFile>
#include <QRegularExpression>
#include <algorithm>

using namespace AFNetworkingErrors;

namespace
{

AFHTTPRequestOperation::StatusCodeRanges& statusCodes()
{
    static AFHTTPRequestOperation::StatusCodeRanges codes { { 200, 299 } };
    return codes;
}

QSet<QString>& contentTypes()
{
    static QSet<QString> types;
    return types;
}

QString describeRanges(const AFHTTPRequestOperation::StatusCodeRanges& ranges)
{
    QStringList parts;
    for (const auto& [first, last] : ranges)
        parts.append(first == last ? QString::number(first) : QStringLiteral("%1-%2").arg(first).arg(last));
    return parts.join(QLatin1Char(','));
}

QString describeTypes(const QSet<QString>& types)
{
    QStringList list(types.cbegin(), types.cend());
    list.sort();
    return QStringLiteral("{(%1)}").arg(list.join(QStringLiteral(", ")));
}

} // namespace

AFHTTPRequestOperation::AFHTTPRequestOperation(URLRequest request)
    : AFURLConnectionOperation(std::move(request))
{
}

AFHTTPRequestOperation::StatusCodeRanges AFHTTPRequestOperation::acceptableStatusCodes()
{
    return statusCodes();
}

QSet<QString> AFHTTPRequestOperation::acceptableContentTypes()
{
    return contentTypes();
}

void AFHTTPRequestOperation::addAcceptableStatusCodes(const QList<int>& codes)
{
    for (int code : codes)
        statusCodes().append({ code, code });
}

void AFHTTPRequestOperation::addAcceptableContentTypes(const QSet<QString>& types)
{
    contentTypes().unite(types);
}

bool AFHTTPRequestOperation::acceptHeaderNamesOneOf(const URLRequest& request, const QSet<QString>& types)
{
    const QString accept = request.valueForHTTPHeaderField(QStringLiteral("Accept"));
    static const QRegularExpression separators(QStringLiteral("[;,]"));
    for (const QString& piece : accept.split(separators, Qt::SkipEmptyParts)) {
        if (types.contains(piece.trimmed()))
            return true;
    }
    return false;
}

bool AFHTTPRequestOperation::canProcessRequest(const URLRequest& request)
{
    return acceptHeaderNamesOneOf(request, acceptableContentTypes());
}

bool AFHTTPRequestOperation::hasAcceptableStatusCode() const
{
    if (!response())
        return false;
    const int code = response()->statusCode;
    const StatusCodeRanges ranges = classAcceptableStatusCodes();
    return std::any_of(ranges.cbegin(), ranges.cend(),
        [code](const std::pair<int, int>& range) { return code >= range.first && code <= range.second; });
}

bool AFHTTPRequestOperation::hasAcceptableContentType() const
{
    if (!response())
        return false;
    const QSet<QString> types = classAcceptableContentTypes();
    return types.isEmpty() || types.contains(response()->mimeType());
}

Error AFHTTPRequestOperation::httpError() const
{
    if (m_httpChecked || !response() || !isFinished())
        return m_httpError;
    m_httpChecked = true;
    const QUrl url = request().url;
    if (!hasAcceptableStatusCode()) {
        m_httpError = makeError(AFNetworkingErrorDomain, BadStatusCode,
            QStringLiteral("Expected status code in (%1), got %2")
                .arg(describeRanges(classAcceptableStatusCodes()))
                .arg(response()->statusCode),
            url);
    } else if (totalBytesRead() > 0 && !hasAcceptableContentType()) {
        m_httpError = makeError(AFNetworkingErrorDomain, BadContentType,
            QStringLiteral("Expected content type %1, got %2")
                .arg(describeTypes(classAcceptableContentTypes()), response()->mimeType()),
            url);
    }
    return m_httpError;
}

Error AFHTTPRequestOperation::error() const
{
    const Error check = httpError();
    return check.isNull() ? AFURLConnectionOperation::error() : check;
}

void AFHTTPRequestOperation::deliverOnMain(std::function<void(AFHTTPRequestOperation&)> block)
{
    if (!block)
        return;
    auto self = std::static_pointer_cast<AFHTTPRequestOperation>(shared_from_this());
    RunLoop::postToMain([self, block = std::move(block)] { block(*self); });
}

void AFHTTPRequestOperation::setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure)
{
    // The completion runs inside the operation; holding it weakly keeps the block from owning it.
    AFHTTPRequestOperation* operation = this;
    setCompletionBlock([operation, success = std::move(success), failure = std::move(failure)] {
        if (operation->isCancelled())
            return;
        const Error error = operation->error();
        if (!error.isNull()) {
            if (failure)
                operation->deliverOnMain(
                    [failure, error](AFHTTPRequestOperation& op) { failure(op, error); });
            return;
        }
        if (success) {
            const QVariant bytes = QVariant(operation->responseData());
            operation->deliverOnMain([success, bytes](AFHTTPRequestOperation& op) { success(op, bytes); });
        }
    });
}

bool AFHTTPRequestOperation::setResponseFilePath(const QString& path)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    m_responseFilePath = path;
    setOutputStream(std::move(file));
    return true;
}

void AFHTTPRequestOperation::willPause()
{
    // Ask only for the rest once resumed.
    qint64 have = 0;
    if (QIODevice* output = outputStream()) {
        have = outputIsMemory() ? static_cast<QBuffer*>(output)->data().size() : output->size();
    }
    m_resumeOffset = have;
    URLRequest next = request();
    next.setValueForHTTPHeaderField(QStringLiteral("bytes=%1-").arg(have), QStringLiteral("Range"));
    if (response()) {
        const QString tag = response()->valueForHTTPHeaderField(QStringLiteral("ETag"));
        if (!tag.isEmpty())
            next.setValueForHTTPHeaderField(tag, QStringLiteral("If-Range"));
    }
    setRequest(std::move(next));
}

void AFHTTPRequestOperation::didReceiveResponse()
{
    m_totalContentLength = response()->expectedContentLength;
    if (m_resumeOffset < 0)
        return;
    m_resumeOffset = -1;
    static const QRegularExpression contentRange(QStringLiteral("^bytes (\\d+)-(\\d+)/(\\d+)$"));
    const QRegularExpressionMatch match
        = contentRange.match(response()->valueForHTTPHeaderField(QStringLiteral("Content-Range")).trimmed());
    if (response()->statusCode == 206 && match.hasMatch()) {
        m_offsetContentLength = match.captured(1).toLongLong();
        m_totalContentLength = match.captured(3).toLongLong();
        return;
    }
    // The server sends the whole body again: start the output over.
    m_offsetContentLength = 0;
    if (outputIsMemory()) {
        resetMemoryOutput();
    } else if (QIODevice* output = outputStream()) {
        if (auto* file = qobject_cast<QFile*>(output))
            file->resize(0);
        output->seek(0);
    }
}
