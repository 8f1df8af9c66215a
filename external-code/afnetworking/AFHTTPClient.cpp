#include "AFHTTPClient.h"

#include "AFQueryStringComponent.h"
#include "PropertyList.h"
#include "RunLoop.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QLocale>
#include <algorithm>

AFHTTPClient::AFHTTPClient(QUrl baseURL)
    : m_baseURL(std::move(baseURL))
{
    setDefaultHeader(QStringLiteral("Accept-Encoding"), QStringLiteral("gzip"));
    const QStringList languages = QLocale::system().uiLanguages();
    setDefaultHeader(QStringLiteral("Accept-Language"),
        QStringLiteral("%1, en-us;q=0.8").arg(languages.join(QStringLiteral(", "))));
    QString version = QCoreApplication::applicationVersion();
    setDefaultHeader(QStringLiteral("User-Agent"),
        QStringLiteral("%1/%2 (%3)")
            .arg(QCoreApplication::applicationName(), version.isEmpty() ? QStringLiteral("unknown") : version,
                QStringLiteral("unknown")));
}

AFHTTPClient::~AFHTTPClient() = default;

std::unique_ptr<AFHTTPClient> AFHTTPClient::clientWithBaseURL(const QUrl& baseURL)
{
    return std::make_unique<AFHTTPClient>(baseURL);
}

void AFHTTPClient::setDefaultHeader(const QString& header, const QString& value)
{
    if (value.isEmpty())
        m_defaultHeaders.remove(header);
    else
        m_defaultHeaders.insert(header, value);
}

void AFHTTPClient::setAuthorizationHeaderWithUsername(const QString& username, const QString& password)
{
    const QByteArray credentials = QStringLiteral("%1:%2").arg(username, password).toUtf8();
    setDefaultHeader(QStringLiteral("Authorization"),
        QStringLiteral("Basic %1").arg(QString::fromLatin1(credentials.toBase64())));
}

void AFHTTPClient::setAuthorizationHeaderWithToken(const QString& token)
{
    setDefaultHeader(QStringLiteral("Authorization"), QStringLiteral("Token token=\"%1\"").arg(token));
}

void AFHTTPClient::clearAuthorizationHeader()
{
    m_defaultHeaders.remove(QStringLiteral("Authorization"));
}

QUrl AFHTTPClient::URLForPath(const QString& path) const
{
    return m_baseURL.resolved(QUrl(path, QUrl::TolerantMode));
}

URLRequest AFHTTPClient::requestWithMethod(
    const QByteArray& method, const QString& path, const QVariantMap& parameters)
{
    URLRequest request;
    request.url = URLForPath(path);
    request.method = method;
    request.headers = m_defaultHeaders;
    request.timeoutInterval = kRequestTimeout;
    if (parameters.isEmpty())
        return request;

    const QString query = AFQueryStringFromParametersWithEncoding(parameters);
    if (method == "GET" || method == "HEAD" || method == "DELETE") {
        const QString absolute = QString::fromUtf8(request.url.toEncoded());
        const QString joined = absolute
            + (absolute.contains(QLatin1Char('?')) ? QStringLiteral("&%1") : QStringLiteral("?%1"))
                  .arg(query);
        request.url = QUrl::fromEncoded(joined.toUtf8(), QUrl::TolerantMode);
        return request;
    }
    const QString charset = QStringLiteral("utf-8");
    switch (m_parameterEncoding) {
    case FormURLParameterEncoding:
        request.setValueForHTTPHeaderField(
            QStringLiteral("application/x-www-form-urlencoded; charset=%1").arg(charset),
            QStringLiteral("Content-Type"));
        request.body = query.toUtf8();
        break;
    case JSONParameterEncoding: {
        request.setValueForHTTPHeaderField(
            QStringLiteral("application/json; charset=%1").arg(charset), QStringLiteral("Content-Type"));
        const QJsonDocument document = QJsonDocument::fromVariant(QVariant(parameters));
        if (!document.isNull())
            request.body = document.toJson(QJsonDocument::Compact);
        break;
    }
    case PropertyListParameterEncoding:
        request.setValueForHTTPHeaderField(
            QStringLiteral("application/x-plist; charset=%1").arg(charset), QStringLiteral("Content-Type"));
        request.body = PropertyList::dataWithPropertyList(QVariant(parameters), PropertyList::Format::Xml);
        break;
    }
    return request;
}

URLRequest AFHTTPClient::multipartFormRequestWithMethod(
    const QByteArray& method, const QString& path, const QVariantMap& parameters, const BodyBlock& block)
{
    URLRequest request = requestWithMethod(method, path, {});
    AFMultipartFormData formData;
    for (const AFQueryStringComponent& component : AFQueryStringComponentsFromParameters(parameters)) {
        const QByteArray body = component.value().typeId() == QMetaType::QByteArray
            ? component.value().toByteArray()
            : AFParameterDescription(component.value()).toUtf8();
        if (!body.isEmpty())
            formData.appendPartWithFormData(body, component.key());
    }
    if (block)
        block(formData);
    request.setValueForHTTPHeaderField(
        QStringLiteral("multipart/form-data; boundary=%1").arg(AFMultipartFormData::boundary()),
        QStringLiteral("Content-Type"));
    request.body = formData.data();
    return request;
}

