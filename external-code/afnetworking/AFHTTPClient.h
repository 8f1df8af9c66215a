#pragma once

#include "AFHTTPRequestOperation.h"
#include "AFMultipartFormData.h"
#include "OperationQueue.h"
#include "URLRequest.h"

#include <QHash>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <type_traits>

// A general HTTP client: a base address and default headers, requests built from a method, a
// path and parameters (in the query for GET, HEAD and DELETE, else in the body as a form, JSON
// or a property list), multipart form bodies, and the operation class that runs each request,
// on a queue of at most four at a time. Main thread only.
class AFHTTPClient
{
public:
    enum ParameterEncoding {
        FormURLParameterEncoding = 0,
        JSONParameterEncoding = 1,
        PropertyListParameterEncoding = 2
    };
    using SuccessBlock = AFHTTPRequestOperation::SuccessBlock;
    using FailureBlock = AFHTTPRequestOperation::FailureBlock;
    using BodyBlock = std::function<void(AFMultipartFormData& formData)>;
    using BatchProgressBlock = std::function<void(qsizetype finishedOperations, qsizetype totalOperations)>;
    using BatchCompletionBlock
        = std::function<void(const QList<std::shared_ptr<AFHTTPRequestOperation>>& operations)>;

    static constexpr double kRequestTimeout = 30.0;

    explicit AFHTTPClient(QUrl baseURL);
    virtual ~AFHTTPClient();
    AFHTTPClient(const AFHTTPClient&) = delete;
    AFHTTPClient& operator=(const AFHTTPClient&) = delete;

    static std::unique_ptr<AFHTTPClient> clientWithBaseURL(const QUrl& baseURL);

    const QUrl& baseURL() const { return m_baseURL; }
    ParameterEncoding parameterEncoding() const { return m_parameterEncoding; }
    void setParameterEncoding(ParameterEncoding encoding) { m_parameterEncoding = encoding; }

    // Refused (false) unless T is an HTTP request operation class; else T moves to the front of
    // the list, where it is asked last.
    template <class T> bool registerHTTPOperationClass();
    void unregisterHTTPOperationClass(const QString& className) { m_classNames.removeAll(className); }
    const QStringList& registeredHTTPOperationClassNames() const { return m_classNames; }

    QString defaultValueForHeader(const QString& header) const { return m_defaultHeaders.value(header); }
    // An empty value removes the header.
    void setDefaultHeader(const QString& header, const QString& value);
    const QMap<QString, QString>& defaultHeaders() const { return m_defaultHeaders; }
    void setAuthorizationHeaderWithUsername(const QString& username, const QString& password);
    void setAuthorizationHeaderWithToken(const QString& token);
    void clearAuthorizationHeader();

    URLRequest requestWithMethod(
        const QByteArray& method, const QString& path, const QVariantMap& parameters);
    URLRequest multipartFormRequestWithMethod(
        const QByteArray& method, const QString& path, const QVariantMap& parameters, const BodyBlock& block);

    // The first registered class (earliest registration first) that takes the request makes the
    // operation, else a plain HTTP operation; low queue priority, the blocks set.
    std::shared_ptr<AFHTTPRequestOperation> HTTPRequestOperationWithRequest(
        const URLRequest& request, SuccessBlock success, FailureBlock failure);
    void enqueueHTTPRequestOperation(const std::shared_ptr<AFURLConnectionOperation>& operation);
    // Runs the operations as one batch: after each one's own blocks, the progress block gets the
    // number finished and the total; once all have finished, the completion block gets them all.
    // Both on the main thread.
    void enqueueBatchOfHTTPRequestOperations(const QList<std::shared_ptr<AFHTTPRequestOperation>>& operations,
        BatchProgressBlock progress, BatchCompletionBlock completion);
    // The same for requests, each run by an operation without blocks of its own.
    void enqueueBatchOfHTTPRequestOperationsWithRequests(
        const QList<URLRequest>& requests, BatchProgressBlock progress, BatchCompletionBlock completion);
    // Cancels the queued HTTP operations on that path (and method, when one is given).
    void cancelAllHTTPOperationsWithMethod(const QByteArray& method, const QString& path);

    void getPath(
        const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure);
    void postPath(
        const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure);
    void putPath(
        const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure);
    void deletePath(
        const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure);
    void patchPath(
        const QString& path, const QVariantMap& parameters, SuccessBlock success, FailureBlock failure);

    OperationQueue& operationQueue() { return m_operationQueue; }
    QString description() const;

protected:
    // The path resolved against the base address as a relative reference.
    QUrl URLForPath(const QString& path) const;

private:
    struct OperationClass {
        std::function<bool(const URLRequest&)> canProcessRequest;
        std::function<std::shared_ptr<AFHTTPRequestOperation>(URLRequest)> make;
    };

    void runPath(const QByteArray& method, const QString& path, const QVariantMap& parameters,
        SuccessBlock success, FailureBlock failure);

    QUrl m_baseURL;
    ParameterEncoding m_parameterEncoding = FormURLParameterEncoding;
    QStringList m_classNames;
    QHash<QString, OperationClass> m_classes;
    QMap<QString, QString> m_defaultHeaders;
    OperationQueue m_operationQueue;
};

template <class T> bool AFHTTPClient::registerHTTPOperationClass()
{
    if constexpr (!std::is_base_of_v<AFHTTPRequestOperation, T>) {
        return false;
    } else {
        const QString name = T::className();
        // A subclass that keeps the base class's answer takes every request.
        std::function<bool(const URLRequest&)> canProcess = &T::canProcessRequest;
        if constexpr (!std::is_same_v<T, AFHTTPRequestOperation>) {
            if (&T::canProcessRequest == &AFHTTPRequestOperation::canProcessRequest)
                canProcess = [](const URLRequest&) { return true; };
        }
        m_classes.insert(name, OperationClass { std::move(canProcess), [](URLRequest request) {
                                                   return std::make_shared<T>(std::move(request));
                                               } });
        m_classNames.removeAll(name);
        m_classNames.prepend(name);
        return true;
    }
}
