#pragma once

#include "BaseMO.h"
#include "Error.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QVariant>

// Length of the longer side of a picture once converted for storage.
inline constexpr double KRMaxImageSize = 512.0;
// User default: side of the square recipe thumbnail, in points.
inline const QString RVImageViewSize = QStringLiteral("RVImageViewSize");

// A recipe's picture (entity "Image"). Every picture is stored as JPEG 2000 with its longer side
// KRMaxImageSize, except JPEG 2000 data, which is kept exactly as it came. A recipe without a
// picture of its own shows the shared default picture.
//
// Keys: "data" (never empty: the default picture's data when none is stored), "thumbnail",
// "preview", "jpegData", "isDefaultImage", "recipe". "data", "thumbnail" and "preview" take
// picture data or a QImage when set by key.
class ImageMO : public BaseMO
{
public:
    // The default picture as JPEG 2000, built once per process. Every copy shares one buffer,
    // which is how isDefaultImage tells it apart from equal bytes of another origin.
    static const QByteArray& defaultImageData();
    // Whether value is that very buffer (not merely equal bytes).
    static bool isDefaultImageData(const QVariant& value);

    QByteArray data() const;
    bool isDefaultImage() const;
    // Stores a picture given as data or QImage and marks the recipe as having a changed picture;
    // an empty value or the default picture's data removes the picture. A value that cannot be
    // converted leaves everything as it was and answers false with *error filled.
    bool setData(const QVariant& value, Error* error = nullptr);
    // The storage rule alone: the recipe's changedImage and the thumbnail are left as they are.
    bool setDataValue(const QVariant& value, Error* error = nullptr);
    // What the storage rule keeps of picture data or an image: JPEG 2000 data as it came, anything
    // else scaled to KRMaxImageSize and encoded as JPEG 2000. Empty with *error filled when it
    // cannot be converted. Touches no object, so pictures may be made ready on any thread.
    static QByteArray storageData(const QByteArray& data, Error* error = nullptr);
    static QByteArray storageData(const QImage& image, Error* error = nullptr);

    // The stored picture as JPEG; empty when no picture of its own is stored.
    QByteArray jpegData() const;
    // The picture filling a square of RVImageViewSize points, kept until the data changes.
    QImage thumbnail() const;
    // The picture, padded to a square when it is not one.
    QImage preview() const;
    // Replace the picture, announced as a change of the thumbnail or preview (image views bound
    // to those keys take drops this way).
    bool setThumbnail(const QVariant& value, Error* error = nullptr);
    bool setPreview(const QVariant& value, Error* error = nullptr);

    QVariant valueForKey(const QString& key) const override;
    void setValueForKey(const QVariant& value, const QString& key) override;
    QStringList keyPathsForValuesAffectingValueForKey(const QString& key) const override;

    void awakeFromInsert() override;
    void awakeFromFetch() override;
    void didTurnIntoFault() override;

private:
    // Stores bytes (empty for none) in "data" with change notices.
    void storeData(const QByteArray& bytes);
    void setRecipeFlag(const QString& key, bool value);
    void dropThumbnail() const;

    mutable QImage m_thumbnail;
    mutable bool m_cached = false;
};