std::shared_ptr<AFHTTPRequestOperation> AFHTTPClient::HTTPRequestOperationWithRequest(
    const URLRequest& request, SuccessBlock success, FailureBlock failure)
{
    std::shared_ptr<AFHTTPRequestOperation> operation;
    for (qsizetype i = m_classNames.size() - 1; i >= 0 && !operation; --i) {
        const auto found = m_classes.constFind(m_classNames.at(i));
        if (found != m_classes.cend() && found->canProcessRequest(request))
            operation = found->make(request);
    }
    if (!operation)
        operation = std::make_shared<AFHTTPRequestOperation>(request);
    operation->setQueuePriority(AFURLConnectionOperation::Low);
    operation->setCompletionBlockWithSuccess(std::move(success), std::move(failure));
    return operation;
}

void AFHTTPClient::enqueueHTTPRequestOperation(const std::shared_ptr<AFURLConnectionOperation>& operation)
{
    m_operationQueue.addOperation(operation);
}

void AFHTTPClient::enqueueBatchOfHTTPRequestOperations(
    const QList<std::shared_ptr<AFHTTPRequestOperation>>& operations, BatchProgressBlock progress,
    BatchCompletionBlock completion)
{
    if (operations.isEmpty()) {
        if (completion)
            RunLoop::postToMain([completion] { completion({}); });
        return;
    }
    auto remaining = std::make_shared<qsizetype>(operations.size());
    for (const auto& operation : operations) {
        std::function<void()> own = operation->completionBlock();
        operation->setCompletionBlock([own, remaining, operations, progress, completion] {
            if (own)
                own();
            // Posted after the operation's own blocks, which its completion posts first.
            RunLoop::postToMain([remaining, operations, progress, completion] {
                const qsizetype finished = std::count_if(operations.cbegin(), operations.cend(),
                    [](const auto& operation) { return operation->isFinished(); });
                if (progress)
                    progress(finished, operations.size());
                if (--*remaining == 0 && completion)
                    completion(operations);
            });
        });
    }
    for (const auto& operation : operations)
        enqueueHTTPRequestOperation(operation);
}

void AFHTTPClient::enqueueBatchOfHTTPRequestOperationsWithRequests(
    const QList<URLRequest>& requests, BatchProgressBlock progress, BatchCompletionBlock completion)
{
    QList<std::shared_ptr<AFHTTPRequestOperation>> operations;
    for (const URLRequest& request : requests)
        operations.append(HTTPRequestOperationWithRequest(request, nullptr, nullptr));
    enqueueBatchOfHTTPRequestOperations(operations, std::move(progress), std::move(completion));
}

void AFHTTPClient::cancelAllHTTPOperationsWithMethod(const QByteArray& method, const QString& path)
{
    for (const auto& operation : m_operationQueue.operations()) {
        if (!dynamic_cast<AFHTTPRequestOperation*>(operation.get()))
            continue;
        const URLRequest& request = operation->request();
        if (request.url.path() == path && (method.isEmpty() || request.method == method))
            operation->cancel();
    }
}

void AFHTTPClient::runPath(const QByteArray& method, const QString& path, const QVariantMap& parameters,
    SuccessBlock success, FailureBlock failure)
{
    const URLRequest request = requestWithMethod(method, path, parameters);
    enqueueHTTPRequestOperation(
        HTTPRequestOperationWithRequest(request, std::move(success), std::move(failure)));
}

void AFHTTPClient::getPath(
    const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure)
{
    runPath(QByteArrayLiteral("GET"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::postPath(
    const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure)
{
    runPath(QByteArrayLiteral("POST"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::putPath(
    const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure)
{
    runPath(QByteArrayLiteral("PUT"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::deletePath(
    const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure)
{
    runPath(QByteArrayLiteral("DELETE"), path, parameters, std::move(success), std::move(failure));
}

void AFHTTPClient::patchPath(
    const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure)
{
    runPath(QByteArrayLiteral("PATCH"), path, parameters, std::move(success), std::move(failure));
}

QString AFHTTPClient::description() const
{
    QStringList headers;
    for (auto it = m_defaultHeaders.cbegin(); it != m_defaultHeaders.cend(); ++it) {
        if (it.key() != QLatin1String("Authorization"))
            headers.append(QStringLiteral("%1 = %2").arg(it.key(), it.value()));
    }
    return QStringLiteral(
        "<AFHTTPClient: 0x%1, baseURL: %2, defaultHeaders: {%3}, registeredOperationClasses: (%4), "
        "operationQueue: %5 operations>")
        .arg(QString::number(quintptr(this), 16), m_baseURL.toString(), headers.join(QStringLiteral("; ")),
            m_classNames.join(QStringLiteral(", ")))
        .arg(m_operationQueue.operationCount());
}
