#include "AFURLConnectionOperation.h"

#include "AFNetworkingErrors.h"
#include "NotificationCenter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QStringDecoder>
#include <cmath>

using namespace AFNetworkingErrors;

namespace
{

QPointer<QNetworkAccessManager>& sharedManager()
{
    static QPointer<QNetworkAccessManager> manager;
    return manager;
}

// Ends the transport while the application still exists, so that Qt's network thread and the
// objects it keeps are taken down in order rather than cut off at exit.
void releaseNetworkManager()
{
    delete sharedManager().data();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// One transport for the process, on the main thread; Qt runs its sockets on a thread of its own.
QNetworkAccessManager* networkManager()
{
    QPointer<QNetworkAccessManager>& manager = sharedManager();
    if (!manager) {
        manager = new QNetworkAccessManager(QCoreApplication::instance());
        manager->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
        static const bool cleanupAdded = [] {
            qAddPostRoutine(releaseNetworkManager);
            return true;
        }();
        (void)cleanupAdded;
    }
    return manager;
}

bool allowedTransition(
    AFURLConnectionOperation::State from, AFURLConnectionOperation::State to, bool cancelled)
{
    using State = AFURLConnectionOperation::State;
    switch (from) {
    case State::Ready:
        return to == State::Paused || to == State::Executing || (to == State::Finished && cancelled);
    case State::Executing:
        return to == State::Paused || to == State::Finished;
    case State::Finished:
        return false;
    case State::Paused:
        return to == State::Ready;
    default:
        return true;
    }
}

} // namespace

AFURLConnectionOperation::AFURLConnectionOperation(URLRequest request)
    : m_request(std::move(request))
{
    resetMemoryOutput();
    m_state = State::Ready;
}

AFURLConnectionOperation::~AFURLConnectionOperation()
{
    if (m_reply) {
        m_stopping = true;
        QObject::disconnect(m_reply, nullptr, m_reply, nullptr); // ours only; Qt keeps its own
        m_reply->abort();
        m_reply->deleteLater();
    }
}

QString AFURLConnectionOperation::stateName(State state)
{
    switch (state) {
    case State::Paused:
        return QStringLiteral("isPaused");
    case State::Ready:
        return QStringLiteral("isReady");
    case State::Executing:
        return QStringLiteral("isExecuting");
    case State::Finished:
        return QStringLiteral("isFinished");
    default:
        return QStringLiteral("state");
    }
}

void AFURLConnectionOperation::setState(State state)
{
    if (!allowedTransition(m_state, state, m_cancelled))
        return;
    m_state = state;
    // Observers may drop the last other owner; stay alive until done.
    const std::shared_ptr<AFURLConnectionOperation> keep = weak_from_this().lock();
    if (state == State::Executing)
        NotificationCenter::defaultCenter().postNotificationName(
            AFNetworkingOperationDidStartNotification, this);
    if (state == State::Finished) {
        NotificationCenter::defaultCenter().postNotificationName(
            AFNetworkingOperationDidFinishNotification, this);
        if (std::function<void()> block = std::move(m_completionBlock)) {
            m_completionBlock = nullptr;
            block();
        }
    }
    notifyStateObservers();
}

void AFURLConnectionOperation::notifyStateObservers()
{
    const std::shared_ptr<AFURLConnectionOperation> keep = weak_from_this().lock();
    const auto observers = m_stateObservers;
    for (const auto& observer : observers)
        observer(*this);
}

void AFURLConnectionOperation::setCompletionBlock(std::function<void()> block)
{
    m_completionBlock = std::move(block);
}

void AFURLConnectionOperation::addStateObserver(std::function<void(AFURLConnectionOperation&)> observer)
{
    m_stateObservers.push_back(std::move(observer));
}

void AFURLConnectionOperation::resetMemoryOutput()
{
    auto buffer = std::make_unique<QBuffer>();
    buffer->open(QIODevice::WriteOnly);
    m_output = std::move(buffer);
    m_outputIsMemory = true;
}

void AFURLConnectionOperation::setOutputStream(std::unique_ptr<QIODevice> output)
{
    if (!output)
        return;
    m_output = std::move(output);
    m_outputIsMemory = false;
}

void AFURLConnectionOperation::start()
{
    if (!isReady())
        return;
    setState(State::Executing);
    operationDidStart();
}

void AFURLConnectionOperation::operationDidStart()
{
    if (m_cancelled) {
        m_connectionError
            = makeError(NSURLErrorDomain, Cancelled, QStringLiteral("cancelled"), m_request.url);
        finish();
        return;
    }
    if (!m_request.url.isValid() || m_request.url.scheme().isEmpty()) {
        failConnection(makeError(NSURLErrorDomain, BadURL, QStringLiteral("bad URL"), m_request.url));
        return;
    }
    QNetworkRequest request(m_request.url);
    for (auto it = m_request.headers.cbegin(); it != m_request.headers.cend(); ++it) {
        // The transport asks for compressed replies itself and undoes the compression; naming
        // the encoding here would hand the compressed bytes through.
        if (it.key().compare(QLatin1String("Accept-Encoding"), Qt::CaseInsensitive) == 0)
            continue;
        request.setRawHeader(it.key().toUtf8(), it.value().toUtf8());
    }
    if (m_request.timeoutInterval > 0)
        request.setTransferTimeout(int(std::ceil(m_request.timeoutInterval * 1000.0)));
    m_stopping = false;
    m_reply = networkManager()->sendCustomRequest(request, m_request.method, m_request.body);
    connectReply();
}

void AFURLConnectionOperation::connectReply()
{
    QNetworkReply* reply = m_reply;
    std::weak_ptr<AFURLConnectionOperation> weak = weak_from_this();
    QObject::connect(reply, &QNetworkReply::metaDataChanged, reply, [weak] {
        if (auto self = weak.lock())
            self->takeResponseHead();
    });
    QObject::connect(reply, &QNetworkReply::readyRead, reply, [weak] {
        if (auto self = weak.lock())
            self->readAvailable();
    });
    QObject::connect(reply, &QNetworkReply::uploadProgress, reply, [weak](qint64 sent, qint64 total) {
        auto self = weak.lock();
        if (self && self->m_uploadProgress && sent > 0)
            self->m_uploadProgress(sent, sent, total);
    });
    QObject::connect(reply, &QNetworkReply::finished, reply, [weak] {
        if (auto self = weak.lock())
            self->replyFinished();
    });
}

void AFURLConnectionOperation::takeResponseHead()
{
    if (!m_reply || m_stopping)
        return;
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid())
        return;
    const bool first = !m_response || m_response->statusCode != status.toInt();
    URLResponse response;
    response.url = m_reply->url();
    response.statusCode = status.toInt();
    for (const auto& pair : m_reply->rawHeaderPairs())
        response.headers.insert(QString::fromLatin1(pair.first), QString::fromLatin1(pair.second));
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    response.expectedContentLength = length.isValid() ? length.toLongLong() : -1;
    m_response = std::move(response);
    if (m_response->expectedContentLength > kMaximumResponseLength) {
        failConnection(makeError(NSURLErrorDomain, DataLengthExceedsMaximum,
            QStringLiteral("The reply is larger than the most the program takes."), m_request.url));
        return;
    }
    if (first) {
        if (m_output && !m_output->isOpen())
            m_output->open(QIODevice::WriteOnly);
        didReceiveResponse();
    }
}

