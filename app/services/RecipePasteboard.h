#pragma once

// The drag and copy types of the library window and the views that drag recipes into it (recipe
// list, search results, grocery lists). Each keeps its name as a constant; on the wire it is a MIME
// type of our own, except a single object URI, which is also plain "text/uri-list".

#include <QByteArray>
#include <QList>
#include <QMimeData>
#include <QString>
#include <QUrl>

inline const QString RecipeURIDataPboardType = QStringLiteral("RecipeURIDataPboardType");
inline const QString QLMKitchoraMovedRowsType = QStringLiteral("KR_MOVED_ROWS_TYPE");
inline const QString QLMKitchoraCopiedRowsType = QStringLiteral("KR_COPIED_ROWS_TYPE");

namespace RecipePasteboard
{

// The MIME type each named type travels as.
inline const QString recipeURIsMimeType = QStringLiteral("application/x-kitchora-recipe-uris");
inline const QString urlMimeType = QStringLiteral("text/uri-list");
inline const QString movedRowsMimeType = QStringLiteral("application/x-kitchora-moved-rows");
inline const QString copiedRowsMimeType = QStringLiteral("application/x-kitchora-copied-rows");

// One URI per line, as text/uri-list has them.
inline QByteArray encodeURIs(const QList<QUrl>& uris)
{
    QByteArray data;
    for (const QUrl& uri : uris) {
        data += uri.toEncoded();
        data += "\r\n";
    }
    return data;
}

// Lines that are not absolute URIs are left out: whatever dropped them, they name nothing here.
inline QList<QUrl> decodeURIs(const QByteArray& data)
{
    QList<QUrl> uris;
    for (const QByteArray& line : data.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith('#'))
            continue;
        const QUrl uri = QUrl::fromEncoded(trimmed, QUrl::StrictMode);
        if (uri.isValid() && !uri.isRelative())
            uris.append(uri);
    }
    return uris;
}

// Writes the recipes' object URIs as RecipeURIDataPboardType.
inline void writeRecipeURIs(QMimeData& data, const QList<QUrl>& uris)
{
    data.setData(recipeURIsMimeType, encodeURIs(uris));
}

inline bool hasRecipeURIs(const QMimeData& data)
{
    return data.hasFormat(recipeURIsMimeType);
}

inline QList<QUrl> readRecipeURIs(const QMimeData& data)
{
    return decodeURIs(data.data(recipeURIsMimeType));
}

// Writes one object URI as the URL type.
inline void writeURL(QMimeData& data, const QUrl& uri)
{
    data.setData(urlMimeType, encodeURIs({ uri }));
}

inline bool hasURL(const QMimeData& data)
{
    return data.hasFormat(urlMimeType);
}

// The first URI of the URL type, or an empty URL.
inline QUrl readURL(const QMimeData& data)
{
    const QList<QUrl> uris = decodeURIs(data.data(urlMimeType));
    return uris.isEmpty() ? QUrl() : uris.first();
}

} // namespace RecipePasteboard
