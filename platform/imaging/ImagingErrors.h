#pragma once

#include "Error.h"

#include <QString>
#include <QStringList>

// Error domain, codes and limits of picture reading and writing.
namespace ImagingErrors
{
inline const QString domain = QStringLiteral("KitchoraImagingErrorDomain");

constexpr int UnknownFormat = 1; // the bytes are no picture format we can read
constexpr int DamagedData = 2; // recognised, but truncated or inconsistent
constexpr int TooLarge = 3; // declared size beyond maximumPixelCount
constexpr int UnsupportedContent = 4; // valid, but a layout we don't convert (e.g. CMYK, > 4 components)
constexpr int EncodingFailed = 5;
constexpr int InvalidImage = 6; // a null image or an unusable argument was given to a writer

// Keys of Error::userInfo.
inline const QString libraryMessagesKey = QStringLiteral("KitchoraImagingLibraryMessages"); // QStringList

// Largest picture we decode or encode, in pixels (64 megapixels). A 4-component decode of this
// size needs about 1.3 GB in the codec; anything declaring more is refused before allocation.
constexpr qint64 maximumPixelCount = qint64(64) * 1024 * 1024;

// Most memory one JPEG 2000 decode may take (the codec's samples and the picture they become).
constexpr quint64 maximumDecodeBytes = quint64(256) * 1024 * 1024;

// Fills *error (when given) and returns false, so callers can `return fail(...)`.
inline bool fail(Error* error, int code, const QString& message, const QStringList& libraryMessages = {})
{
    if (error) {
        error->domain = domain;
        error->code = code;
        error->localizedDescription = message;
        error->userInfo.clear();
        if (!libraryMessages.isEmpty())
            error->userInfo.insert(libraryMessagesKey, libraryMessages);
    }
    return false;
}
} // namespace ImagingErrors