void AFURLConnectionOperation::readAvailable()
{
    if (!m_reply || m_stopping)
        return;
    if (!m_response)
        takeResponseHead();
    if (!m_reply->isOpen())
        return;
    const QByteArray chunk = m_reply->readAll();
    if (chunk.isEmpty())
        return;
    m_totalBytesRead += chunk.size();
    if (m_totalBytesRead > kMaximumResponseLength) {
        failConnection(makeError(NSURLErrorDomain, DataLengthExceedsMaximum,
            QStringLiteral("The reply is larger than the most the program takes."), m_request.url));
        return;
    }
    if (!m_output || m_output->write(chunk) != chunk.size()) {
        failConnection(makeError(NSURLErrorDomain, CannotWriteToFile,
            QStringLiteral("The reply could not be stored."), m_request.url));
        return;
    }
    if (m_downloadProgress)
        m_downloadProgress(
            chunk.size(), m_totalBytesRead, m_response ? m_response->expectedContentLength : -1);
}

Error AFURLConnectionOperation::errorForReply() const
{
    const QNetworkReply::NetworkError code = m_reply->error();
    const QUrl url = m_request.url;
    const bool haveStatus = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid();
    // An HTTP error status is a reply like any other; the HTTP checks judge it.
    const bool statusError
        = (code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError)
        || (code >= QNetworkReply::InternalServerError && code <= QNetworkReply::UnknownServerError);
    if (code == QNetworkReply::NoError || (haveStatus && statusError))
        return {};
    const QString text = m_reply->errorString();
    switch (code) {
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        return makeError(NSURLErrorDomain, TimedOut, QStringLiteral("The request timed out."), url);
    case QNetworkReply::ConnectionRefusedError:
        return makeError(NSURLErrorDomain, CannotConnectToHost, text, url);
    case QNetworkReply::HostNotFoundError:
        return makeError(NSURLErrorDomain, CannotFindHost, text, url);
    case QNetworkReply::RemoteHostClosedError:
        return makeError(NSURLErrorDomain, NetworkConnectionLost, text, url);
    case QNetworkReply::SslHandshakeFailedError:
        return makeError(NSURLErrorDomain, SecureConnectionFailed, text, url);
    case QNetworkReply::ProtocolUnknownError:
        return makeError(NSURLErrorDomain, UnsupportedURL, text, url);
    default:
        return makeError(NSURLErrorDomain, haveStatus ? NetworkConnectionLost : Unknown, text, url);
    }
}

