#pragma once

#include "Error.h"

#include <QString>
#include <QUrl>

// The error domain of the HTTP client's own checks, and the connection errors of the transport
// in the URL loading domain's codes.
inline const QString AFNetworkingErrorDomain = QStringLiteral("org.kitchora.afnetworking");
inline const QString NSURLErrorDomain = QStringLiteral("NSURLErrorDomain");
// The user-info key of the address that failed.
inline const QString NSURLErrorFailingURLErrorKey = QStringLiteral("NSErrorFailingURLKey");

namespace AFNetworkingErrors
{

enum Code {
    // AFNetworkingErrorDomain
    NotAFileURL = -1000,
    BadStatusCode = -1011,
    BadContentType = -1016,
    // NSURLErrorDomain
    Unknown = -1,
    Cancelled = -999,
    BadURL = -1000,
    TimedOut = -1001,
    UnsupportedURL = -1002,
    CannotFindHost = -1003,
    CannotConnectToHost = -1004,
    NetworkConnectionLost = -1005,
    BadServerResponse = -1011,
    DataLengthExceedsMaximum = -1103,
    SecureConnectionFailed = -1200,
    CannotWriteToFile = -3003,
};

inline Error makeError(const QString& domain, int code, const QString& description, const QUrl& url)
{
    Error error { domain, code, description, {} };
    if (!url.isEmpty())
        error.userInfo.insert(NSURLErrorFailingURLErrorKey, url.toString());
    return error;
}

// True when the request may have reached the service: anything but a failure to connect, so a
// request that changes something is not sent again after it.
inline bool mayHaveReachedService(const Error& error)
{
    if (error.domain != NSURLErrorDomain)
        return true;
    switch (error.code) {
    case CannotFindHost:
    case CannotConnectToHost:
    case BadURL:
    case UnsupportedURL:
    case SecureConnectionFailed:
        return false;
    default:
        return true;
    }
}

} // namespace AFNetworkingErrors
