#include "AFPropertyListRequestOperation.h"

#include "RunLoop.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace
{

// The one serial worker on which replies are parsed.
QThreadPool* processingQueue()
{
    static QPointer<QThreadPool> pool;
    if (!pool) {
        pool = new QThreadPool(QCoreApplication::instance());
        pool->setMaxThreadCount(1);
        pool->setObjectName(QStringLiteral("afnetworking.propertylist.processing"));
    }
    return pool;
}

} // namespace

AFPropertyListRequestOperation::AFPropertyListRequestOperation(URLRequest request)
    : AFHTTPRequestOperation(std::move(request))
{
}

std::shared_ptr<AFPropertyListRequestOperation>
AFPropertyListRequestOperation::propertyListRequestOperationWithRequest(
    URLRequest request, Success success, Failure failure)
{
    auto operation = std::make_shared<AFPropertyListRequestOperation>(std::move(request));
    operation->setCompletionBlockWithSuccess(
        [success](AFHTTPRequestOperation& op, const QVariant& plist) {
            if (success)
                success(op.request(), op.response().value_or(URLResponse {}), plist);
        },
        [failure](AFHTTPRequestOperation& op, const Error& error) {
            if (failure)
                failure(op.request(), op.response(), error,
                    static_cast<AFPropertyListRequestOperation&>(op).responsePropertyList());
        });
    return operation;
}

QSet<QString> AFPropertyListRequestOperation::acceptableContentTypes()
{
    return { QStringLiteral("application/x-plist"), QStringLiteral("application/xml") };
}

bool AFPropertyListRequestOperation::canProcessRequest(const URLRequest& request)
{
    if (request.url.path().endsWith(QLatin1String(".plist")))
        return true;
    // The base class says yes for a subclass that keeps its answer.
    return true;
}

void AFPropertyListRequestOperation::parse(const QByteArray& data) const
{
    QMutexLocker lock(&m_parseMutex);
    if (m_parsed)
        return;
    m_parsed = true;
    if (data.isEmpty())
        return;
    Error error;
    m_propertyList = PropertyList::propertyListWithData(data, &m_format, &error);
    if (!m_propertyList.isValid())
        m_propertyListError = error;
}

QVariant AFPropertyListRequestOperation::responsePropertyList() const
{
    if (isFinished())
        parse(responseData());
    QMutexLocker lock(&m_parseMutex);
    return m_propertyList;
}

Error AFPropertyListRequestOperation::error() const
{
    {
        QMutexLocker lock(&m_parseMutex);
        if (!m_propertyListError.isNull())
            return m_propertyListError;
    }
    return AFHTTPRequestOperation::error();
}

void AFPropertyListRequestOperation::setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure)
{
    AFPropertyListRequestOperation* operation = this;
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
        // Parsing goes to the worker; the blocks come back to the main thread.
        auto self = std::static_pointer_cast<AFPropertyListRequestOperation>(operation->shared_from_this());
        const QByteArray data = operation->responseData();
        processingQueue()->start([self, data, success, failure] {
            self->parse(data);
            RunLoop::postToMain([self, success, failure] {
                const Error parseError = self->propertyListError();
                if (!parseError.isNull()) {
                    if (failure)
                        failure(*self, parseError);
                    return;
                }
                if (success)
                    success(*self, self->responsePropertyList());
            });
        });
    });
}