void AFURLConnectionOperation::replyFinished()
{
    if (!m_reply || m_stopping)
        return;
    const std::shared_ptr<AFURLConnectionOperation> keep = weak_from_this().lock();
    takeResponseHead();
    if (m_stopping)
        return;
    readAvailable();
    if (m_stopping)
        return;
    const Error error = errorForReply();
    if (!error.isNull()) {
        failConnection(error);
        return;
    }
    if (m_outputIsMemory)
        m_responseData = static_cast<QBuffer*>(m_output.get())->data();
    if (m_output)
        m_output->close();
    m_reply->deleteLater();
    m_reply = nullptr;
    finish();
}

void AFURLConnectionOperation::failConnection(const Error& error)
{
    const std::shared_ptr<AFURLConnectionOperation> keep = weak_from_this().lock();
    m_connectionError = error;
    if (m_reply) {
        m_stopping = true;
        QObject::disconnect(m_reply, nullptr, m_reply, nullptr); // ours only; Qt keeps its own
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    if (m_output)
        m_output->close();
    finish();
}

void AFURLConnectionOperation::finish()
{
    setState(State::Finished);
}

void AFURLConnectionOperation::cancel()
{
    if (isFinished() || m_cancelled)
        return;
    m_cancelled = true;
    if (m_reply)
        failConnection(makeError(NSURLErrorDomain, Cancelled, QStringLiteral("cancelled"), m_request.url));
    else
        notifyStateObservers(); // a queue starts a cancelled operation at once, so it can finish
}

void AFURLConnectionOperation::pause()
{
    if (isPaused() || isFinished() || m_cancelled)
        return;
    const std::shared_ptr<AFURLConnectionOperation> keep = weak_from_this().lock();
    if (isExecuting())
        willPause();
    setState(State::Paused);
    if (m_reply) {
        m_stopping = true;
        QObject::disconnect(m_reply, nullptr, m_reply, nullptr); // ours only; Qt keeps its own
        m_reply->abort();
        m_reply->deleteLater();
        m_reply = nullptr;
    }
    NotificationCenter::defaultCenter().postNotificationName(
        AFNetworkingOperationDidFinishNotification, this);
}

void AFURLConnectionOperation::resume()
{
    if (!isPaused())
        return;
    setState(State::Ready);
    willResume();
    start();
}

QString AFURLConnectionOperation::responseString() const
{
    const QString name = m_response ? m_response->textEncodingName() : QString();
    if (!name.isEmpty()) {
        QStringDecoder decoder(name.toLatin1().constData());
        if (decoder.isValid())
            return decoder.decode(m_responseData);
    }
    return QString::fromUtf8(m_responseData);
}

QString AFURLConnectionOperation::description() const
{
    return QStringLiteral("<%1: %2, state: %3, cancelled: %4 request: %5, response: %6>")
        .arg(typeName(), QStringLiteral("0x%1").arg(quintptr(this), 0, 16), stateName(m_state),
            m_cancelled ? QStringLiteral("YES") : QStringLiteral("NO"), m_request.url.toString(),
            m_response ? QString::number(m_response->statusCode) : QStringLiteral("(null)"));
}
