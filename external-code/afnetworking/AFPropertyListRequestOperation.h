#pragma once

#include "AFHTTPRequestOperation.h"
#include "PropertyList.h"

#include <QMutex>
#include <QVariant>

// An HTTP operation whose reply is a property list (XML or binary): it accepts the content
// types "application/x-plist" and "application/xml", parses the reply on one serial worker of
// its own (never the main thread) and hands the parsed value to its success block. An empty
// reply succeeds with no value.
class AFPropertyListRequestOperation : public AFHTTPRequestOperation
{
public:
    using Success
        = std::function<void(const URLRequest& request, const URLResponse& response, const QVariant& plist)>;
    using Failure = std::function<void(const URLRequest& request, const std::optional<URLResponse>& response,
        const Error& error, const QVariant& plist)>;

    explicit AFPropertyListRequestOperation(URLRequest request);

    static QString className() { return QStringLiteral("AFPropertyListRequestOperation"); }
    static std::shared_ptr<AFPropertyListRequestOperation> propertyListRequestOperationWithRequest(
        URLRequest request, Success success, Failure failure);

    void setCompletionBlockWithSuccess(SuccessBlock success, FailureBlock failure) override;

    // Parsed on first use once finished; invalid for an empty reply or a parse failure.
    QVariant responsePropertyList() const;
    PropertyList::Format propertyListFormat() const { return m_format; }
    Error propertyListError() const { return m_propertyListError; }
    // The parse error when there is one, else the HTTP checks'.
    Error error() const override;

    static QSet<QString> acceptableContentTypes();
    // A ".plist" path, or what the base class takes.
    static bool canProcessRequest(const URLRequest& request);

protected:
    QSet<QString> classAcceptableContentTypes() const override { return acceptableContentTypes(); }
    QString typeName() const override { return className(); }

private:
    // Parses the bytes (from any thread) and keeps the result.
    void parse(const QByteArray& data) const;

    mutable QMutex m_parseMutex;
    mutable bool m_parsed = false;
    mutable QVariant m_propertyList;
    mutable PropertyList::Format m_format = PropertyList::Format::Xml;
    mutable Error m_propertyListError;
};
