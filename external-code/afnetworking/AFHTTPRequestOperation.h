#pragma once

#include "AFURLConnectionOperation.h"

#include <QList>
#include <QSet>
#include <QStringList>
#include <utility>

// An operation that judges its reply as HTTP: the status code must be acceptable (200 to 299)
// and, when the class names content types, the reply's type one of them. Its blocks run on the
// main thread once it finishes: success with the raw bytes, failure with the error; a cancelled
// operation calls neither. A paused download resumes from where it stopped.
class AFHTTPRequestOperation : public AFURLConnectionOperation
{
public:
    using SuccessBlock
        = std::function<void(AFHTTPRequestOperation& operation, const QVariant& responseObject)>;
    using FailureBlock = std::function<void(AFHTTPRequestOperation& operation, const Error& error)>;
    using StatusCodeRanges = QList<std::pair<int, int>>; // inclusive ranges

    explicit AFHTTPRequestOperation(URLRequest request);

    static QString className() { return QStringLiteral("AFHTTPRequestOperation"); }

    // Sets the completion so that exactly one of the blocks (either may be empty) is called on
    // the main thread, unless the operation was cancelled. Success gets the reply's bytes as a
    // QByteArray (subclasses hand over what they parsed).
    virtual void setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure);

    // The check error when there is one, else the connection's.
    Error error() const override;
    bool hasAcceptableStatusCode() const;
    bool hasAcceptableContentType() const;

    // Received bytes go to this file instead of memory.
    bool setResponseFilePath(const QString& path);
    const QString& responseFilePath() const { return m_responseFilePath; }
    qint64 totalContentLength() const { return m_totalContentLength; }
    qint64 offsetContentLength() const { return m_offsetContentLength; }

    static StatusCodeRanges acceptableStatusCodes();
    static QSet<QString> acceptableContentTypes();
    static void addAcceptableStatusCodes(const QList<int>& codes);
    static void addAcceptableContentTypes(const QSet<QString>& types);
    // Whether this class takes the request: only when its "Accept" header names one of the
    // class's content types.
    static bool canProcessRequest(const URLRequest& request);
    // True when the request's "Accept" header names one of the given types.
    static bool acceptHeaderNamesOneOf(const URLRequest& request, const QSet<QString>& types);

protected:
    // The class's lists, so that checks made in the base use the subclass's.
    virtual StatusCodeRanges classAcceptableStatusCodes() const { return acceptableStatusCodes(); }
    virtual QSet<QString> classAcceptableContentTypes() const { return acceptableContentTypes(); }
    QString typeName() const override { return className(); }
    void didReceiveResponse() override;
    void willPause() override;
    Error httpError() const;

    // Runs on the main thread's next turn, keeping the operation alive until then.
    void deliverOnMain(std::function<void(AFHTTPRequestOperation&)> block);

private:
    mutable Error m_httpError;
    mutable bool m_httpChecked = false;
    QString m_responseFilePath;
    qint64 m_totalContentLength = -1;
    qint64 m_offsetContentLength = 0;
    qint64 m_resumeOffset = -1; // bytes kept from before a pause, -1 when not resuming
};
