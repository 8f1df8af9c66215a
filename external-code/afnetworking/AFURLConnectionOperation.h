#pragma once

#include "Error.h"
#include "URLRequest.h"

#include <QByteArray>
#include <QIODevice>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QNetworkReply;

// Posted on the default centre with the operation as sender when it starts executing, and when
// it finishes or pauses.
inline const QString AFNetworkingOperationDidStartNotification
    = QStringLiteral("AFNetworkingOperationDidStartNotification");
inline const QString AFNetworkingOperationDidFinishNotification
    = QStringLiteral("AFNetworkingOperationDidFinishNotification");

// One HTTP exchange run as an operation: ready, executing, finished (or paused), cancellable
// once. The transport is Qt Network, which does its socket work off the main thread; the
// operation itself lives on the main thread, where it is started, fed and finished. Received
// bytes go to an output device (memory by default); a reply the output cannot take, or one
// longer than kMaximumResponseLength, fails the operation instead of ending short.
//
// Operations are shared: the queue, the caller and the blocks in flight each hold one.
class AFURLConnectionOperation : public std::enable_shared_from_this<AFURLConnectionOperation>
{
public:
    enum class State : qint16 { Paused = -1, Initialized = 0, Ready = 1, Executing = 2, Finished = 3 };
    enum QueuePriority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };
    using ProgressBlock = std::function<void(qint64 bytes, qint64 totalBytes, qint64 totalExpected)>;

    static constexpr qint64 kMaximumResponseLength = qint64(32) * 1024 * 1024;

    explicit AFURLConnectionOperation(URLRequest request);
    virtual ~AFURLConnectionOperation();
    AFURLConnectionOperation(const AFURLConnectionOperation&) = delete;
    AFURLConnectionOperation& operator=(const AFURLConnectionOperation&) = delete;

    static QString className() { return QStringLiteral("AFURLConnectionOperation"); }

    // When ready: executing, then the request goes out. Anything else: nothing.
    void start();
    // Unless finished or already cancelled: marks the operation cancelled and stops its
    // connection, which finishes it with the "cancelled" error. A ready operation finishes as
    // soon as it is started.
    void cancel();
    void pause();
    void resume();

    State state() const { return m_state; }
    bool isPaused() const { return m_state == State::Paused; }
    bool isReady() const { return m_state == State::Ready; }
    bool isExecuting() const { return m_state == State::Executing; }
    bool isFinished() const { return m_state == State::Finished; }
    bool isCancelled() const { return m_cancelled; }
    bool isConcurrent() const { return true; }

    int queuePriority() const { return m_queuePriority; }
    void setQueuePriority(int priority) { m_queuePriority = priority; }

    // Run once when the operation finishes, then released.
    void setCompletionBlock(std::function<void()> block);
    const std::function<void()>& completionBlock() const { return m_completionBlock; }
    // Called after every change of state (the queue watches through it).
    void addStateObserver(std::function<void(AFURLConnectionOperation&)> observer);

    void setUploadProgressBlock(ProgressBlock block) { m_uploadProgress = std::move(block); }
    void setDownloadProgressBlock(ProgressBlock block) { m_downloadProgress = std::move(block); }

    const URLRequest& request() const { return m_request; }
    const std::optional<URLResponse>& response() const { return m_response; }
    // The connection's error; subclasses add their own checks. Null when none.
    virtual Error error() const { return m_connectionError; }
    // The bytes received, once loading ended (memory output only).
    const QByteArray& responseData() const { return m_responseData; }
    // The bytes as text in the reply's encoding (UTF-8 when it names none).
    QString responseString() const;
    qint64 totalBytesRead() const { return m_totalBytesRead; }

    // Where received bytes go; must be open for writing. Replaces the memory output.
    void setOutputStream(std::unique_ptr<QIODevice> output);
    QIODevice* outputStream() const { return m_output.get(); }

    QString description() const;
    static QString stateName(State state);

protected:
    void setState(State state);
    void setRequest(URLRequest request) { m_request = std::move(request); }
    // A new reply head arrived; subclasses may look at it before the body.
    virtual void didReceiveResponse() { }
    // Pause is about to stop the connection (the received bytes are still there).
    virtual void willPause() { }
    // Resume has put the operation back to ready.
    virtual void willResume() { }
    virtual QString typeName() const { return className(); }
    bool outputIsMemory() const { return m_outputIsMemory; }
    void resetMemoryOutput();

private:
    void operationDidStart();
    void connectReply();
    void readAvailable();
    void replyFinished();
    void failConnection(const Error& error);
    void finish();
    void notifyStateObservers();
    void takeResponseHead();
    Error errorForReply() const;

    URLRequest m_request;
    std::optional<URLResponse> m_response;
    Error m_connectionError;
    QByteArray m_responseData;
    qint64 m_totalBytesRead = 0;
    State m_state = State::Initialized;
    bool m_cancelled = false;
    bool m_stopping = false; // the reply is being dropped on purpose (cancel, pause, failure)
    int m_queuePriority = Normal;
    std::unique_ptr<QIODevice> m_output;
    bool m_outputIsMemory = true;
    QPointer<QNetworkReply> m_reply;
    std::function<void()> m_completionBlock;
    std::vector<std::function<void(AFURLConnectionOperation&)>> m_stateObservers;
    ProgressBlock m_uploadProgress;
    ProgressBlock m_downloadProgress;
};
